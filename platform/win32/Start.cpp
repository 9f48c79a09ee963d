// The process entry Windows jumps to: it gathers the four start-up arguments of
// a GUI program and calls WinMain, which ends the process itself.
//
// It stands in for the C runtime's own start-up code, which would bring in
// handlers, TLS support, argument vectors and formatted output the launcher
// never uses. No C runtime is linked at all (cmake/shipped.cmake): the
// launcher calls only KERNEL32 and USER32. What is left out: running global constructors (the launcher
// has none, and the link fails should one appear) and flushing open streams
// at exit (there are none: the launcher reads its only file with ReadFile and
// closes it as soon as it is read).
#include <windows.h>

// Provided by the linker: the module's load address, which is its instance handle.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the linker's name for it
extern "C" IMAGE_DOS_HEADER __ImageBase;

// Named as the linker expects the entry of a GUI program. 32-bit Windows
// hands over a stack aligned to 4 bytes only; realign it, in case the
// compiler ever keeps 16-byte values on it.
extern "C" [[noreturn]] __attribute__((force_align_arg_pointer)) void WinMainCRTStartup()
{
    // The command line after the program's name, as Windows' C runtimes pass
    // it: the name ends at its closing quote, or at the first blank when it is
    // not quoted, and the blanks after it are skipped.
    char* arguments = GetCommandLineA();
    if (*arguments == '"') {
        ++arguments;
        while (*arguments != '\0' && *arguments != '"')
            ++arguments;
        if (*arguments == '"')
            ++arguments;
    } else {
        while (static_cast<unsigned char>(*arguments) > ' ')
            ++arguments;
    }
    while (*arguments != '\0' && static_cast<unsigned char>(*arguments) <= ' ')
        ++arguments;

    STARTUPINFOA startup;
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    const int showState = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWDEFAULT;

    // WinMain does not return; should it ever, the process still ends here.
    const int status = WinMain(reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr, arguments, showState);
    ExitProcess(static_cast<UINT>(status));
}
