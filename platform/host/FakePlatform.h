// Control of the host fake of the Windows services, for the unit tests.
//
// WIN.INI is a map, process starts and their outcomes are scripted, message
// boxes and calls are recorded. Files are real: the descriptor path that the
// launcher forms ("C:\marlock.ini" by default) names a file in the current
// directory of the test process.
#pragma once

#include "Platform.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fake {

// Thrown by ExitProcess, so that the process exit does not return to the
// launcher and the test can see the status.
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

struct WinExecCall {
    std::string commandLine;
    platform::UINT showState;
};

struct Platform {
    // WIN.INI: section -> key -> value, as the file holds it. Reading drops
    // the blanks around a value and quotes around it; writing drops the blanks
    // before it.
    std::map<std::string, std::map<std::string, std::string>> profile;
    bool profileWritable = true;

    std::string windowsDirectory = "C:\\WINDOWS";
    bool windowsDirectoryFails = false;

    // SetCurrentDirectoryA succeeds for these texts only.
    std::set<std::string> directories;

    // CreateProcessA succeeds when this is set; the installer "runs" while the
    // launcher waits for it, and only then.
    std::function<void()> installer;
    platform::DWORD waitResult = 0; // WAIT_OBJECT_0

    // WinExec starts programs whose path (without quotes) is listed here.
    std::set<std::string> programs;

    // What the launcher did, in order.
    std::vector<std::string> calls;
    std::vector<std::string> currentDirectoryCalls;
    std::vector<CreateProcessCall> processStarts;
    std::vector<platform::DWORD> waitTimeouts;
    std::vector<WinExecCall> gameStarts;
    std::vector<std::string> deletedFiles;
    std::vector<MessageBoxCall> messageBoxes;
};

// The fake's state; Reset() gives a fresh one.
Platform& State();
void Reset();

} // namespace fake
