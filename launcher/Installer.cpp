// The installer hand-off: run install.exe, record the directory it leaves behind.
#include "Launcher.h"

#include "Platform.h"

int RunInstaller()
{
    platform::STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    platform::PROCESS_INFORMATION installer = {};
    // By bare name: the installer must lie in the current directory, never
    // on the search path. It gets a console of its own and our handles.
    if (!platform::CreateProcessA(InstallerName, nullptr, nullptr, nullptr, 1,
                                  platform::CreateNewConsole, nullptr, nullptr, &startup,
                                  &installer)) {
        ReportError("Cannot find install prog!");
        return 0;
    }
    // Block on the process itself: nothing is spent while the installer runs,
    // and an installer that exits with status 259 (STILL_ACTIVE) still ends the
    // wait. A wait that fails cannot be mended here, so go on as if it ended.
    // The installer's exit status is not looked at: the descriptor it leaves,
    // or does not, tells whether it installed.
    platform::WaitForSingleObject(installer.hProcess, platform::Infinite);

    const char* installPath = ReadInstallPath();
    if (!platform::WriteProfileStringA(ProfileSection, ProfileKey, installPath)) {
        // The descriptor stays for the next start to read again.
        ReportError("Could not write to WIN.INI!");
        return 0;
    }
    platform::DeleteFileA(DescriptorPath);
    return 1;
}
