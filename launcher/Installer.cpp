// The installer hand-off: run the installer, record the directory it leaves behind.
#include "Launcher.h"

#include "Platform.h"

#include <cstddef>

namespace {

// ".\" and the installer's name, put together when compiling.
struct PathText {
    char text[2 + sizeof InstallerName];
};

constexpr PathText InCurrentDirectory(const char (&name)[sizeof InstallerName])
{
    PathText path = {};
    path.text[0] = '.';
    path.text[1] = '\\';
    for (std::size_t i = 0; i < sizeof InstallerName; ++i)
        path.text[2 + i] = name[i];
    return path;
}

constexpr PathText InstallerInCurrentDirectory = InCurrentDirectory(InstallerName);

constexpr char ShellFileName[] = "\\shell32.dll";

// Loads shell32 from the system directory by its full path: by its bare name
// Windows would look in the launcher's own directory first, a download folder
// or a disc, where anyone may have left a shell32.dll. A system directory
// that leaves no room for the name counts as no shell32 at all.
platform::HMODULE LoadShell()
{
    char path[PathBufferSize];
    // The length without the NUL; 0 on failure, or the size needed when the
    // buffer is too small, which is more than the room checked for here.
    const platform::UINT length = platform::GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length > sizeof path - sizeof ShellFileName)
        return nullptr;
    for (std::size_t i = 0; i < sizeof ShellFileName; ++i)
        path[length + i] = ShellFileName[i];
    return platform::LoadLibraryA(path);
}

} // namespace

void* StartInstallerThroughShell()
{
    // Loaded only now: a normal start needs nothing beyond KERNEL32 and USER32.
    platform::HMODULE shell = LoadShell();
    if (shell == nullptr)
        return nullptr;
    const auto shellExecuteEx =
        reinterpret_cast<platform::ShellExecuteExAFunction>(platform::GetProcAddress(shell, "ShellExecuteExA"));
    if (shellExecuteEx == nullptr)
        return nullptr;

    platform::SHELLEXECUTEINFOA info = {};
    info.cbSize = sizeof info;
    // The process handle is wanted for the wait; our own box reports failures.
    info.fMask = platform::SeeMaskNoCloseProcess | platform::SeeMaskFlagNoUi;
    // The default verb, no owner window. The leading ".\" keeps the shell to
    // the current directory: no search path, no App Paths.
    info.lpFile = InstallerInCurrentDirectory.text;
    info.nShow = platform::SwShowNormal;
    if (!shellExecuteEx(&info))
        return nullptr; // the player declined the prompt, say
    return info.hProcess;
}

int RunInstaller()
{
    platform::STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    platform::PROCESS_INFORMATION installer = {};
    platform::HANDLE process;
    // By bare name: the installer must lie in the current directory, never
    // on the search path. It gets a console of its own and our handles.
    if (platform::CreateProcessA(InstallerName, nullptr, nullptr, nullptr, 1, platform::CreateNewConsole, nullptr,
                                 nullptr, &startup, &installer)) {
        process = installer.hProcess;
    } else {
        // Windows takes a program named like an installer for one that needs
        // elevation, which only the shell asks the player for. Any other
        // failure means there is no installer to start.
        process = platform::GetLastError() == platform::ErrorElevationRequired ? StartInstallerThroughShell() : nullptr;
        if (process == nullptr) {
            ReportError(LAUNCHER_TEXT(CannotFindInstaller));
            return 0;
        }
    }
    // Block on the process itself: nothing is spent while the installer runs,
    // and an installer that exits with status 259 (STILL_ACTIVE) still ends the
    // wait. A wait that fails cannot be mended here, so go on as if it ended.
    // The installer's exit status is not looked at: the descriptor it leaves,
    // or does not, tells whether it installed.
    platform::WaitForSingleObject(process, platform::Infinite);

    const char* installPath = ReadInstallPath();
    if (!platform::WriteProfileStringA(ProfileSection, ProfileKey, installPath)) {
        // The descriptor stays for the next start to read again.
        ReportError(LAUNCHER_TEXT(CannotWriteProfile));
        return 0;
    }
    platform::DeleteFileA(DescriptorPath);
    return 1;
}
