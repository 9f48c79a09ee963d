// The real Windows API: each operation forwards to it, nothing more.
#include "Platform.h"

#include <windows.h>

#include <cstddef>

namespace platform {

#define SAME_FIELD(type, field) \
    static_assert(offsetof(type, field) == offsetof(::type, field), #type "::" #field " must match Windows")
static_assert(sizeof(STARTUPINFOA) == sizeof(::STARTUPINFOA), "STARTUPINFOA must match Windows");
SAME_FIELD(STARTUPINFOA, cb);
SAME_FIELD(STARTUPINFOA, dwFlags);
SAME_FIELD(STARTUPINFOA, wShowWindow);
SAME_FIELD(STARTUPINFOA, lpReserved2);
SAME_FIELD(STARTUPINFOA, hStdError);
static_assert(sizeof(PROCESS_INFORMATION) == sizeof(::PROCESS_INFORMATION), "PROCESS_INFORMATION must match Windows");
SAME_FIELD(PROCESS_INFORMATION, hProcess);
SAME_FIELD(PROCESS_INFORMATION, dwThreadId);
#undef SAME_FIELD
static_assert(CreateNewConsole == CREATE_NEW_CONSOLE && Infinite == INFINITE, "constants must match Windows");
static_assert(MbOk == MB_OK && MbIconHand == MB_ICONHAND && SwShowDefault == SW_SHOWDEFAULT,
              "constants must match Windows");

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                        char* returnedString, DWORD size)
{
    return ::GetProfileStringA(appName, keyName, defaultValue, returnedString, size);
}

BOOL WriteProfileStringA(const char* appName, const char* keyName, const char* value)
{
    return ::WriteProfileStringA(appName, keyName, value);
}

UINT GetWindowsDirectoryA(char* buffer, UINT size)
{
    return ::GetWindowsDirectoryA(buffer, size);
}

BOOL SetCurrentDirectoryA(const char* pathName)
{
    return ::SetCurrentDirectoryA(pathName);
}

BOOL CreateProcessA(const char* applicationName, char* commandLine,
                    SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation)
{
    return ::CreateProcessA(applicationName, commandLine,
                            reinterpret_cast<::SECURITY_ATTRIBUTES*>(processAttributes),
                            reinterpret_cast<::SECURITY_ATTRIBUTES*>(threadAttributes), inheritHandles,
                            creationFlags, environment, currentDirectory,
                            reinterpret_cast<::STARTUPINFOA*>(startupInfo),
                            reinterpret_cast<::PROCESS_INFORMATION*>(processInformation));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return ::WaitForSingleObject(handle, milliseconds);
}

UINT WinExec(const char* cmdLine, UINT cmdShow)
{
    return ::WinExec(cmdLine, cmdShow);
}

BOOL DeleteFileA(const char* fileName)
{
    return ::DeleteFileA(fileName);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type)
{
    return ::MessageBoxA(static_cast<::HWND>(owner), text, caption, type);
}

void ExitProcess(UINT exitCode)
{
    ::ExitProcess(exitCode);
}

} // namespace platform
