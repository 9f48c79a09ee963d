// Control of the host fake of the Windows services, for the unit tests.
//
// WIN.INI is a map, process starts and their outcomes are scripted, message
// boxes and calls are recorded. Files are real: the descriptor path that the
// launcher forms ("C:\<DescriptorFileName>") names a file in the current
// directory of the test process, opened and read as CreateFileA and ReadFile
// would, with switches for the failures a real disk can have. The heap is
// the C library's, with the blocks still held counted; a new block is filled
// with HeapPoison (unless zeroing is asked for), so that bytes the launcher
// uses without having written them show up.
#pragma once

#include "Platform.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake {

// Thrown by ExitProcess, so that the process exit does not return to the
// launcher and the test can see the status.
inline constexpr unsigned char HeapPoison = 0xCD;

struct ProcessExit {
    platform::UINT status;
};

struct MessageBoxCall {
    platform::HWND owner;
    std::string text;
    std::string caption;
    platform::UINT style;
};

struct CreateProcessCall {
    std::string applicationName; // "(null)" when none was given
    bool hasCommandLine;
    bool inheritHandles;
    platform::DWORD creationFlags;
    bool hasEnvironment;
    bool hasCurrentDirectory;
    bool hasSecurityAttributes;
    platform::DWORD startupInfoSize;
    bool startupInfoZeroAfterSize; // every byte after the size field is zero
};

struct CreateFileCall {
    std::string fileName;
    platform::DWORD desiredAccess;
    platform::DWORD shareMode;
    bool hasSecurityAttributes;
    platform::DWORD creationDisposition;
    platform::DWORD flagsAndAttributes;
    bool hasTemplateFile;
};

// ShellExecuteExA's record as the launcher filled it; texts copied, null ones
// shown as "(null)".
struct ShellExecuteCall {
    platform::DWORD size;
    platform::DWORD mask;
    platform::HWND owner;
    std::string verb;
    std::string file;
    std::string parameters;
    std::string directory;
    int show;
    bool restZero; // hInstApp, lpIDList, lpClass, hkeyClass, dwHotKey, hIcon, hProcess
};

struct WinExecCall {
    std::string commandLine;
    platform::UINT showState;
};

struct Platform {
    // WIN.INI: section -> key -> value, as the file holds it. Reading drops
    // the blanks around a value and quotes around it; writing drops the blanks
    // before it (ProfileValue.h).
    std::map<std::string, std::map<std::string, std::string>> profile;
    bool profileWritable = true;

    std::string windowsDirectory = "C:\\WINDOWS";
    bool windowsDirectoryFails = false;
    // Where shell32.dll lies: LoadLibraryA finds it by this full path only.
    std::string systemDirectory = "C:\\WINDOWS\\SYSTEM";
    bool systemDirectoryFails = false;

    // SetCurrentDirectoryA succeeds for these texts only.
    std::set<std::string> directories;

    // CreateProcessA succeeds when this is set and createProcessError is 0;
    // the installer "runs" while the launcher waits for its process, and only
    // then. Without an installer CreateProcessA fails with
    // ERROR_FILE_NOT_FOUND.
    std::function<void()> installer;
    platform::DWORD createProcessError = 0;
    platform::DWORD waitResult = 0; // WAIT_OBJECT_0

    // The shell: LoadLibraryA(<systemDirectory>\shell32.dll) and GetProcAddress for
    // ShellExecuteExA, which starts the installer unless told to fail with
    // shellError (ERROR_CANCELLED: the player declined) or to give no process.
    bool shell32Present = true;
    bool shellExecuteExPresent = true;
    platform::DWORD shellError = 0;
    bool shellGivesNoProcess = false;

    // File reading: CreateFileA fails (ERROR_FILE_NOT_FOUND), ReadFile fails,
    // GetFileSize reports this high part, HeapAlloc gives nothing.
    bool openFails = false;
    bool readFails = false;
    platform::DWORD fileSizeHigh = 0;
    bool heapAllocFails = false;
    // ReadFile gives at most this many bytes, and succeeds, as for a file cut
    // short after GetFileSize took its size.
    std::optional<platform::DWORD> fileShrinksTo;

    // WinExec's result, when set; otherwise 33 for a listed program, else 2.
    std::optional<platform::UINT> winExecResult;

    // WinExec starts programs whose path (without quotes) is listed here.
    std::set<std::string> programs;

    // What GetACP and GetUserDefaultLangID report: a US English Windows.
    platform::UINT codepage = 1252;
    platform::LANGID userLanguage = 0x0409;

    // What the launcher did, in order.
    std::vector<std::string> calls;
    std::vector<std::string> currentDirectoryCalls;
    std::vector<CreateProcessCall> processStarts;
    std::vector<std::string> librariesLoaded;
    std::vector<std::string> functionsLookedUp;
    std::vector<ShellExecuteCall> shellExecutes;
    std::vector<std::string> waitedFor; // "CreateProcessA", "ShellExecuteExA" or "other": whose handle
    std::vector<platform::DWORD> waitTimeouts;
    std::vector<CreateFileCall> fileOpens;
    int openFiles = 0;  // opened and not yet closed
    int heapBlocks = 0; // allocated and not yet freed
    std::vector<WinExecCall> gameStarts;
    std::vector<std::string> deletedFiles;
    std::vector<MessageBoxCall> messageBoxes;

    // What GetLastError returns: set by the calls that fail.
    platform::DWORD lastError = 0;
};

// The fake's state; Reset() gives a fresh one.
Platform& State();
void Reset();

} // namespace fake
