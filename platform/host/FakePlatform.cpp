// An in-memory stand-in for the Windows services, for unit tests on Linux.
#include "FakePlatform.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace fake {

namespace {

Platform state;

// Copies text into a buffer of `size` bytes, truncated and NUL-terminated as
// Windows does; returns the count of bytes copied without the NUL.
platform::DWORD CopyOut(const std::string& text, char* buffer, platform::DWORD size)
{
    if (size == 0)
        return 0;
    const std::size_t count = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<platform::DWORD>(count);
}

// Blanks as WIN.INI reading knows them, the DOS end-of-file mark among them.
bool IsProfileBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0 || c == '\x1a';
}

std::string WithoutLeadingBlanks(const std::string& text)
{
    std::size_t begin = 0;
    while (begin < text.size() && IsProfileBlank(text[begin]))
        ++begin;
    return text.substr(begin);
}

// A value as Windows reads it from the file: without the blanks around it, and
// without the quotes (double or single) when it is wholly quoted.
std::string AsRead(const std::string& stored)
{
    std::string value = WithoutLeadingBlanks(stored);
    while (!value.empty() && IsProfileBlank(value.back()))
        value.pop_back();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

} // namespace

Platform& State()
{
    return state;
}

void Reset()
{
    state = Platform();
}

} // namespace fake

namespace platform {

using fake::state;

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                        char* returnedString, DWORD size)
{
    state.calls.push_back("GetProfileStringA");
    const auto section = state.profile.find(appName);
    if (section != state.profile.end()) {
        const auto entry = section->second.find(keyName);
        if (entry != section->second.end())
            return fake::CopyOut(fake::AsRead(entry->second), returnedString, size);
    }
    return fake::CopyOut(defaultValue, returnedString, size);
}

BOOL WriteProfileStringA(const char* appName, const char* keyName, const char* value)
{
    state.calls.push_back("WriteProfileStringA");
    if (!state.profileWritable)
        return 0;
    // Blanks before a value are not written; those after it are, until the
    // file is next read.
    state.profile[appName][keyName] = fake::WithoutLeadingBlanks(value);
    return 1;
}

UINT GetWindowsDirectoryA(char* buffer, UINT size)
{
    state.calls.push_back("GetWindowsDirectoryA");
    if (state.windowsDirectoryFails)
        return 0;
    if (state.windowsDirectory.size() >= size)
        return static_cast<UINT>(state.windowsDirectory.size() + 1);
    return fake::CopyOut(state.windowsDirectory, buffer, size);
}

BOOL SetCurrentDirectoryA(const char* pathName)
{
    state.calls.push_back("SetCurrentDirectoryA");
    state.currentDirectoryCalls.push_back(pathName);
    return state.directories.count(pathName) != 0;
}

BOOL CreateProcessA(const char* applicationName, char* commandLine,
                    SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation)
{
    state.calls.push_back("CreateProcessA");
    const unsigned char* record = reinterpret_cast<const unsigned char*>(startupInfo);
    bool zero = true;
    for (std::size_t i = sizeof startupInfo->cb; i < sizeof *startupInfo; ++i)
        zero = zero && record[i] == 0;
    state.processStarts.push_back({applicationName ? applicationName : "(null)", commandLine != nullptr,
                                   inheritHandles != 0, creationFlags, environment != nullptr,
                                   currentDirectory != nullptr,
                                   processAttributes != nullptr || threadAttributes != nullptr,
                                   startupInfo->cb, zero});
    if (!state.installer)
        return 0;
    static int installerProcess;
    processInformation->hProcess = &installerProcess;
    processInformation->hThread = &installerProcess;
    return 1;
}

DWORD WaitForSingleObject(HANDLE, DWORD milliseconds)
{
    state.calls.push_back("WaitForSingleObject");
    state.waitTimeouts.push_back(milliseconds);
    if (state.installer)
        state.installer();
    return state.waitResult;
}

UINT WinExec(const char* cmdLine, UINT cmdShow)
{
    state.calls.push_back("WinExec");
    state.gameStarts.push_back({cmdLine, cmdShow});
    std::string program = cmdLine;
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
        program = program.substr(1, program.size() - 2);
    return state.programs.count(program) ? 33 : 2; // 2: ERROR_FILE_NOT_FOUND
}

BOOL DeleteFileA(const char* fileName)
{
    state.calls.push_back("DeleteFileA");
    state.deletedFiles.push_back(fileName);
    return std::remove(fileName) == 0;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type)
{
    state.calls.push_back("MessageBoxA");
    state.messageBoxes.push_back({owner, text, caption, type});
    return 1; // IDOK
}

void ExitProcess(UINT exitCode)
{
    state.calls.push_back("ExitProcess");
    throw fake::ProcessExit{exitCode};
}

} // namespace platform
