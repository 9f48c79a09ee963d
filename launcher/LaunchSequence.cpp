// The launch sequence: find the installation, install when needed, start the game.
#include "Launcher.h"

#include "Platform.h"

#include <cstring>

namespace {

constexpr char GameStartFailed[] = "Cannot find game EXE!";

void ReadInstallEntry(char (&installPath)[PathBufferSize])
{
    platform::GetProfileStringA(ProfileSection, ProfileKey, NotInstalledMarker, installPath,
                                sizeof installPath);
    installPath[sizeof installPath - 1] = '\0';
}

// Only a to z change, whatever the locale.
unsigned char UpperCaseAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

} // namespace

void ReportError(const char* message)
{
    platform::MessageBoxA(nullptr, message, "Error", platform::MbOk | platform::MbIconHand);
}

void StartGame(const char* installPath)
{
    if (!platform::SetCurrentDirectoryA(installPath)) {
        ReportError("Cannot set the current directory");
        return;
    }
    // Make the directory's drive the current drive ("c:."), then the directory
    // current on it once more. Neither outcome matters: the game start decides.
    const unsigned char letter = UpperCaseAscii(static_cast<unsigned char>(installPath[0]));
    const unsigned char drive = static_cast<unsigned char>(letter - 64); // 1 for A
    const char driveDirectory[] = {static_cast<char>(drive + 96), ':', '.', '\0'};
    platform::SetCurrentDirectoryA(driveDirectory);
    platform::SetCurrentDirectoryA(installPath);

    // "<dir>\Quor.exe" in quotes: unquoted, a space in the directory would let
    // Windows start another program found at the space. A command line that
    // does not fit is not started at all.
    char commandLine[PathBufferSize];
    const std::size_t directoryLength = std::strlen(installPath);
    constexpr std::size_t addedLength = 3 + sizeof GameExeName - 1; // two quotes and a backslash
    if (directoryLength + addedLength >= sizeof commandLine) {
        ReportError(GameStartFailed);
        return;
    }
    char* end = commandLine;
    *end++ = '"';
    std::memcpy(end, installPath, directoryLength);
    end += directoryLength;
    *end++ = '\\';
    std::memcpy(end, GameExeName, sizeof GameExeName - 1);
    end += sizeof GameExeName - 1;
    *end++ = '"';
    *end = '\0';

    if (platform::WinExec(commandLine, platform::SwShowDefault) <= 31)
        ReportError(GameStartFailed);
}

int LaunchMain(void*, void*, char*, int)
{
    char installPath[PathBufferSize];
    ReadInstallEntry(installPath);
    if (std::strcmp(installPath, NotInstalledMarker) == 0) {
        if (!RunInstaller())
            platform::ExitProcess(0);
        // What was recorded is read back and used as it is.
        ReadInstallEntry(installPath);
    }
    StartGame(installPath);
    // The sequence ran to its end, whether or not the game started.
    return 1;
}
