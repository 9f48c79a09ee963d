// Checks the launcher's own calls into platform/win32 against the real Windows
// API, where no scenario can reach them: Wine never refuses CreateProcessA
// for want of elevation, so the shell's way of starting the installer is
// called here directly, and the descriptor's reading is tried on files no
// installer would leave. Every check prints what it expected and what it got;
// the exit status is 1 when any failed.
//
//   PlatformCheck.exe WORK_DIR
//
// Started by platform-check.sh from a directory that holds the stand-in
// installer (InstallerName), with decoys of that name in this program's own
// directory and in the Windows and system directories, and a planted
// shell32.dll beside this program and in the current directory, which Wine
// is told to prefer to its own; WORK_DIR is an empty directory for the
// check's own files.
#include "Descriptor.h"
#include "Launcher.h"

#include "Platform.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failures;

void Check(bool passed, const std::string& what, const std::string& expected, const std::string& got)
{
    if (passed) {
        std::printf("ok    %s: %s\n", what.c_str(), got.c_str());
    } else {
        std::printf("FAIL  %s: expected %s, got %s\n", what.c_str(), expected.c_str(), got.c_str());
        ++failures;
    }
    std::fflush(stdout);
}

void CheckEqual(const std::string& what, const std::string& expected, const std::string& got)
{
    Check(expected == got, what, expected, got);
}

void CheckEqual(const std::string& what, unsigned long expected, unsigned long got)
{
    CheckEqual(what, std::to_string(expected), std::to_string(got));
}

// Bytes as text, with anything outside printable ASCII as \xNN; long ones cut.
std::string Shown(const std::string& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < 40; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 32 && c < 127 && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            text += escaped;
        }
    }
    if (bytes.size() > 40)
        text += "... (" + std::to_string(bytes.size()) + " bytes)";
    return "\"" + text + "\"";
}

std::string ErrorText(DWORD error)
{
    return "error " + std::to_string(error);
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && ok;
}

// Reads the file the launcher's way and gives back what came of it.
struct Reading {
    bool ok;
    std::string bytes;
    bool dataNull;
    bool released;
};

Reading ReadTheLaunchersWay(const std::string& path)
{
    char* data = reinterpret_cast<char*>(1); // poison: must be overwritten
    std::size_t size = 12345;
    Reading reading{};
    reading.ok = ReadWholeFile(path.c_str(), data, size);
    reading.dataNull = data == nullptr;
    if (data != nullptr && data != reinterpret_cast<char*>(1)) {
        reading.bytes.assign(data, size);
        reading.released = platform::HeapFree(platform::GetProcessHeap(), 0, data) != 0;
    } else {
        reading.bytes.assign(size, '?');
        reading.released = true;
    }
    return reading;
}

void CheckWholeFiles(const std::string& work)
{
    std::string large(300000, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7 % 251);
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"a descriptor", std::string("[Setup]\r\n") + DescriptorKey + "=C:\\Games\\Game\r\n"},
        // Read as they are: the text-mode view is the parser's business.
        // Split so that the d is not read as a hex digit of the escape.
        // clang-format off
        {"NUL, CR and Ctrl-Z bytes", std::string("a\0b\rc\x1a" "d\r\r\n\x1a\0", 12)},
        // clang-format on
        {"an empty file", ""},
        {"300,000 bytes", large},
    };
    for (const Case& c : cases) {
        const std::string path = work + "\\whole.bin";
        if (!WriteBytes(path, c.bytes)) {
            Check(false, std::string("writing ") + c.name, "written", ErrorText(GetLastError()));
            continue;
        }
        const Reading reading = ReadTheLaunchersWay(path);
        const std::string what = std::string("reading ") + c.name;
        CheckEqual(what + ": result", "read", reading.ok ? "read" : "failed");
        Check(reading.bytes == c.bytes, what + ": bytes", Shown(c.bytes), Shown(reading.bytes));
        CheckEqual(what + ": buffer", c.bytes.empty() ? "none" : "one", reading.dataNull ? "none" : "one");
        CheckEqual(what + ": buffer released to the heap", "yes", reading.released ? "yes" : "no");
        // Closed again: nothing keeps the file from being deleted.
        CheckEqual(what + ": file closed (deletable)", "deleted",
                   DeleteFileA(path.c_str()) ? "deleted" : ErrorText(GetLastError()));
    }

    // An installer that has not closed the file yet does not keep us out.
    const std::string open = work + "\\open.ini";
    const std::string line = std::string(DescriptorKey) + "=C:\\Q\r\n";
    WriteBytes(open, line);
    const HANDLE writer = CreateFileA(open.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    Check(writer != INVALID_HANDLE_VALUE, "another handle open for writing", "open",
          writer != INVALID_HANDLE_VALUE ? "open" : ErrorText(GetLastError()));
    const Reading whileOpen = ReadTheLaunchersWay(open);
    CheckEqual("reading a file open for writing elsewhere", Shown(line),
               whileOpen.ok ? Shown(whileOpen.bytes) : "failed, " + ErrorText(GetLastError()));
    CloseHandle(writer);

    // Failures come back as a result, with nothing to release.
    struct Failure {
        const char* name;
        std::string path;
    };
    const std::string directory = work + "\\" + DescriptorFileName;
    CreateDirectoryA(directory.c_str(), nullptr);
    for (const Failure& f : {Failure{"a missing file", work + "\\missing.ini"}, Failure{"a directory", directory}}) {
        const Reading reading = ReadTheLaunchersWay(f.path);
        const std::string what = std::string("reading ") + f.name;
        CheckEqual(what + ": result", "failed", reading.ok ? "read" : "failed");
        CheckEqual(what + ": buffer", "none", reading.dataNull ? "none" : "one");
        CheckEqual(what + ": size", 0, reading.bytes.size());
    }
}

std::string ReadLog(const std::string& path)
{
    std::string text;
    if (std::FILE* log = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        std::size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, log)) > 0)
            text.append(buffer, count);
        std::fclose(log);
    }
    return text;
}

// The lines of the helpers' log that begin with `start`, joined by "|".
std::string LogLines(const std::string& log, const std::string& start)
{
    std::string lines;
    std::size_t begin = 0;
    while (begin < log.size()) {
        std::size_t end = log.find('\n', begin);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(begin, end - begin);
        if (line.compare(0, start.size(), start) == 0)
            lines += (lines.empty() ? "" : "|") + line;
        begin = end + 1;
    }
    return lines.empty() ? "(none)" : lines;
}

// Watches for dialogs of this process, as the shell shows one on a failure
// unless asked not to, and closes each, so that the check never waits on one.
struct BoxWatch {
    HANDLE stop;
    char firstCaption[128];
};

BOOL CALLBACK CloseBox(HWND window, LPARAM parameter)
{
    auto* watch = reinterpret_cast<BoxWatch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char kind[16];
    if (process == GetCurrentProcessId() && GetClassNameA(window, kind, sizeof kind) != 0 &&
        std::string(kind) == "#32770") {
        if (watch->firstCaption[0] == '\0' &&
            GetWindowTextA(window, watch->firstCaption, sizeof watch->firstCaption) == 0)
            std::snprintf(watch->firstCaption, sizeof watch->firstCaption, "(no caption)");
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}

DWORD WINAPI WatchBoxes(void* parameter)
{
    auto* watch = static_cast<BoxWatch*>(parameter);
    while (WaitForSingleObject(watch->stop, 50) == WAIT_TIMEOUT)
        EnumWindows(CloseBox, reinterpret_cast<LPARAM>(watch));
    return 0;
}

// Where the shell32.dll of this process was loaded from, or "(none)".
std::string LoadedShell()
{
    const HMODULE shell = GetModuleHandleA("shell32.dll");
    char path[MAX_PATH];
    const DWORD length = shell != nullptr ? GetModuleFileNameA(shell, path, sizeof path) : 0;
    return length != 0 && length < sizeof path ? std::string(path, length) : "(none)";
}

std::string SystemShell()
{
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, sizeof directory);
    return (length != 0 && length < sizeof directory ? std::string(directory, length) : "?") + "\\shell32.dll";
}

void CheckShellStart(const std::string& work)
{
    const std::string log = work + "\\helpers.log";
    SetEnvironmentVariableA("TEST_LOG", log.c_str());
    SetEnvironmentVariableA("TEST_INSTALL_DELAY_MS", "1500");
    SetEnvironmentVariableA("TEST_INSTALL_EXIT", "7");
    // The shell looks up a bare name in App Paths too: it names a decoy.
    HKEY appPath;
    const std::string appPathKey =
        std::string("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + InstallerName;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, appPathKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &appPath,
                        nullptr) == ERROR_SUCCESS) {
        char self[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
        std::string decoy(self, length);
        decoy = decoy.substr(0, decoy.rfind('\\') + 1) + InstallerName;
        RegSetValueExA(appPath, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(decoy.c_str()),
                       static_cast<DWORD>(decoy.size()) + 1);
        RegCloseKey(appPath);
    }

    BoxWatch watch = {CreateEventA(nullptr, TRUE, FALSE, nullptr), ""};
    const HANDLE watcher = CreateThread(nullptr, 0, WatchBoxes, &watch, 0, nullptr);

    char directory[MAX_PATH];
    GetCurrentDirectoryA(sizeof directory, directory);
    const DWORD start = GetTickCount();
    void* const process = StartInstallerThroughShell();
    Check(process != nullptr, "installer started through the shell", "a process handle",
          process != nullptr ? "a process handle" : "none, " + ErrorText(GetLastError()));
    // The system's shell32, never the one planted beside this program.
    const std::string expectedShell = SystemShell();
    const std::string loadedShell = LoadedShell();
    Check(lstrcmpiA(expectedShell.c_str(), loadedShell.c_str()) == 0, "shell32 loaded from", expectedShell,
          loadedShell);
    if (process != nullptr) {
        // The launcher's own wait, on the handle the shell gave.
        CheckEqual("wait on the installer", WAIT_OBJECT_0, platform::WaitForSingleObject(process, platform::Infinite));
        const DWORD waited = GetTickCount() - start;
        // What the installer logs last, it logs just before it ends.
        const std::string afterWait = ReadLog(log);
        CheckEqual("installer's last line, there when the wait ended", "installer exit=7",
                   LogLines(afterWait, "installer exit="));
        Check(waited >= 1400, "time waited (the installer sleeps 1500 ms)", "at least 1400 ms",
              std::to_string(waited) + " ms");
        DWORD status = 0;
        GetExitCodeProcess(process, &status);
        CheckEqual("exit status of the process waited for", 7, status);
        CheckEqual("installer's directory", std::string("installer cwd=") + directory,
                   LogLines(afterWait, "installer cwd="));
    }

    // Without an installer in the current directory nothing starts, whatever
    // lies on the search path, and the shell shows no box of its own.
    SetCurrentDirectoryA(work.c_str());
    void* const none = StartInstallerThroughShell();
    Check(none == nullptr, std::string("start from a directory without ") + InstallerName, "no process",
          none == nullptr ? "no process" : "a process");
    if (none != nullptr)
        WaitForSingleObject(none, 30000);
    SetCurrentDirectoryA(directory);

    SetEvent(watch.stop);
    WaitForSingleObject(watcher, INFINITE);
    CheckEqual("boxes the shell showed", "(none)", watch.firstCaption[0] != '\0' ? watch.firstCaption : "(none)");
    CheckEqual("decoys run", "(none)", LogLines(ReadLog(log), "decoy "));
    CheckEqual("planted shell32.dll loaded", "(none)", LogLines(ReadLog(log), "planted "));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: PlatformCheck.exe WORK_DIR\n");
        return 2;
    }
    CheckWholeFiles(argv[1]);
    CheckShellStart(argv[1]);
    std::printf("== platform check: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
