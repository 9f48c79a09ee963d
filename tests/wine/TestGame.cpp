// Stands in for Quor.exe: records how it was started, in the file named by
// TEST_LOG, and ends at once.
#include "HelperLog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH];
    if (!GetSetting("TEST_LOG", log, sizeof log))
        return 2;
    AppendLogLine(log, "game", "cmdline", GetCommandLineA());
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    AppendLogLine(log, "game", "cwd", length != 0 && length < sizeof directory ? directory : "?");
    return 0;
}
