// The launch sequence on the fake platform: what the player sees, what WIN.INI
// and the descriptor look like afterwards, and how the process ends.
#include "FakePlatform.h"
#include "Launcher.h"
#include "LetterCase.h"
#include "Scratch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Every name, text and limit comes from the build's title (Title.h), so that
// the same cases hold for any title.
//
// The fake's Windows directory is on C:, and the fake opens this name as a
// file of the test's working directory.
const std::string DescriptorFile = std::string("C:\\") + DescriptorFileName;
const std::string GameDir = "C:\\Games\\Game";
const std::string GameExe = GameDir + "\\" + GameExeName;
// The longest directory whose command line, "<dir>\<GameExeName>" in quotes,
// still fits the launcher's buffer with its NUL.
const std::size_t LongestGameDir = PathBufferSize - 1 - 3 - (sizeof GameExeName - 1);

// What the installer leaves: the descriptor's key, "=" and the value.
std::string KeyLine(const std::string& value)
{
    return DescriptorKey + ("=" + value);
}

// The key without its first byte: another key, which ends as the key does.
std::string KeyTail()
{
    return DescriptorKey + 1;
}

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string LowerCase(const std::string& text)
{
    return ChangedCase(text, true, false);
}
std::string UpperCase(const std::string& text)
{
    return ChangedCase(text, false, true);
}
std::string SwappedCase(const std::string& text)
{
    return ChangedCase(text, true, true);
}

struct Outcome {
    unsigned status;
    bool endedEarly; // through the process exit rather than LaunchMain's return
};

class Launch : public ::testing::Test {
protected:
    void SetUp() override { StartCase(); }

    // A fresh machine for each case of a table: an installed game at GameDir,
    // no WIN.INI entry, no descriptor.
    static void StartCase()
    {
        fake::Reset();
        fs::remove_all(DescriptorFile);
        AddGame(GameDir);
    }

    static void AddGame(const std::string& dir)
    {
        auto& state = fake::State();
        state.directories.insert(dir);
        state.directories.insert(std::string{static_cast<char>(std::tolower(dir[0])), ':', '.'});
        state.programs.insert(dir + "\\" + GameExeName);
    }

    static void SetEntry(const std::string& value) { fake::State().profile[ProfileSection][ProfileKey] = value; }

    static std::optional<std::string> Entry()
    {
        const auto& profile = fake::State().profile;
        const auto section = profile.find(ProfileSection);
        if (section == profile.end() || !section->second.count(ProfileKey))
            return std::nullopt;
        return section->second.at(ProfileKey);
    }

    static void WriteDescriptor(const std::string& bytes, const std::string& file = DescriptorFile)
    {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    static bool DescriptorExists() { return fs::exists(DescriptorFile); }

    // An installer that leaves this descriptor behind when it ends.
    static void InstallerWrites(const std::string& bytes, const std::string& file = DescriptorFile)
    {
        fake::State().installer = [bytes, file] { WriteDescriptor(bytes, file); };
    }

    // The descriptor was opened once, for reading only, by a call that
    // Windows 95 accepts, and nothing the reader opened or took is still held.
    static void ExpectDescriptorReadAndReleased(const std::string& file = DescriptorFile)
    {
        const auto& state = fake::State();
        ASSERT_EQ(1u, state.fileOpens.size());
        const fake::CreateFileCall& open = state.fileOpens[0];
        EXPECT_EQ(file, open.fileName);
        EXPECT_EQ(0x80000000u, open.desiredAccess) << "GENERIC_READ";
        EXPECT_EQ(3u, open.shareMode) << "FILE_SHARE_READ | FILE_SHARE_WRITE, never FILE_SHARE_DELETE";
        EXPECT_FALSE(open.hasSecurityAttributes);
        EXPECT_EQ(3u, open.creationDisposition) << "OPEN_EXISTING";
        EXPECT_EQ(0x80u, open.flagsAndAttributes) << "FILE_ATTRIBUTE_NORMAL";
        EXPECT_FALSE(open.hasTemplateFile);
        EXPECT_EQ(0, state.openFiles) << "files left open";
        EXPECT_EQ(0, state.heapBlocks) << "heap blocks not freed";
    }

    static Outcome Run()
    {
        char commandLine[] = "ignored arguments";
        try {
            return {static_cast<unsigned>(LaunchMain(nullptr, nullptr, commandLine, 1)), false};
        } catch (const fake::ProcessExit& exit) {
            return {exit.status, true};
        }
    }

    static std::vector<std::string> BoxTexts()
    {
        std::vector<std::string> texts;
        for (const auto& box : fake::State().messageBoxes) {
            EXPECT_EQ(nullptr, box.owner);
            EXPECT_EQ(TITLE_Caption, box.caption);
            EXPECT_EQ(16u, box.style) << "an OK button and the error icon";
            texts.push_back(box.text);
        }
        return texts;
    }

    static std::vector<std::string> GameStarts()
    {
        std::vector<std::string> lines;
        for (const auto& start : fake::State().gameStarts) {
            EXPECT_EQ(10u, start.showState);
            lines.push_back(start.commandLine);
        }
        return lines;
    }

    ScratchDirectory scratch{"launcher-test"};
};

using Texts = std::vector<std::string>;

TEST_F(Launch, LaterRunStartsTheGameFromItsDirectory)
{
    SetEntry(GameDir);

    const Outcome outcome = Run();

    EXPECT_EQ(1u, outcome.status);
    EXPECT_FALSE(outcome.endedEarly);
    EXPECT_TRUE(fake::State().processStarts.empty()) << "installer must not run";
    EXPECT_EQ((Texts{GameDir, "c:.", GameDir}), fake::State().currentDirectoryCalls);
    EXPECT_EQ(Texts{"\"" + GameExe + "\""}, GameStarts());
    EXPECT_EQ(Texts{}, BoxTexts());
    EXPECT_EQ(GameDir, Entry());
}

TEST_F(Launch, FirstRunInstallsRecordsAndStartsTheGame)
{
    InstallerWrites("[Setup]\r\n" + KeyLine(GameDir) + "\r\n");

    const Outcome outcome = Run();

    EXPECT_EQ(1u, outcome.status);
    EXPECT_FALSE(outcome.endedEarly);
    const auto& state = fake::State();
    ASSERT_EQ(1u, state.processStarts.size());
    const fake::CreateProcessCall& start = state.processStarts[0];
    EXPECT_EQ(InstallerName, start.applicationName);
    EXPECT_FALSE(start.hasCommandLine);
    EXPECT_TRUE(start.inheritHandles);
    EXPECT_EQ(16u, start.creationFlags) << "CREATE_NEW_CONSOLE";
    EXPECT_FALSE(start.hasEnvironment || start.hasCurrentDirectory || start.hasSecurityAttributes);
    EXPECT_EQ(sizeof(platform::STARTUPINFOA), start.startupInfoSize);
    EXPECT_TRUE(start.startupInfoZeroAfterSize);
    EXPECT_EQ(std::vector<platform::DWORD>{platform::Infinite}, state.waitTimeouts);
    EXPECT_EQ(Texts{"CreateProcessA"}, state.waitedFor) << "whose process handle was waited on";

    EXPECT_EQ(GameDir, Entry());
    EXPECT_FALSE(DescriptorExists());
    ExpectDescriptorReadAndReleased();
    EXPECT_EQ(Texts{DescriptorFile}, state.deletedFiles);
    EXPECT_EQ(Texts{"\"" + GameExe + "\""}, GameStarts());
    EXPECT_EQ(Texts{}, BoxTexts());
    // Read whole and closed, recorded, deleted, then the entry is read back
    // for the game. Nothing is loaded: the shell is for elevation only.
    const Texts expectedOrder{"GetProfileStringA",
                              "CreateProcessA",
                              "WaitForSingleObject",
                              "GetWindowsDirectoryA",
                              "CreateFileA",
                              "GetFileSize",
                              "GetProcessHeap",
                              "HeapAlloc",
                              "ReadFile",
                              "CloseHandle",
                              "GetProcessHeap",
                              "HeapFree",
                              "WriteProfileStringA",
                              "DeleteFileA",
                              "GetProfileStringA",
                              "SetCurrentDirectoryA",
                              "SetCurrentDirectoryA",
                              "SetCurrentDirectoryA",
                              "WinExec"};
    EXPECT_EQ(expectedOrder, state.calls);
}

TEST_F(Launch, InstallerThatNeedsElevationStartsThroughTheShell)
{
    InstallerWrites("[Setup]\r\n" + KeyLine(GameDir) + "\r\n");
    fake::State().createProcessError = 740; // ERROR_ELEVATION_REQUIRED

    const Outcome outcome = Run();

    EXPECT_EQ(1u, outcome.status);
    EXPECT_FALSE(outcome.endedEarly);
    const auto& state = fake::State();
    ASSERT_EQ(1u, state.processStarts.size()) << "CreateProcessA is tried first";
    EXPECT_EQ(InstallerName, state.processStarts[0].applicationName);
    EXPECT_EQ(Texts{state.systemDirectory + "\\shell32.dll"}, state.librariesLoaded);
    EXPECT_EQ(Texts{"ShellExecuteExA"}, state.functionsLookedUp);
    ASSERT_EQ(1u, state.shellExecutes.size());
    const fake::ShellExecuteCall& shell = state.shellExecutes[0];
    EXPECT_EQ(sizeof(platform::SHELLEXECUTEINFOA), shell.size);
    EXPECT_EQ(0x440u, shell.mask) << "SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI";
    EXPECT_EQ(nullptr, shell.owner);
    EXPECT_EQ("(null)", shell.verb) << "the default verb";
    EXPECT_EQ(std::string(".\\") + InstallerName, shell.file) << "the current directory only";
    EXPECT_EQ("(null)", shell.parameters);
    EXPECT_EQ("(null)", shell.directory);
    EXPECT_EQ(1, shell.show) << "SW_SHOWNORMAL";
    EXPECT_TRUE(shell.restZero) << "every other field zero";
    EXPECT_EQ(Texts{"ShellExecuteExA"}, state.waitedFor) << "whose process handle was waited on";
    EXPECT_EQ(std::vector<platform::DWORD>{platform::Infinite}, state.waitTimeouts);

    EXPECT_EQ(GameDir, Entry());
    EXPECT_FALSE(DescriptorExists());
    ExpectDescriptorReadAndReleased();
    EXPECT_EQ(Texts{"\"" + GameExe + "\""}, GameStarts());
    EXPECT_EQ(Texts{}, BoxTexts());
    const Texts expectedStart{"GetProfileStringA",   "CreateProcessA",      "GetLastError",
                              "GetSystemDirectoryA", "LoadLibraryA",        "GetProcAddress",
                              "ShellExecuteExA",     "WaitForSingleObject", "GetWindowsDirectoryA"};
    ASSERT_LE(expectedStart.size(), state.calls.size());
    EXPECT_EQ(expectedStart, Texts(state.calls.begin(), state.calls.begin() + expectedStart.size()));
}

// Every way the installer may fail to start ends alike: the box, status 0,
// nothing recorded. Only ERROR_ELEVATION_REQUIRED (740) goes to the shell.
TEST_F(Launch, InstallerThatCannotBeStarted)
{
    struct Case {
        const char* situation;
        platform::DWORD createProcessError;
        std::function<void()> arrange;
        bool loadsTheShell;
        bool asksTheShell;
    };
    const Case cases[] = {
        {"the player declines the prompt", 740, [] { fake::State().shellError = 1223; }, true, true},
        {"no shell32.dll", 740, [] { fake::State().shell32Present = false; }, true, false},
        {"no ShellExecuteExA in it", 740, [] { fake::State().shellExecuteExPresent = false; }, true, false},
        {"the shell gives no process handle", 740, [] { fake::State().shellGivesNoProcess = true; }, true, true},
        {"the shell finds no installer either", 740, [] { fake::State().installer = nullptr; }, true, true},
        {"file not found", 2, [] {}, false, false},
        {"access denied", 5, [] {}, false, false},
        {"error 739", 739, [] {}, false, false},
        {"error 741", 741, [] {}, false, false},
        {"ERROR_CANCELLED from CreateProcessA", 1223, [] {}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        StartCase();
        bool installerRan = false;
        fake::State().installer = [&installerRan] {
            installerRan = true;
            WriteDescriptor(KeyLine(GameDir));
        };
        fake::State().createProcessError = c.createProcessError;
        c.arrange();

        const Outcome outcome = Run();

        const auto& state = fake::State();
        EXPECT_EQ(Texts{TITLE_CannotFindInstaller}, BoxTexts());
        EXPECT_EQ(0u, outcome.status);
        EXPECT_TRUE(outcome.endedEarly);
        EXPECT_EQ(c.loadsTheShell, !state.librariesLoaded.empty());
        EXPECT_EQ(c.asksTheShell, !state.shellExecutes.empty());
        EXPECT_EQ(Texts{}, state.waitedFor);
        EXPECT_FALSE(installerRan);
        EXPECT_EQ(std::nullopt, Entry());
        EXPECT_TRUE(state.gameStarts.empty());
    }
}

// The descriptor lies in the root of the drive that holds Windows, with the
// letter in the case Windows gives it.
TEST_F(Launch, DescriptorOnTheWindowsDrive)
{
    struct Case {
        std::string windowsDirectory;
        std::string descriptor;
    };
    const std::string root = ":\\";
    for (const Case& c :
         {Case{"C:\\WINDOWS", "C" + root + DescriptorFileName}, Case{"D:\\WINDOWS", "D" + root + DescriptorFileName},
          Case{"e:\\winnt", "e" + root + DescriptorFileName}}) {
        SCOPED_TRACE("Windows in " + c.windowsDirectory);
        StartCase();
        fs::remove(c.descriptor);
        fake::State().windowsDirectory = c.windowsDirectory;
        InstallerWrites(KeyLine(GameDir) + "\r\n", c.descriptor);

        EXPECT_EQ(1u, Run().status);

        ExpectDescriptorReadAndReleased(c.descriptor);
        EXPECT_EQ(Texts{c.descriptor}, fake::State().deletedFiles);
        EXPECT_FALSE(fs::exists(c.descriptor));
        EXPECT_EQ(GameDir, Entry());
    }
}

// The descriptor cannot be read: the launcher ends quietly, leaves the file
// and WIN.INI as they are, and holds nothing open.
TEST_F(Launch, DescriptorThatCannotBeRead)
{
    struct Case {
        const char* situation;
        std::function<void()> arrange;
    };
    const Case cases[] = {
        {"cannot be opened", [] { fake::State().openFails = true; }},
        {"reading fails", [] { fake::State().readFails = true; }},
        {"size over 32 bits", [] { fake::State().fileSizeHigh = 1; }},
        {"no memory for its bytes", [] { fake::State().heapAllocFails = true; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        StartCase();
        InstallerWrites(KeyLine(GameDir) + "\r\n");
        c.arrange();

        const Outcome outcome = Run();

        EXPECT_EQ(Texts{}, BoxTexts());
        EXPECT_EQ(0u, outcome.status);
        EXPECT_TRUE(outcome.endedEarly);
        ExpectDescriptorReadAndReleased();
        EXPECT_EQ(std::nullopt, Entry());
        EXPECT_TRUE(DescriptorExists());
        EXPECT_TRUE(fake::State().gameStarts.empty());
    }
}

// WinExec tells a start by a result above 31; 31 itself is an error.
TEST_F(Launch, GameStartResult)
{
    struct Case {
        platform::UINT result;
        bool started;
    };
    for (const Case& c : {Case{0, false}, Case{2, false}, Case{31, false}, Case{32, true}, Case{33, true}}) {
        SCOPED_TRACE("WinExec gives " + std::to_string(c.result));
        StartCase();
        SetEntry(GameDir);
        fake::State().winExecResult = c.result;

        EXPECT_EQ(1u, Run().status);

        EXPECT_EQ(c.started ? Texts{} : Texts{TITLE_CannotFindGame}, BoxTexts());
    }
}

TEST_F(Launch, OnlyTheExactMarkerRunsTheInstaller)
{
    struct Case {
        std::string entry;
        bool installs;
    };
    const std::string marker = NotInstalledMarker;
    // WIN.INI reading drops blanks and quotes around a value before it is compared.
    std::vector<Case> cases = {{marker, true},
                               {marker + marker, false},
                               {marker + "x", false},
                               {"", false},
                               {" " + marker + " ", true},
                               {Quoted(marker), true},
                               {"'" + marker + "'", true},
                               {"\"" + marker, false},
                               // A locale's word sort gives these next to no weight.
                               {"-" + marker, false},
                               {"'" + marker, false},
                               {marker + "-", false},
                               {marker + "'", false}};
    // Only a marker of more than one byte can be cut short, and only one with
    // letters comes in other cases; neither is the marker.
    if (marker.size() > 1)
        cases.push_back({marker.substr(0, marker.size() - 1), false});
    for (const std::string& other : {LowerCase(marker), UpperCase(marker), SwappedCase(marker)}) {
        if (other != marker)
            cases.push_back({other, false});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE("entry \"" + c.entry + "\"");
        StartCase();
        SetEntry(c.entry);
        fake::State().directories.insert(c.entry);
        InstallerWrites(KeyLine(GameDir));

        const Outcome outcome = Run();

        EXPECT_EQ(1u, outcome.status);
        EXPECT_EQ(c.installs, !fake::State().processStarts.empty());
        ASSERT_FALSE(fake::State().currentDirectoryCalls.empty());
        EXPECT_EQ(c.installs ? GameDir : c.entry, fake::State().currentDirectoryCalls[0]);
    }
}

TEST_F(Launch, GameCommandLineAndDrive)
{
    struct Case {
        std::string dir;
        std::string drive;
        std::string commandLine;
    };
    const std::string longest(LongestGameDir, 'd');
    const std::string game = std::string("\\") + GameExeName + "\"";
    const std::string longestStart = "\"" + longest; // its command line up to the game's name
    for (const Case& c : {
             Case{"D:\\Games", "d:.", "\"D:\\Games" + game},
             Case{"e:\\Games", "e:.", "\"e:\\Games" + game},
             // Both ends of a to z, and the bytes just outside them.
             Case{"a:\\Q", "a:.", "\"a:\\Q" + game},
             Case{"z:\\Q", "z:.", "\"z:\\Q" + game},
             Case{"A:\\Q", "a:.", "\"A:\\Q" + game},
             Case{"Z:\\Q", "z:.", "\"Z:\\Q" + game},
             Case{"`:\\Q", "\x80:.", "\"`:\\Q" + game},
             Case{"{:\\Q", "\x9b:.", "\"{:\\Q" + game},
             Case{"C:\\Games\\", "c:.", "\"C:\\Games\\" + game},
             Case{"C:\\Program Files\\Q R", "c:.", "\"C:\\Program Files\\Q R" + game},
             Case{"\\\\server\\games", "|:.", "\"\\\\server\\games" + game},
             Case{"", " :.", "\"" + game},
             Case{"\xe9t\xe9", "\t:.", "\"\xe9t\xe9" + game},
             Case{longest, "d:.", longestStart + game},
         }) {
        SCOPED_TRACE("directory \"" + c.dir + "\"");
        StartCase();
        SetEntry(c.dir);
        fake::State().directories.insert(c.dir);

        EXPECT_EQ(1u, Run().status);

        EXPECT_EQ((Texts{c.dir, c.drive, c.dir}), fake::State().currentDirectoryCalls);
        EXPECT_EQ(Texts{c.commandLine}, GameStarts());
    }
}

TEST_F(Launch, DescriptorLeftFromAnEarlierRunIsRecorded)
{
    WriteDescriptor(KeyLine(GameDir) + "\n");
    fake::State().installer = [] {}; // cancelled: writes nothing

    EXPECT_EQ(1u, Run().status);
    EXPECT_EQ(GameDir, Entry());
    EXPECT_FALSE(DescriptorExists());
}

TEST_F(Launch, BlanksAroundTheValueAreDroppedByWinIni)
{
    InstallerWrites(DescriptorKey + (" = " + GameDir) + " \r\n");

    EXPECT_EQ(1u, Run().status);
    EXPECT_EQ(GameDir + " ", Entry()) << "written without the blank before it";
    EXPECT_EQ(Texts{"\"" + GameExe + "\""}, GameStarts()) << "read back without the blank after it";
}

TEST_F(Launch, FailedWaitGoesOnToTheDescriptor)
{
    InstallerWrites(KeyLine(GameDir) + "\n");
    fake::State().waitResult = 0xFFFFFFFF; // WAIT_FAILED

    EXPECT_EQ(1u, Run().status);
    EXPECT_EQ(1u, fake::State().waitTimeouts.size());
    EXPECT_EQ(GameDir, Entry());
}

// The file shrinks between the size query and the read (an installer still
// writing it, say): only the bytes read count. The rest of the buffer holds
// the fake heap's poison, which would run on into the value.
TEST_F(Launch, DescriptorThatShrankIsReadAsItIsNow)
{
    const std::string kept = KeyLine(GameDir);
    InstallerWrites(kept + "\\Extra\r\n");
    fake::State().fileShrinksTo = static_cast<platform::DWORD>(kept.size());

    EXPECT_EQ(1u, Run().status);
    EXPECT_EQ(GameDir, Entry());
    EXPECT_EQ(Texts{"\"" + GameExe + "\""}, GameStarts());
    ExpectDescriptorReadAndReleased();
}

TEST_F(Launch, LargeDescriptorIsReadWhole)
{
    std::string bytes(64 << 20, 'x');
    bytes += "\r\n" + KeyLine(GameDir) + "\r\n";
    InstallerWrites(bytes);

    EXPECT_EQ(1u, Run().status);
    EXPECT_EQ(GameDir, Entry());
    EXPECT_FALSE(DescriptorExists());
}

// Every failure: its message, how the process ends, and what it leaves behind.
TEST_F(Launch, Failures)
{
    struct Case {
        const char* situation;
        std::function<void()> arrange;
        Texts boxes;
        Outcome outcome;
        std::optional<std::string> entry; // afterwards
        bool descriptorLeft;
        bool gameStartTried;
    };
    const std::string tooLongDir(LongestGameDir + 1, 'd');
    const std::string noEntry = "(none)";
    // Laid out by hand, two lines a row: the situation, then what it leaves.
    // clang-format off
    const Case cases[] = {
        {"installer cannot be started", [] { fake::State().installer = nullptr; },
         {TITLE_CannotFindInstaller}, {0, true}, std::nullopt, false, false},
        {"installer left no descriptor", [] { fake::State().installer = [] {}; },
         {}, {0, true}, std::nullopt, false, false},
        {"installer failed but wrote the descriptor", [] { InstallerWrites(KeyLine(GameDir)); },
         {}, {1, false}, GameDir, false, true},
        {"descriptor without the key", [] { InstallerWrites(KeyTail() + "=C:\\Q\r\n"); },
         {TITLE_CannotFindDescriptor}, {0, true}, std::nullopt, true, false},
        {"empty descriptor", [] { InstallerWrites(""); },
         {TITLE_CannotFindDescriptor}, {0, true}, std::nullopt, true, false},
        {"key without an equals sign", [] { InstallerWrites(DescriptorKey + std::string(" C:\\Q\r\n")); },
         {TITLE_CannotFindDescriptor}, {0, true}, std::nullopt, true, false},
        {"value too long for its buffer", [] { InstallerWrites(KeyLine(std::string(PathBufferSize, 'v'))); },
         {TITLE_CannotFindDescriptor}, {0, true}, std::nullopt, true, false},
        {"descriptor is a directory", [] { fake::State().installer = [] { fs::create_directory(DescriptorFile); }; },
         {}, {0, true}, std::nullopt, true, false},
        {"Windows directory unknown", [] {
             InstallerWrites(KeyLine(GameDir));
             fake::State().windowsDirectoryFails = true;
         },
         {}, {0, true}, std::nullopt, true, false},
        {"WIN.INI not writable", [] {
             InstallerWrites(KeyLine(GameDir));
             fake::State().profileWritable = false;
         },
         {TITLE_CannotWriteProfile}, {0, true}, std::nullopt, true, false},
        {"directory cannot be made current", [] { SetEntry("C:\\Missing"); },
         {TITLE_CannotSetDirectory}, {1, false}, "C:\\Missing", false, false},
        {"empty value recorded, then no such directory", [] { InstallerWrites(KeyLine("") + "\r\n"); },
         {TITLE_CannotSetDirectory}, {1, false}, "", false, false},
        {"no game in the directory", [] {
             SetEntry("C:\\Empty");
             fake::State().directories.insert("C:\\Empty");
         },
         {TITLE_CannotFindGame}, {1, false}, "C:\\Empty", false, true},
        {"command line too long for its buffer", [&] {
             SetEntry(tooLongDir);
             AddGame(tooLongDir);
         },
         {TITLE_CannotFindGame}, {1, false}, tooLongDir, false, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        StartCase();
        c.arrange();

        const Outcome outcome = Run();

        EXPECT_EQ(c.boxes, BoxTexts());
        EXPECT_EQ(c.outcome.status, outcome.status);
        EXPECT_EQ(c.outcome.endedEarly, outcome.endedEarly);
        EXPECT_EQ(c.entry.value_or(noEntry), Entry().value_or(noEntry));
        EXPECT_EQ(c.descriptorLeft, DescriptorExists());
        EXPECT_EQ(c.gameStartTried, !fake::State().gameStarts.empty());
    }
}

// shell32 is loaded from the system directory by its full path, in a buffer
// of PathBufferSize bytes. A directory that leaves no room for "\shell32.dll"
// and the NUL is never cut short and loaded: it counts as no shell32.
TEST_F(Launch, ShellLoadedFromTheSystemDirectoryOnly)
{
    const std::string name = "\\shell32.dll";
    const std::size_t longest = PathBufferSize - name.size() - 1;
    // A directory of `length` bytes, with a letter at its end to show a cut.
    const auto directoryOf = [](std::size_t length) { return "C:\\" + std::string(length - 4, 's') + "Z"; };
    struct Case {
        std::string situation;
        std::string systemDirectory;
        bool callFails;
        bool starts;
    };
    const Case cases[] = {
        {"Windows 95's", "C:\\WINDOWS\\SYSTEM", false, true},
        {"another drive's", "D:\\WINNT\\system32", false, true},
        {"the longest that fits with the name", directoryOf(longest), false, true},
        {"one byte longer", directoryOf(longest + 1), false, false},
        {"one byte short of the buffer", directoryOf(PathBufferSize - 1), false, false},
        {"as long as the buffer", directoryOf(PathBufferSize), false, false},
        {"longer than the buffer", directoryOf(PathBufferSize + 40), false, false},
        {"GetSystemDirectoryA fails", "C:\\WINDOWS\\SYSTEM", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation + " (" + std::to_string(c.systemDirectory.size()) + " bytes)");
        StartCase();
        InstallerWrites(std::string(DescriptorKey) + "=" + GameDir + "\r\n");
        auto& state = fake::State();
        state.createProcessError = 740; // ERROR_ELEVATION_REQUIRED
        state.systemDirectory = c.systemDirectory;
        state.systemDirectoryFails = c.callFails;

        const Outcome outcome = Run();

        int directoryCalls = 0;
        for (const std::string& call : state.calls)
            directoryCalls += call == "GetSystemDirectoryA" ? 1 : 0;
        EXPECT_EQ(1, directoryCalls) << "GetSystemDirectoryA calls";
        EXPECT_EQ(c.starts ? Texts{c.systemDirectory + name} : Texts{}, state.librariesLoaded);
        EXPECT_EQ(c.starts ? 1u : 0u, state.shellExecutes.size());
        EXPECT_EQ(c.starts ? Texts{} : Texts{TITLE_CannotFindInstaller}, BoxTexts());
        EXPECT_EQ(c.starts ? 1u : 0u, outcome.status);
        EXPECT_EQ(!c.starts, outcome.endedEarly);
        EXPECT_EQ(c.starts ? std::optional<std::string>(GameDir) : std::nullopt, Entry());
    }
}

} // namespace
