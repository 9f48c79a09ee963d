// A shell32.dll that someone left beside the launcher: it only records, in
// the file named by TEST_LOG, that a process loaded it ("planted
// shell32=<its path>"), and has no ShellExecuteExA. The platform check puts it
// where a load by the bare name would find it before the system's own.
#include <windows.h>

namespace {

// Appends one line with the Windows API alone: a DLL's entry runs under the
// loader's lock, where the C runtime's streams have no business.
void RecordLoad(HINSTANCE self)
{
    char log[MAX_PATH];
    const DWORD logLength = GetEnvironmentVariableA("TEST_LOG", log, sizeof log);
    if (logLength == 0 || logLength >= sizeof log)
        return;
    char line[MAX_PATH + 32] = "planted shell32=";
    DWORD length = lstrlenA(line);
    const DWORD pathLength = GetModuleFileNameA(self, line + length, MAX_PATH);
    length += pathLength < MAX_PATH ? pathLength : 0;
    line[length++] = '\n';
    const HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH)
        RecordLoad(self);
    return TRUE;
}
