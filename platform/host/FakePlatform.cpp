// An in-memory stand-in for the Windows services, for unit tests on Linux.
#include "FakePlatform.h"

#include "ProfileValue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>

namespace fake {

namespace {

Platform state;

// What the handles point at; only their addresses matter.
int createdProcess;
int shellProcess;
int shell32Module;
int processHeap;

// The files CreateFileA has opened; a handle is the C library's stream.
std::set<std::FILE*> files;

constexpr platform::DWORD ErrorFileNotFound = 2;
constexpr platform::DWORD ErrorAccessDenied = 5;
constexpr platform::DWORD ErrorReadFault = 30;
constexpr platform::DWORD ErrorModNotFound = 126;
constexpr platform::DWORD ErrorProcNotFound = 127;

platform::BOOL Fail(platform::DWORD error)
{
    state.lastError = error;
    return 0;
}

std::string TextOrNull(const char* text)
{
    return text != nullptr ? text : "(null)";
}

// Starts the installer as the shell would, once the player has agreed.
platform::BOOL PLATFORM_WINAPI ShellExecuteExA(platform::SHELLEXECUTEINFOA* info)
{
    state.calls.push_back("ShellExecuteExA");
    state.shellExecutes.push_back(
        {info->cbSize, info->fMask, info->hwnd, TextOrNull(info->lpVerb), TextOrNull(info->lpFile),
         TextOrNull(info->lpParameters), TextOrNull(info->lpDirectory), info->nShow,
         info->hInstApp == nullptr && info->lpIDList == nullptr && info->lpClass == nullptr &&
             info->hkeyClass == nullptr && info->dwHotKey == 0 && info->hIcon == nullptr && info->hProcess == nullptr});
    if (state.shellError != 0)
        return Fail(state.shellError);
    if (!state.installer)
        return Fail(ErrorFileNotFound);
    info->hInstApp = reinterpret_cast<platform::HINSTANCE>(42); // above 32: started
    // The handle comes back only when asked for.
    if ((info->fMask & platform::SeeMaskNoCloseProcess) != 0 && !state.shellGivesNoProcess)
        info->hProcess = &shellProcess;
    return 1;
}

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

// A directory as GetWindowsDirectoryA and GetSystemDirectoryA give it: 0 when
// the call fails, the size it needs (NUL included) when the buffer is too
// small, else the bytes copied.
platform::UINT DirectoryOut(const std::string& dir, bool fails, char* buffer, platform::UINT size)
{
    if (fails)
        return 0;
    if (dir.size() >= size)
        return static_cast<platform::UINT>(dir.size() + 1);
    return CopyOut(dir, buffer, size);
}

} // namespace

Platform& State()
{
    return state;
}

void Reset()
{
    for (std::FILE* file : files)
        std::fclose(file);
    files.clear();
    state = Platform();
}

} // namespace fake

namespace platform {

using fake::state;

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue, char* returnedString,
                        DWORD size)
{
    state.calls.push_back("GetProfileStringA");
    const auto section = state.profile.find(appName);
    if (section != state.profile.end()) {
        const auto entry = section->second.find(keyName);
        if (entry != section->second.end())
            return fake::CopyOut(std::string(profile::AsRead(entry->second)), returnedString, size);
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
    state.profile[appName][keyName] = std::string(profile::AsWritten(value));
    return 1;
}

UINT GetWindowsDirectoryA(char* buffer, UINT size)
{
    state.calls.push_back("GetWindowsDirectoryA");
    return fake::DirectoryOut(state.windowsDirectory, state.windowsDirectoryFails, buffer, size);
}

UINT GetSystemDirectoryA(char* buffer, UINT size)
{
    state.calls.push_back("GetSystemDirectoryA");
    return fake::DirectoryOut(state.systemDirectory, state.systemDirectoryFails, buffer, size);
}

BOOL SetCurrentDirectoryA(const char* pathName)
{
    state.calls.push_back("SetCurrentDirectoryA");
    state.currentDirectoryCalls.push_back(pathName);
    return state.directories.count(pathName) != 0;
}

// NOLINTNEXTLINE(readability-non-const-parameter): Windows' own signature, which may write to it
BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation)
{
    state.calls.push_back("CreateProcessA");
    const unsigned char* record = reinterpret_cast<const unsigned char*>(startupInfo);
    bool zero = true;
    for (std::size_t i = sizeof startupInfo->cb; i < sizeof *startupInfo; ++i)
        zero = zero && record[i] == 0;
    state.processStarts.push_back({applicationName ? applicationName : "(null)", commandLine != nullptr,
                                   inheritHandles != 0, creationFlags, environment != nullptr,
                                   currentDirectory != nullptr,
                                   processAttributes != nullptr || threadAttributes != nullptr, startupInfo->cb, zero});
    if (state.createProcessError != 0)
        return fake::Fail(state.createProcessError);
    if (!state.installer)
        return fake::Fail(fake::ErrorFileNotFound);
    processInformation->hProcess = &fake::createdProcess;
    processInformation->hThread = &fake::createdProcess;
    return 1;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    state.calls.push_back("WaitForSingleObject");
    state.waitTimeouts.push_back(milliseconds);
    const bool created = handle == &fake::createdProcess;
    const bool shell = handle == &fake::shellProcess;
    state.waitedFor.push_back(created ? "CreateProcessA" : shell ? "ShellExecuteExA" : "other");
    if (!created && !shell)
        return 0xFFFFFFFF; // WAIT_FAILED: not a handle of ours
    if (state.installer)
        state.installer();
    return state.waitResult;
}

DWORD GetLastError()
{
    state.calls.push_back("GetLastError");
    return state.lastError;
}

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    state.calls.push_back("CreateFileA");
    state.fileOpens.push_back({fileName, desiredAccess, shareMode, securityAttributes != nullptr, creationDisposition,
                               flagsAndAttributes, templateFile != nullptr});
    struct stat status;
    if (state.openFails || ::stat(fileName, &status) != 0) {
        fake::Fail(fake::ErrorFileNotFound);
        return InvalidHandleValue();
    }
    // Windows opens no directory without FILE_FLAG_BACKUP_SEMANTICS.
    std::FILE* file = S_ISDIR(status.st_mode) ? nullptr : std::fopen(fileName, "rb");
    if (file == nullptr) {
        fake::Fail(fake::ErrorAccessDenied);
        return InvalidHandleValue();
    }
    fake::files.insert(file);
    ++state.openFiles;
    return file;
}

DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh)
{
    state.calls.push_back("GetFileSize");
    struct stat status;
    if (!fake::files.count(static_cast<std::FILE*>(file)) ||
        ::fstat(fileno(static_cast<std::FILE*>(file)), &status) != 0) {
        fake::Fail(6); // ERROR_INVALID_HANDLE
        return InvalidFileSize;
    }
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (fileSizeHigh != nullptr)
        *fileSizeHigh = static_cast<DWORD>(size >> 32) + state.fileSizeHigh;
    return static_cast<DWORD>(size);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead, OVERLAPPED* overlapped)
{
    state.calls.push_back("ReadFile");
    *numberOfBytesRead = 0;
    auto* stream = static_cast<std::FILE*>(file);
    if (!fake::files.count(stream) || overlapped != nullptr || state.readFails)
        return fake::Fail(fake::ErrorReadFault);
    if (state.fileShrinksTo && *state.fileShrinksTo < numberOfBytesToRead)
        numberOfBytesToRead = *state.fileShrinksTo;
    *numberOfBytesRead = static_cast<DWORD>(std::fread(buffer, 1, numberOfBytesToRead, stream));
    return std::ferror(stream) == 0 ? 1 : fake::Fail(fake::ErrorReadFault);
}

BOOL CloseHandle(HANDLE object)
{
    state.calls.push_back("CloseHandle");
    auto* stream = static_cast<std::FILE*>(object);
    if (!fake::files.erase(stream))
        return fake::Fail(6); // ERROR_INVALID_HANDLE
    std::fclose(stream);
    --state.openFiles;
    return 1;
}

HANDLE GetProcessHeap()
{
    state.calls.push_back("GetProcessHeap");
    return &fake::processHeap;
}

void* HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes)
{
    state.calls.push_back("HeapAlloc");
    if (heap != &fake::processHeap || state.heapAllocFails)
        return nullptr;
    void* block = std::malloc(bytes != 0 ? bytes : 1);
    if (block != nullptr) {
        constexpr DWORD HeapZeroMemory = 8;
        std::memset(block, (flags & HeapZeroMemory) != 0 ? 0 : fake::HeapPoison, bytes);
        ++state.heapBlocks;
    }
    return block;
}

BOOL HeapFree(HANDLE heap, DWORD, void* memory)
{
    state.calls.push_back("HeapFree");
    if (heap != &fake::processHeap)
        return 0;
    if (memory != nullptr) {
        std::free(memory);
        --state.heapBlocks;
    }
    return 1;
}

HMODULE LoadLibraryA(const char* fileName)
{
    state.calls.push_back("LoadLibraryA");
    state.librariesLoaded.push_back(fileName);
    if (!state.shell32Present || ::strcasecmp(fileName, (state.systemDirectory + "\\shell32.dll").c_str()) != 0) {
        fake::Fail(fake::ErrorModNotFound);
        return nullptr;
    }
    return &fake::shell32Module;
}

FARPROC GetProcAddress(HMODULE module, const char* procName)
{
    state.calls.push_back("GetProcAddress");
    state.functionsLookedUp.push_back(procName);
    if (module != &fake::shell32Module || !state.shellExecuteExPresent ||
        std::strcmp(procName, "ShellExecuteExA") != 0) {
        fake::Fail(fake::ErrorProcNotFound);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(&fake::ShellExecuteExA);
}

UINT WinExec(const char* cmdLine, UINT cmdShow)
{
    state.calls.push_back("WinExec");
    state.gameStarts.push_back({cmdLine, cmdShow});
    if (state.winExecResult)
        return *state.winExecResult;
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

UINT GetACP()
{
    state.calls.push_back("GetACP");
    return state.codepage;
}

LANGID GetUserDefaultLangID()
{
    state.calls.push_back("GetUserDefaultLangID");
    return state.userLanguage;
}

void ExitProcess(UINT exitCode)
{
    state.calls.push_back("ExitProcess");
    throw fake::ProcessExit{exitCode};
}

} // namespace platform
