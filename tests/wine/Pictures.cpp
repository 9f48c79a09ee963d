// Arranges, one after another, the worlds in which the launcher shows what
// tools/screenshots.sh takes pictures of, runs the launcher in each under the
// box watcher, and checks what it did once the script has taken the picture.
//
//   pictures.exe SECONDS LANGUAGE PICTURE...
//
// PICTURE: a box (cannot-find-install-prog, cannot-find-path-descriptor,
// could-not-write-win-ini, cannot-set-current-directory, cannot-find-game-exe)
// or "wizard", the game's installer as the launcher starts it, which installs
// the game and so comes last. LANGUAGE: the title's language whose texts the
// boxes must show, 1 to its count (0: the default texts). SECONDS: how long a
// step may take; a run of the launcher may take four times that.
//
// The script puts the launcher into C:\Setup, the stand-in installer's GUI
// twin into C:\pictures\stand-in and the game's installer into
// C:\pictures\wizard; PICTURES_INSTALL_DIRECTORY and PICTURES_TITLE_NAME give
// the title's directory and name (in UTF-8, which Wine gives in the code
// page). For each picture this
// program writes its name to C:\pictures\next and waits for the script to
// make C:\pictures\shot, leaving the box on the screen until then; the wizard
// asks for "installer-directory", and once Install was pressed and the
// descriptor is there, "installer-finish". A launcher that ends before its
// box was shot (Wine could not reach the X server, say) is started once more.
// A failure is said on standard error, in UTF-8, with what was expected and
// what was seen, and ends the program with status 1.
#include "HelperLog.h"
#include "Texts.h"
#include "Title.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Text = std::string;

const char NextFile[] = "C:\\pictures\\next";
const char ShotFile[] = "C:\\pictures\\shot";
const char BoxLog[] = "C:\\pictures\\boxes.log";
const char SetupDir[] = "C:\\Setup";

// Each box: its picture, its text (the title's own, and a language's), and
// the launcher's exit status after it.
struct Box {
    const char* picture;
    const char* defaultText;
    const char* MessageTexts::*text;
    DWORD status;
};
constexpr Box Boxes[] = {
    {"cannot-find-install-prog", TITLE_CannotFindInstaller, &MessageTexts::CannotFindInstaller, 0},
    {"cannot-find-path-descriptor", TITLE_CannotFindDescriptor, &MessageTexts::CannotFindDescriptor, 0},
    {"could-not-write-win-ini", TITLE_CannotWriteProfile, &MessageTexts::CannotWriteProfile, 0},
    {"cannot-set-current-directory", TITLE_CannotSetDirectory, &MessageTexts::CannotSetDirectory, 1},
    {"cannot-find-game-exe", TITLE_CannotFindGame, &MessageTexts::CannotFindGame, 1},
};

#if TITLE_LANGUAGES > 0
constexpr LanguageTexts Languages[] = {TITLE_LANGUAGE_ROWS};
#endif

DWORD stepSeconds;
char installDirectory[MAX_PATH];
char titleName[512];

// Text in this program's code page, as the terminal shows it.
Text Utf8(const Text& text)
{
    wchar_t wide[2048];
    char utf8[4096];
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, sizeof wide / sizeof wide[0]);
    if (length == 0 || WideCharToMultiByte(CP_UTF8, 0, wide, length, utf8, sizeof utf8, nullptr, nullptr) == 0)
        return text;
    return utf8;
}

[[noreturn]] void Fail(const Text& what)
{
    std::fprintf(stderr, "pictures: %s\n", Utf8(what).c_str());
    std::exit(1);
}

void Say(const Text& what)
{
    std::fprintf(stderr, "pictures: %s\n", Utf8(what).c_str());
}

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void Write(const Text& path, const Text& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        Fail("could not write " + path);
}

// Asks the script for the picture: through a file beside the one it looks
// for, so that it never reads half a name.
void Ask(const char* picture)
{
    const Text partial = Text(NextFile) + ".partial";
    Write(partial, picture);
    if (!MoveFileExA(partial.c_str(), NextFile, MOVEFILE_REPLACE_EXISTING))
        Fail("could not write " + Text(NextFile) + ": error " + std::to_string(GetLastError()));
}

Text Read(const char* path)
{
    Text bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return bytes;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

Text WindowsDirectory()
{
    char directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    return length != 0 && length < sizeof directory ? Text(directory) : Text("C:\\windows");
}

// Where the launcher looks for the descriptor: the root of the Windows drive.
Text DescriptorPath()
{
    return WindowsDirectory().substr(0, 3) + DescriptorFileName;
}

Text WinIniPath()
{
    return WindowsDirectory() + "\\win.ini";
}

Text InstallerInSetup()
{
    return Text(SetupDir) + "\\" + InstallerName;
}

// WIN.INI of the title's section alone, its key set to VALUE, with the line
// ends Windows writes.
void Entry(const Text& value)
{
    Write(WinIniPath(), "[" + Text(ProfileSection) + "]\r\n" + ProfileKey + "=" + value + "\r\n");
}

void PutInstaller(const char* folder)
{
    const Text from = Text("C:\\pictures\\") + folder + "\\" + InstallerName;
    if (!CopyFileA(from.c_str(), InstallerInSetup().c_str(), FALSE))
        Fail("could not copy " + from + " into C:\\Setup: error " + std::to_string(GetLastError()));
}

// Takes away what an earlier picture's world left: the descriptor, the
// installer, the game's directory (empty, but for the wizard's, which comes last).
void Clean()
{
    DeleteFileA(DescriptorPath().c_str());
    DeleteFileA(InstallerInSetup().c_str());
    RemoveDirectoryA(installDirectory);
    DeleteFileA(ShotFile);
    DeleteFileA(BoxLog);
}

// Arranges the box's world. The launcher reads whatever descriptor it finds
// once the installer has ended, so the descriptor is put in place here and
// the stand-in installer only ends. Returns WIN.INI held open without write
// sharing where the launcher must fail to write it, as on a read-only file.
HANDLE Arrange(const Box& box)
{
    const Text picture = box.picture;
    const bool installs = picture == "cannot-find-install-prog" || picture == "cannot-find-path-descriptor" ||
        picture == "could-not-write-win-ini";
    Entry(installs ? NotInstalledMarker : installDirectory);
    if (picture == "cannot-find-path-descriptor" || picture == "could-not-write-win-ini")
        PutInstaller("stand-in");
    if (picture == "cannot-find-path-descriptor") // one without the key
        Write(DescriptorPath(), "[Setup]\r\nGroup=" + Text(titleName) + "\r\n");
    if (picture == "could-not-write-win-ini") {
        Write(DescriptorPath(), "[Setup]\r\n" + Text(DescriptorKey) + "=" + installDirectory + "\r\n");
        const HANDLE held = CreateFileA(WinIniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (held == INVALID_HANDLE_VALUE)
            Fail("could not hold WIN.INI open: error " + std::to_string(GetLastError()));
        return held;
    }
    if (picture == "cannot-find-game-exe") { // the directory is there, the game is not
        const Text directory = installDirectory;
        for (std::size_t at = directory.find('\\', 3); at != Text::npos; at = directory.find('\\', at + 1))
            CreateDirectoryA(directory.substr(0, at).c_str(), nullptr);
        if (!CreateDirectoryA(installDirectory, nullptr))
            Fail("could not make " + directory + ": error " + std::to_string(GetLastError()));
    }
    return INVALID_HANDLE_VALUE;
}

// Starts the launcher from C:\Setup under the box watcher beside this
// program, which leaves its boxes alone until HOLD exists.
HANDLE StartLauncher(const char* hold)
{
    char watcher[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, watcher, sizeof watcher);
    char* name = length != 0 && length < sizeof watcher ? std::strrchr(watcher, '\\') : nullptr;
    if (name == nullptr)
        Fail("could not tell where this program is");
    std::snprintf(name + 1, sizeof watcher - static_cast<std::size_t>(name + 1 - watcher), "boxwatch.exe");
    Text line = "\"" + Text(watcher) + "\" " + BoxLog + " " + std::to_string(4 * stepSeconds) + " --hold " + hold +
        " " + SetupDir + "\\Launcher.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(watcher, line.data(), nullptr, nullptr, FALSE, 0, nullptr, SetupDir, &startup, &started))
        Fail(Text("could not start ") + watcher + ": error " + std::to_string(GetLastError()));
    CloseHandle(started.hThread);
    return started.hProcess;
}

// The launcher's exit status, once the watcher has seen its run to the end.
DWORD Ended(HANDLE run)
{
    DWORD status = 125;
    WaitForSingleObject(run, INFINITE);
    GetExitCodeProcess(run, &status);
    CloseHandle(run);
    return status;
}

// Waits for the file to be there, for at most SECONDS; false when the run
// ends first, or at the time limit.
bool Await(const Text& path, DWORD seconds, HANDLE run)
{
    const DWORD start = GetTickCount();
    while (!Exists(path.c_str())) {
        if (WaitForSingleObject(run, 0) == WAIT_OBJECT_0 || GetTickCount() - start >= seconds * 1000)
            return false;
        Sleep(100);
    }
    return true;
}

void CheckStatus(DWORD expected, DWORD got, const Text& after)
{
    if (got != expected)
        Fail("after " + after + " the launcher's exit status was " + std::to_string(got) + ", not " +
             std::to_string(expected));
}

// With the tabs of a box's line as two blanks, for the terminal.
Text Shown(Text line)
{
    for (std::size_t at; (at = line.find('\t')) != Text::npos;)
        line.replace(at, 1, "  ");
    return line;
}

// The box in the title's language LANGUAGE (0: its default texts).
void TakeBox(const Box& box, unsigned long language)
{
    const char* caption = TITLE_Caption;
    const char* text = box.defaultText;
#if TITLE_LANGUAGES > 0
    if (language > 0) {
        caption = Languages[language - 1].texts.Caption;
        text = Languages[language - 1].texts.*box.text;
    }
#else
    static_cast<void>(language); // a title without languages has its own texts alone
#endif
    Clean();
    const HANDLE held = Arrange(box);
    Ask(box.picture);
    DWORD status = 0;
    for (int attempt = 1;; ++attempt) {
        status = Ended(StartLauncher(ShotFile));
        if (Exists(ShotFile))
            break;
        if (attempt == 2)
            Fail(Text("the launcher ended twice before its box was shot (exit status ") + std::to_string(status) + ")");
        Say("the launcher ended before its box was shot (exit status " + std::to_string(status) + "); once more");
        DeleteFileA(BoxLog);
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    const Text expected =
        Text("box caption=") + caption + "\ttext=" + text + "\tbuttons=OK\ticon=shown\towner=none\ttopmost=no\n";
    const Text got = Read(BoxLog);
    if (got != expected)
        Fail("the box watcher expected\n    " + Shown(expected) + "got\n    " + Shown(got));
    CheckStatus(box.status, status, "\"" + Text(text) + "\"");
}

// The game's installer, interactive: the script shoots its directory page and
// presses Install, then, once the descriptor is there, its finish page, and
// presses Finish. The launcher must then record the directory. The wizard is
// a dialog too, which the watcher is never let answer.
void TakeWizard()
{
    Clean();
    Entry(NotInstalledMarker);
    PutInstaller("wizard");
    Ask("installer-directory");
    const HANDLE run = StartLauncher("C:\\pictures\\never");
    if (!Await(ShotFile, 4 * stepSeconds, run))
        Fail("the installer's directory page was not shot");
    DeleteFileA(ShotFile);
    if (!Await(DescriptorPath(), stepSeconds, run))
        Fail("the installer wrote no descriptor " + DescriptorPath() + " once Install was pressed");
    Ask("installer-finish");
    if (!Await(ShotFile, 4 * stepSeconds, run))
        Fail("the installer's finish page was not shot");
    CheckStatus(1, Ended(run), "the installer");
    // The key's line as WIN.INI holds it, the key in whatever case.
    char section[4096];
    GetProfileSectionA(ProfileSection, section, sizeof section);
    Text got;
    const std::size_t keyLength = std::strlen(ProfileKey);
    for (const char* line = section; *line != '\0'; line += std::strlen(line) + 1) {
        if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, line, static_cast<int>(keyLength), ProfileKey,
                           static_cast<int>(keyLength)) == CSTR_EQUAL &&
            line[keyLength] == '=')
            got = line;
    }
    const Text want = Text(ProfileKey) + "=" + installDirectory;
    if (got != want)
        Fail("after the installer WIN.INI held \"" + got + "\", not \"" + want + "\"");
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned long language = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : TITLE_LANGUAGES + 1;
    if (argc < 4 || language > TITLE_LANGUAGES ||
        !GetSetting("PICTURES_INSTALL_DIRECTORY", installDirectory, sizeof installDirectory) ||
        !GetSetting("PICTURES_TITLE_NAME", titleName, sizeof titleName)) {
        std::fprintf(stderr,
                     "usage: PICTURES_INSTALL_DIRECTORY=DIR PICTURES_TITLE_NAME=NAME pictures.exe SECONDS "
                     "LANGUAGE PICTURE...\n");
        return 2;
    }
    stepSeconds = std::strtoul(argv[1], nullptr, 10);
    for (int i = 3; i < argc; ++i) {
        const Text picture = argv[i];
        const Box* box = nullptr;
        for (const Box& each : Boxes) {
            if (picture == each.picture)
                box = &each;
        }
        if (box != nullptr)
            TakeBox(*box, language);
        else if (picture == "wizard" && i == argc - 1)
            TakeWizard();
        else
            Fail("no picture named " + picture + (picture == "wizard" ? " but last" : ""));
    }
    return 0;
}
