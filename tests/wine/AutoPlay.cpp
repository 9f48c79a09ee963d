// Does AutoPlay's part when a disc goes into the drive: reads the program
// named by "open=" in [autorun] of the disc's AUTORUN.INF, through the
// profile API as Windows does, and starts it with the disc's root as its
// current directory. Waits for it and ends with its exit status, so that a
// test sees the launcher's.
//
//   autoplay.exe [ROOT]          ROOT: the disc's root, "D:\" unless given
//
// Windows runs AUTORUN.INF only from a CD drive, so a root that is not one
// is refused. Fails with exit status 2, saying what it found, when the drive
// is no CD drive, the file has no open= line, or the program it names is not
// on the disc.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

const char* DriveTypeName(UINT type)
{
    switch (type) {
    case DRIVE_NO_ROOT_DIR:
        return "no such drive";
    case DRIVE_REMOVABLE:
        return "removable";
    case DRIVE_FIXED:
        return "fixed";
    case DRIVE_REMOTE:
        return "network";
    case DRIVE_CDROM:
        return "CD-ROM";
    case DRIVE_RAMDISK:
        return "RAM disk";
    default:
        return "unknown";
    }
}

int Fail(const char* message)
{
    std::printf("autoplay: %s\n", message);
    std::fflush(stdout);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const char* root = argc > 1 ? argv[1] : "D:\\";
    char message[3 * MAX_PATH];

    const UINT type = GetDriveTypeA(root);
    if (type != DRIVE_CDROM) {
        std::snprintf(message, sizeof message, "%s is a drive of type %s, not a CD-ROM drive", root,
                      DriveTypeName(type));
        return Fail(message);
    }

    char inf[MAX_PATH];
    std::snprintf(inf, sizeof inf, "%sAUTORUN.INF", root);
    char open[MAX_PATH];
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, inf);
    if (open[0] == '\0') {
        std::snprintf(message, sizeof message, "%s holds no open= line in [autorun]", inf);
        return Fail(message);
    }
    std::printf("autoplay: %s says open=%s\n", inf, open);

    // The line names a program on the disc, relative to its root.
    char program[MAX_PATH];
    if (std::snprintf(program, sizeof program, "%s%s", root, open) >= static_cast<int>(sizeof program))
        return Fail("the program's path is too long");
    const DWORD attributes = GetFileAttributesA(program);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        std::snprintf(message, sizeof message, "%s names %s, which is not on the disc", inf, program);
        return Fail(message);
    }

    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, root, &startup, &process)) {
        std::snprintf(message, sizeof message, "could not start %s in %s: error %lu", program, root, GetLastError());
        return Fail(message);
    }
    std::printf("autoplay: started %s in %s\n", program, root);
    std::fflush(stdout);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
