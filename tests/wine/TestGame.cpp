// Stands in for the game (the title's GameExeName): records how it was
// started, in the file named by TEST_LOG, and ends at once. Built a second
// time as a decoy, a program that must never run, placed where a wrongly
// quoted command line would find it.
#include "HelperLog.h"

#ifndef HELPER_NAME
#define HELPER_NAME "game"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH];
    if (!GetSetting("TEST_LOG", log, sizeof log))
        return 2;
    AppendLogLine(log, HELPER_NAME, "cmdline", GetCommandLineA());
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    AppendLogLine(log, HELPER_NAME, "cwd", length != 0 && length < sizeof directory ? directory : "?");
    return 0;
}
