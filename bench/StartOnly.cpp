// The least a later run can do: read the game's directory from WIN.INI, make
// it current and start the game there. The launcher's later run is measured
// against it.
//
// A failed start is told in a message box, as the launcher tells it. That
// also loads USER32 as the launcher does, and it matters: with USER32 loaded,
// WinExec waits until the game asks for its first message or ends, so both
// programs end at the same point of the game's start.
#include "Title.h"

#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char directory[MAX_PATH];
    GetProfileStringA(ProfileSection, ProfileKey, NotInstalledMarker, directory, sizeof directory);
    SetCurrentDirectoryA(directory);

    // "<directory>\<GameExeName>" in quotes.
    char commandLine[1 + MAX_PATH + 1 + sizeof GameExeName + 1];
    const std::size_t length = std::strlen(directory);
    char* end = commandLine;
    *end++ = '"';
    std::memcpy(end, directory, length);
    end += length;
    *end++ = '\\';
    std::memcpy(end, GameExeName, sizeof GameExeName - 1);
    end += sizeof GameExeName - 1;
    *end++ = '"';
    *end = '\0';
    if (WinExec(commandLine, SW_SHOWDEFAULT) <= 31)
        MessageBoxA(nullptr, TITLE_CannotFindGame, TITLE_Caption, MB_OK | MB_ICONHAND);
    return 1;
}
