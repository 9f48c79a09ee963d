// The Windows operations the launcher uses, under their Windows names.
//
// The launcher includes this header and nothing from <windows.h>. The build
// links one backend: platform/win32 forwards each call to the real API,
// platform/host is an in-memory fake for the unit tests.
#pragma once

#include <cstdint>

namespace platform {

using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using HANDLE = void*;
using HWND = void*;
using HINSTANCE = void*;

struct SECURITY_ATTRIBUTES;

// Same layout as the Windows records, so the win32 backend can pass them on.
struct STARTUPINFOA {
    DWORD cb;
    char* lpReserved;
    char* lpDesktop;
    char* lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};

constexpr DWORD CreateNewConsole = 0x00000010;
constexpr DWORD Infinite = 0xFFFFFFFF;
constexpr UINT MbOk = 0x00000000;
constexpr UINT MbIconHand = 0x00000010;
constexpr UINT SwShowDefault = 10;

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue,
                        char* returnedString, DWORD size);
BOOL WriteProfileStringA(const char* appName, const char* keyName, const char* value);
UINT GetWindowsDirectoryA(char* buffer, UINT size);
BOOL SetCurrentDirectoryA(const char* pathName);
BOOL CreateProcessA(const char* applicationName, char* commandLine,
                    SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
UINT WinExec(const char* cmdLine, UINT cmdShow);
BOOL DeleteFileA(const char* fileName);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
[[noreturn]] void ExitProcess(UINT exitCode);

} // namespace platform

// The calling convention Windows' start-up code uses for the program entry.
#if defined(_WIN32)
#define PLATFORM_ENTRY_CALL __stdcall
#else
#define PLATFORM_ENTRY_CALL
#endif
