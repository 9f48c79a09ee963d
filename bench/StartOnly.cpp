// The least a later run can do: read the game's directory from WIN.INI, make
// it current and start the game there. The launcher's later run is measured
// against it.
//
// A failed start is told in a message box, as the launcher tells it. That
// also loads USER32 as the launcher does, and it matters: with USER32 loaded,
// WinExec waits until the game asks for its first message or ends, so both
// programs end at the same point of the game's start.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char directory[MAX_PATH];
    GetProfileStringA("Quorvale", "Path", "*", directory, sizeof directory);
    SetCurrentDirectoryA(directory);

    static const char game[] = "\\Quor.exe\"";
    char commandLine[1 + MAX_PATH + sizeof game];
    const std::size_t length = std::strlen(directory);
    commandLine[0] = '"';
    // NOLINTNEXTLINE(bugprone-not-null-terminated-result): the game's name, copied next, ends the text
    std::memcpy(commandLine + 1, directory, length);
    std::memcpy(commandLine + 1 + length, game, sizeof game);
    if (WinExec(commandLine, SW_SHOWDEFAULT) <= 31)
        MessageBoxA(nullptr, "Cannot find game EXE!", "Error", MB_OK | MB_ICONHAND);
    return 1;
}
