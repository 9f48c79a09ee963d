// Makes a drive letter a CD-ROM drive over a Unix directory, or removes the
// drive, through Wine's mount manager as Wine's own configuration tool does:
// it writes the dosdevices link and the drive type in
// HKLM\Software\Wine\Drives, and the running mount manager learns of both at
// once (writing them by hand reaches only programs started after it next
// starts).
//
//   cddrive.exe LETTER UNIX_DIRECTORY     d: becomes a CD-ROM drive over the directory
//   cddrive.exe LETTER                    the drive is removed
//
// Exits 0 on success, 1 saying why otherwise. Only under Wine.
#include <windows.h>
#include <winioctl.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Wine's request to its mount manager (its ddk/mountmgr.h, the Wine part).
const DWORD DefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || !std::isalpha(static_cast<unsigned char>(argv[1][0]))) {
        std::printf("usage: cddrive.exe LETTER [UNIX_DIRECTORY]\n");
        return 1;
    }
    const char* directory = argc == 3 ? argv[2] : nullptr;
    const size_t directoryBytes = directory != nullptr ? std::strlen(directory) + 1 : 0;
    std::vector<char> buffer(sizeof(UnixDriveRequest) + directoryBytes, 0);
    UnixDriveRequest request;
    std::memset(&request, 0, sizeof request);
    request.size = static_cast<ULONG>(buffer.size());
    request.type = directory != nullptr ? DRIVE_CDROM : DRIVE_NO_ROOT_DIR;
    request.letter = static_cast<WCHAR>(std::tolower(static_cast<unsigned char>(argv[1][0])));
    if (directory != nullptr) {
        request.mountPointOffset = sizeof request;
        std::memcpy(buffer.data() + sizeof request, directory, directoryBytes);
    }
    std::memcpy(buffer.data(), &request, sizeof request);

    HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
        std::printf("cddrive: cannot open the mount manager: error %lu\n", GetLastError());
        return 1;
    }
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(manager, DefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      nullptr, 0, &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(manager);
    if (!done) {
        std::printf("cddrive: the mount manager refused drive %c: error %lu\n", argv[1][0], error);
        return 1;
    }
    return 0;
}
