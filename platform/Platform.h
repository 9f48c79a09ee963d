// The Windows operations the launcher uses, under their Windows names.
//
// The launcher includes this header and nothing from <windows.h>. The build
// links one backend: platform/win32 forwards each call to the real API,
// platform/host is an in-memory fake for the unit tests.
#pragma once

#include <cstddef>
#include <cstdint>

// The calling convention of Windows' API functions and of the program entry.
#if defined(_WIN32)
#define PLATFORM_WINAPI __stdcall
#else
#define PLATFORM_WINAPI
#endif

namespace platform {

using BOOL = int;
using BYTE = unsigned char;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LANGID = WORD;
using HANDLE = void*;
using HWND = void*;
using HINSTANCE = void*;
using HMODULE = void*;
// Any function found at run time; cast to its own type before the call.
using FARPROC = void(PLATFORM_WINAPI*)();

struct SECURITY_ATTRIBUTES;
struct OVERLAPPED;

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

// The shell's record for ShellExecuteExA (shell32.dll).
struct SHELLEXECUTEINFOA {
    DWORD cbSize;
    DWORD fMask;
    HWND hwnd;
    const char* lpVerb;
    const char* lpFile;
    const char* lpParameters;
    const char* lpDirectory;
    int nShow;
    HINSTANCE hInstApp;
    void* lpIDList;
    const char* lpClass;
    void* hkeyClass;
    DWORD dwHotKey;
    HANDLE hIcon; // also hMonitor, which shares its place
    HANDLE hProcess;
};
using ShellExecuteExAFunction = BOOL(PLATFORM_WINAPI*)(SHELLEXECUTEINFOA* info);

constexpr DWORD CreateNewConsole = 0x00000010;
constexpr DWORD Infinite = 0xFFFFFFFF;
constexpr UINT MbOk = 0x00000000;
constexpr UINT MbIconHand = 0x00000010;
constexpr UINT SwShowDefault = 10;
constexpr int SwShowNormal = 1;
constexpr DWORD GenericRead = 0x80000000;
constexpr DWORD FileShareRead = 0x00000001;
constexpr DWORD FileShareWrite = 0x00000002;
constexpr DWORD OpenExisting = 3;
constexpr DWORD FileAttributeNormal = 0x00000080;
constexpr DWORD InvalidFileSize = 0xFFFFFFFF;
constexpr DWORD ErrorElevationRequired = 740;
constexpr DWORD ErrorCancelled = 1223;
constexpr DWORD SeeMaskNoCloseProcess = 0x00000040;
constexpr DWORD SeeMaskFlagNoUi = 0x00000400;

// Windows' PRIMARYLANGID: a language id without its sublanguage (German, not
// German as written in Austria).
constexpr WORD PrimaryLangId(LANGID language)
{
    return static_cast<WORD>(language & 0x3ff);
}

// What CreateFileA returns when it cannot open the file.
inline HANDLE InvalidHandleValue()
{
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

DWORD GetProfileStringA(const char* appName, const char* keyName, const char* defaultValue, char* returnedString,
                        DWORD size);
BOOL WriteProfileStringA(const char* appName, const char* keyName, const char* value);
UINT GetWindowsDirectoryA(char* buffer, UINT size);
UINT GetSystemDirectoryA(char* buffer, UINT size);
BOOL SetCurrentDirectoryA(const char* pathName);
BOOL CreateProcessA(const char* applicationName, char* commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, void* environment,
                    const char* currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD GetLastError();
HANDLE CreateFileA(const char* fileName, DWORD desiredAccess, DWORD shareMode, SECURITY_ATTRIBUTES* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh);
BOOL ReadFile(HANDLE file, void* buffer, DWORD numberOfBytesToRead, DWORD* numberOfBytesRead, OVERLAPPED* overlapped);
BOOL CloseHandle(HANDLE object);
HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void* memory);
HMODULE LoadLibraryA(const char* fileName);
FARPROC GetProcAddress(HMODULE module, const char* procName);
UINT WinExec(const char* cmdLine, UINT cmdShow);
BOOL DeleteFileA(const char* fileName);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
// The ANSI code page, and the user's language (not the UI's, which Windows 95,
// 98 and ME cannot tell): what picks a title's language.
UINT GetACP();
LANGID GetUserDefaultLangID();
[[noreturn]] void ExitProcess(UINT exitCode);

} // namespace platform
