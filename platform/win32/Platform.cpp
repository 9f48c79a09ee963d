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
static_assert(sizeof(SHELLEXECUTEINFOA) == sizeof(::SHELLEXECUTEINFOA), "SHELLEXECUTEINFOA must match Windows");
SAME_FIELD(SHELLEXECUTEINFOA, fMask);
SAME_FIELD(SHELLEXECUTEINFOA, hwnd);
SAME_FIELD(SHELLEXECUTEINFOA, lpFile);
SAME_FIELD(SHELLEXECUTEINFOA, lpDirectory);
SAME_FIELD(SHELLEXECUTEINFOA, nShow);
SAME_FIELD(SHELLEXECUTEINFOA, hInstApp);
SAME_FIELD(SHELLEXECUTEINFOA, hkeyClass);
SAME_FIELD(SHELLEXECUTEINFOA, dwHotKey);
SAME_FIELD(SHELLEXECUTEINFOA, hIcon);
SAME_FIELD(SHELLEXECUTEINFOA, hProcess);
#undef SAME_FIELD
static_assert(CreateNewConsole == CREATE_NEW_CONSOLE && Infinite == INFINITE, "constants must match Windows");
static_assert(MbOk == MB_OK && MbIconHand == MB_ICONHAND && SwShowDefault == SW_SHOWDEFAULT &&
                  SwShowNormal == SW_SHOWNORMAL,
              "constants must match Windows");
static_assert(GenericRead == GENERIC_READ && FileShareRead == FILE_SHARE_READ && FileShareWrite == FILE_SHARE_WRITE &&
                  OpenExisting == OPEN_EXISTING && FileAttributeNormal == FILE_ATTRIBUTE_NORMAL &&
                  InvalidFileSize == INVALID_FILE_SIZE,
              "constants must match Windows");
// MinGW's headers lack ERROR_ELEVATION_REQUIRED; Windows' own give it as 740.
static_assert(ErrorElevationRequired == 740 && ErrorCancelled == ERROR_CANCELLED &&
                  SeeMaskNoCloseProcess == SEE_MASK_NOCLOSEPROCESS && SeeMaskFlagNoUi == SEE_MASK_FLAG_NO_UI,
              "constants must match Windows");

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue, char* returnedString,
                        DWORD size)
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

UINT GetSystemDirectoryA(char* buffer, UINT size)
{
    return ::GetSystemDirectoryA(buffer, size);
}

BOOL SetCurrentDirectoryA(const char* pathName)
{
    return ::SetCurrentDirectoryA(pathName);
}

BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation)
{
    return ::CreateProcessA(applicationName, commandLine, reinterpret_cast<::SECURITY_ATTRIBUTES*>(processAttributes),
                            reinterpret_cast<::SECURITY_ATTRIBUTES*>(threadAttributes), inheritHandles, creationFlags,
                            environment, currentDirectory, reinterpret_cast<::STARTUPINFOA*>(startupInfo),
                            reinterpret_cast<::PROCESS_INFORMATION*>(processInformation));
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    return ::WaitForSingleObject(handle, milliseconds);
}

DWORD GetLastError()
{
    return ::GetLastError();
}

HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile)
{
    return ::CreateFileA(fileName, desiredAccess, shareMode,
                         reinterpret_cast<::SECURITY_ATTRIBUTES*>(securityAttributes), creationDisposition,
                         flagsAndAttributes, templateFile);
}

DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh)
{
    return ::GetFileSize(file, reinterpret_cast<::DWORD*>(fileSizeHigh));
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead, OVERLAPPED* overlapped)
{
    return ::ReadFile(file, buffer, numberOfBytesToRead, reinterpret_cast<::DWORD*>(numberOfBytesRead),
                      reinterpret_cast<::OVERLAPPED*>(overlapped));
}

BOOL CloseHandle(HANDLE object)
{
    return ::CloseHandle(object);
}

HANDLE GetProcessHeap()
{
    return ::GetProcessHeap();
}

void* HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes)
{
    return ::HeapAlloc(heap, flags, bytes);
}

BOOL HeapFree(HANDLE heap, DWORD flags, void* memory)
{
    return ::HeapFree(heap, flags, memory);
}

HMODULE LoadLibraryA(const char* fileName)
{
    return ::LoadLibraryA(fileName);
}

FARPROC GetProcAddress(HMODULE module, const char* procName)
{
    // Function pointers all have one size; the caller casts to the real type.
    return reinterpret_cast<FARPROC>(::GetProcAddress(static_cast<::HMODULE>(module), procName));
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
