// The launcher's end-to-end scenarios as rows of one Windows program, run
// inside one Wine (or on a real Windows, by hand): each row arranges a world
// through the Windows API, starts Launcher.exe in a job object, answers its
// boxes, waits for everything it started to end, and compares the whole
// outcome. Rows are in Rows.cpp; this is what they are written with.
#pragma once

#include "Texts.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Text = std::string; // bytes in the title's code page, as the programs see them

// --- what a launch must give ----------------------------------------------
// Each aspect has only explicit constructors: an outcome that leaves one out
// does not compile.

struct Status {
    explicit Status(int value) : value(value) {}
    int value;
};

// WIN.INI after the run: byte for byte as before, or with only the title's
// entry set.
struct Ini {
    static Ini Unchanged() { return Ini(false, Text()); }
    static Ini Entry(Text value) { return Ini(true, std::move(value)); }
    bool entry;
    Text value;

private:
    Ini(bool entry, Text value) : entry(entry), value(std::move(value)) {}
};

struct Descriptor {
    static Descriptor Kept() { return Descriptor(true); }
    static Descriptor Gone() { return Descriptor(false); }
    bool kept;

private:
    explicit Descriptor(bool kept) : kept(kept) {}
};

// One program the run started, with what it must have recorded of itself.
struct Program {
    Text who;                                  // "installer", "game" or "decoy"
    std::vector<std::pair<Text, Text>> values; // what=value, each as recorded
};

struct Programs {
    template <typename... P> explicit Programs(P... programs) : list{programs...} {}
    std::vector<Program> list;
};

// The launcher's boxes, in order: each the title's caption, an OK button and
// the error icon, owned by no window.
struct Boxes {
    template <typename... T> explicit Boxes(T... texts) : texts{Text(texts)...} {}
    std::vector<Text> texts;
};

struct Outcome {
    Status status;
    Ini ini;
    Descriptor descriptor;
    Programs programs;
    Boxes boxes;
};

// --- the programs, as the rows expect them ---------------------------------

extern const char SetupDir[]; // where the launcher starts, beside the installer

Program StandInInstaller();                                 // started by name, in SetupDir, on its own console
Program Game(const Text& dir);                              // "DIR\<game>" in DIR
Program Game(const Text& dir, const Text& line);            // in DIR, with that command line
Program RealInstaller(const Text& dir, const char* result); // the NSIS installer's record

// --- the rows ---------------------------------------------------------------

enum Mark : unsigned {
    Plain = 0,
    Proof = 1,     // shows a name or text of the title at work: run on every title
    Win32Only = 2, // needs what only a 32-bit build has (the NSIS installer, the disc)
    Language = 4,  // shows a box, or a first run: run in each language's locale too
};

// The caption and the five texts the boxes must show, as the launcher holds
// them (Texts.h): the title's default texts, or under --language=N those of
// its N-th language.
const MessageTexts& BoxTexts();

class Scenario;
struct Row {
    const char* name;
    unsigned marks;
    void (*body)(Scenario&);
};
extern const Row Rows[];
extern const std::size_t RowCount;

// The title's values the rows need besides Title.h's: from the environment,
// which Wine gives in the code page.
Text InstalledDir();            // the title's installation directory
unsigned InstallDirectoryMax(); // the longest one its installer takes
Text TitleName();               // the game's name

// A directory C:\Games\ddd... of that many bytes.
Text LongDirectory(std::size_t length);
// TEXT with each letter in the other case; empty when it has none.
Text OtherCase(const Text& text);

// One row's world and its launches.
class Scenario {
public:
    // WIN.INI: the standard lines with the entry, without it, or these lines.
    void Entry(const Text& value);
    void NoEntry();
    void WinIni(const std::vector<Text>& lines);

    void Put(const Text& dir);                       // makes the directory
    void PutFile(const Text& dir, const Text& file); // copies a file into it
    void GameIn(const Text& dir);                    // the stand-in game in DIR
    void DecoyAt(const Text& path);                  // a program that must never run
    void Remove(const Text& path);

    // The stand-in installer's behaviour (its environment).
    void InstallerEnv(const Text& setting);
    void InstallerInstalls(const Text& dir); // copies the game there, names it in the descriptor
    void InstallerWrites(const Text& bytes); // writes these bytes as the descriptor
    void DescriptorBefore(const Text& bytes);
    // The real installer, silent or cancel, in place of the stand-in.
    bool UseRealInstaller(const char* variant);
    void InstallsInto(const Text& dir);

    // WIN.INI held open without write sharing: WriteProfileStringA fails.
    void WinIniUnwritable();

    // Starts the launcher (from the launch directory, or as AutoPlay does
    // from the disc) and compares the outcome.
    void Launch(const Outcome& expected);
    // The disc in drive D:, a CD-ROM drive, or a disc without the launcher;
    // false when there is none to insert. Launch then starts what AutoPlay does.
    bool InsertDisc(bool withoutLauncher);
    void ExpectDiscUntouched();
    bool DiscInstallerIsStandIn() const;

    void NotForThisTitle(const Text& why);

    // Lifecycle: installed files and the Add/Remove Programs entry, and the uninstaller.
    void ExpectInstalled(const Text& dir, bool installed);
    void Uninstall(const Text& dir);
    Text WinIniBefore() const { return winIniBefore; }
    void ExpectNoEntry(const Text& path, const Text& firstIni, const char* what);
    Text VirtualStoreWinIni();

    // The helpers' record of the last launch: values of WHO's WHAT.
    Text Recorded(const char* who, const char* what) const;
    void ClearRunEnvironment() { runEnvironment.clear(); }

    bool skipped = false;
    Text skipReason;
    int launches = 0;
    Text launchDir = SetupDir;
    Text autoplayLine;  // what AutoPlay said, for the disc rows
    Text realInstaller; // the NSIS installer's variant in use, if any
    bool fromDisc = false;
    std::vector<std::function<void()>> undo; // done in reverse when the row ends
    std::vector<Text> runEnvironment;
    Text winIniBefore;
    std::vector<std::pair<Text, Text>> log; // "who", "what=value", in order
    std::vector<std::pair<Text, Text>> discBefore;
};

// --- checks: each prints what it wanted and what it got ---------------------

void Check(const Text& what, const Text& expected, const Text& got);
void Check(const Text& what, long expected, long got);
void Fail(const Text& what);
void Note(const Text& line);

// Files and bytes.
bool ReadBytes(const Text& path, Text& bytes);
bool WriteBytes(const Text& path, const Text& bytes);
bool Exists(const Text& path);
Text DescriptorPath();
Text WinIniPath();
Text HelperPath(const char* name);             // a file beside this program
std::size_t LongestPathUnder(const Text& dir); // of a file, relative to DIR
