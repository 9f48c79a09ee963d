// The launch sequence: find the installation, install when needed, start the game.
#include "Launcher.h"

#include "Platform.h"

namespace {

// Said in two places: with languages, the chosen text; without, one named
// copy of the title's, as the program has always held it.
#if TITLE_LANGUAGES > 0
#define GAME_START_FAILED LAUNCHER_TEXT(CannotFindGame)
#else
constexpr char GameStartFailed[] = TITLE_CannotFindGame;
#define GAME_START_FAILED GameStartFailed
#endif

void ReadInstallEntry(char (&installPath)[PathBufferSize])
{
    platform::GetProfileStringA(ProfileSection, ProfileKey, NotInstalledMarker, installPath, sizeof installPath);
    installPath[sizeof installPath - 1] = '\0';
}

// Only a to z change, whatever the locale.
unsigned char UpperCaseAscii(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// Whole texts, byte by byte: nothing is ignored or folded, whatever the
// locale (unlike lstrcmpA, which gives hyphens and apostrophes no weight).
bool SameText(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// Appends the text at `end` when it fits before `limit` with a NUL after it.
bool Append(char*& end, const char* limit, const char* text)
{
    for (; *text != '\0'; ++text) {
        if (end + 1 >= limit)
            return false;
        *end++ = *text;
    }
    *end = '\0';
    return true;
}

} // namespace

void ReportError(const char* message)
{
    platform::MessageBoxA(nullptr, message, LAUNCHER_TEXT(Caption), platform::MbOk | platform::MbIconHand);
}

void StartGame(const char* installPath)
{
    if (!platform::SetCurrentDirectoryA(installPath)) {
        ReportError(LAUNCHER_TEXT(CannotSetDirectory));
        return;
    }
    // Make the directory's drive the current drive ("c:."), then the directory
    // current on it once more. Neither outcome matters: the game start decides.
    const unsigned char letter = UpperCaseAscii(static_cast<unsigned char>(installPath[0]));
    const unsigned char drive = static_cast<unsigned char>(letter - 64); // 1 for A
    const char driveDirectory[] = {static_cast<char>(drive + 96), ':', '.', '\0'};
    platform::SetCurrentDirectoryA(driveDirectory);
    platform::SetCurrentDirectoryA(installPath);

    // "<dir>\<GameExeName>" in quotes: unquoted, a space in the directory would let
    // Windows start another program found at the space. A command line that
    // does not fit is not started at all.
    char commandLine[PathBufferSize];
    char* end = commandLine;
    const char* const limit = commandLine + sizeof commandLine;
    if (!Append(end, limit, "\"") || !Append(end, limit, installPath) || !Append(end, limit, "\\") ||
        !Append(end, limit, GameExeName) || !Append(end, limit, "\"")) {
        ReportError(GAME_START_FAILED);
        return;
    }

    if (platform::WinExec(commandLine, platform::SwShowDefault) <= 31)
        ReportError(GAME_START_FAILED);
}

int LaunchMain(void*, void*, char*, int)
{
#if TITLE_LANGUAGES > 0
    ChooseShownTexts();
#endif
    char installPath[PathBufferSize];
    ReadInstallEntry(installPath);
    if (SameText(installPath, NotInstalledMarker)) {
        if (!RunInstaller())
            platform::ExitProcess(0);
        // What was recorded is read back and used as it is.
        ReadInstallEntry(installPath);
    }
    StartGame(installPath);
    // The sequence ran to its end, whether or not the game started.
    return 1;
}
