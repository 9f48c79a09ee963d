// The naive way to wait for the installer, for comparison with the launcher:
// the same first run, except that it asks for the installer's exit status over
// and over instead of blocking on the process. It makes the launcher's calls
// in the launcher's order, and reads the descriptor and starts the game with
// the launcher's own code, so that both carry the same fixed costs.
#include "Launcher.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char installPath[PathBufferSize];
    GetProfileStringA(ProfileSection, ProfileKey, NotInstalledMarker, installPath, sizeof installPath);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION installer = {};
    if (!CreateProcessA(InstallerName, nullptr, nullptr, nullptr, TRUE, CREATE_NEW_CONSOLE, nullptr, nullptr, &startup,
                        &installer)) {
        ReportError(TITLE_CannotFindInstaller);
        return 0;
    }
    DWORD status = STILL_ACTIVE;
    do
        GetExitCodeProcess(installer.hProcess, &status);
    while (status == STILL_ACTIVE);

    const char* recorded = ReadInstallPath();
    if (!WriteProfileStringA(ProfileSection, ProfileKey, recorded)) {
        ReportError(TITLE_CannotWriteProfile);
        return 0;
    }
    DeleteFileA(DescriptorPath);
    GetProfileStringA(ProfileSection, ProfileKey, NotInstalledMarker, installPath, sizeof installPath);
    StartGame(installPath);
    return 1;
}
