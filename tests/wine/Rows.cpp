// The launcher's end-to-end scenarios, a row each (Scenario.h says how they
// run). Each starts from the same world: C:\Setup holds the launcher and the
// stand-in installer, C:\Setup\Files the game the installer copies, and
// WIN.INI says the game is in the title's directory, between other keys and
// sections. A row changes what it needs, launches, and states the whole
// outcome. Every name, text and limit is the build's title's (Title.h).
//
// A row marked Proof also runs on the second sample title: together they
// show each of a title's names and texts at work.
#include "Scenario.h"

#include "Title.h"

#include <cstdio>

namespace {

const Text Marker = NotInstalledMarker;
const Text Key = DescriptorKey;

Outcome LaterRunOutcome(const Text& dir)
{
    return {Status(1), Ini::Unchanged(), Descriptor::Gone(), Programs(Game(dir)), Boxes()};
}

Outcome NoDirectory(const char* box)
{
    return {Status(1), Ini::Unchanged(), Descriptor::Gone(), Programs(), Boxes(box)};
}

// --- later runs ----------------------------------------------------------------

void LaterRun(Scenario& s)
{
    s.GameIn(InstalledDir());
    // Should the installer run by mistake it would leave a descriptor.
    s.InstallerInstalls("C:\\Games\\Other");
    s.Launch(LaterRunOutcome(InstalledDir()));
}

void DirectoryMissing(Scenario& s)
{
    s.Entry("C:\\Games\\Gone");
    s.InstallerInstalls("C:\\Games\\Other");
    s.Launch(NoDirectory(BoxTexts().CannotSetDirectory));
}

void DirectoryWithoutGame(Scenario& s)
{
    s.Entry("C:\\Games\\Empty");
    s.Put("C:\\Games\\Empty");
    s.InstallerInstalls("C:\\Games\\Other");
    s.Launch(NoDirectory(BoxTexts().CannotFindGame));
}

void TrailingBackslash(Scenario& s)
{
    s.Entry(InstalledDir() + "\\");
    s.GameIn(InstalledDir());
    s.Launch({Status(1), Ini::Unchanged(), Descriptor::Gone(),
              Programs(Game(InstalledDir(), "\"" + InstalledDir() + "\\\\" + GameExeName + "\"")), Boxes()});
}

// Unquoted, "C:\Games\Q R\<GameExeName>" would start C:\Games\Q.exe.
void DirectoryWithSpaces(Scenario& s)
{
    s.Entry("C:\\Games\\Q R");
    s.GameIn("C:\\Games\\Q R");
    s.DecoyAt("C:\\Games\\Q.exe");
    s.Launch(LaterRunOutcome("C:\\Games\\Q R"));
}

// Two quotes, a backslash and the game's name take the rest of the 259 bytes
// the game's command line may have.
void LongestGameDirectory(Scenario& s)
{
    const Text dir = LongDirectory(GameDirectoryMax);
    s.Entry(dir);
    s.GameIn(dir);
    s.Launch(LaterRunOutcome(dir));
}

void GameCommandLineTooLong(Scenario& s)
{
    const Text dir = LongDirectory(GameDirectoryMax + 1);
    s.Entry(dir);
    s.GameIn(dir);
    s.Launch(NoDirectory(BoxTexts().CannotFindGame));
}

// --- what the entry says -------------------------------------------------------

// Only an entry of exactly the title's marker means "not installed"; anything
// else is a directory.
void EntryUsedAsDirectory(Scenario& s, const Text& value)
{
    s.Entry(value);
    s.InstallerInstalls("C:\\Games\\Other");
    s.Launch(NoDirectory(BoxTexts().CannotSetDirectory));
}

// TEXT in another letter case, or the row is not for this title.
bool InOtherCase(Scenario& s, const Text& text, Text& other)
{
    other = OtherCase(text);
    if (other.empty())
        s.NotForThisTitle("\"" + text + "\" has no letter to write in another case");
    return !other.empty();
}

// WIN.INI keys are found whatever their letter case.
void EntryKeyInAnotherCase(Scenario& s)
{
    Text key;
    if (!InOtherCase(s, ProfileKey, key))
        return;
    s.WinIni({"[" + Text(ProfileSection) + "]", key + "=" + InstalledDir()});
    s.GameIn(InstalledDir());
    s.Launch(LaterRunOutcome(InstalledDir()));
}

// WIN.INI gives the value without the quotes around it.
void EntryInQuotes(Scenario& s)
{
    s.Entry("\"" + InstalledDir() + "\"");
    s.GameIn(InstalledDir());
    s.Launch(LaterRunOutcome(InstalledDir()));
}

// --- first runs ------------------------------------------------------------------

// The installer takes its time: a launcher that did not wait would find no
// descriptor yet. It installs into the title's directory, as the real one does.
void FirstRun(Scenario& s)
{
    s.InstallerEnv("TEST_INSTALL_DELAY_MS=1000");
    s.InstallerInstalls(InstalledDir());
    s.Launch({Status(1), Ini::Entry(InstalledDir()), Descriptor::Gone(),
              Programs(StandInInstaller(), Game(InstalledDir())), Boxes()});
}

void InstallerEnds(Scenario& s, const char* status)
{
    s.Entry(Marker);
    s.InstallerEnv(Text("TEST_INSTALL_EXIT=") + status);
    FirstRun(s);
}

Outcome HandOffEnds(bool descriptorKept, Programs programs, Boxes boxes)
{
    return {Status(0), Ini::Unchanged(), descriptorKept ? Descriptor::Kept() : Descriptor::Gone(), std::move(programs),
            std::move(boxes)};
}

// The installer is started from the current directory only, never found
// through the search path.
void InstallerOnlyOnSearchPath(Scenario& s)
{
    s.Entry(Marker);
    s.Remove(Text(SetupDir) + "\\" + InstallerName);
    s.PutFile("C:\\windows", HelperPath(InstallerName));
    s.PutFile("C:\\windows\\system32", HelperPath(InstallerName));
    s.InstallerInstalls("C:\\Games\\Fresh");
    s.Launch(HandOffEnds(false, Programs(), Boxes(BoxTexts().CannotFindInstaller)));
}

void DescriptorLeftFromEarlierRun(Scenario& s)
{
    s.Entry(Marker);
    s.DescriptorBefore("[Setup]\r\n" + Key + "=C:\\Games\\Left\r\n");
    s.GameIn("C:\\Games\\Left");
    s.Launch({Status(1), Ini::Entry("C:\\Games\\Left"), Descriptor::Gone(),
              Programs(StandInInstaller(), Game("C:\\Games\\Left")), Boxes()});
}

void WinIniUnwritable(Scenario& s)
{
    s.Entry(Marker);
    s.InstallerInstalls("C:\\Games\\Fresh");
    s.WinIniUnwritable();
    s.Launch(HandOffEnds(true, Programs(StandInInstaller()), Boxes(BoxTexts().CannotWriteProfile)));
}

// --- the descriptor's bytes --------------------------------------------------------

// The installer writes BYTES; VALUE is recorded, and the game starts from DIR
// (VALUE as WIN.INI gives it back).
void DescriptorGives(Scenario& s, const Text& value, const Text& dir, const Text& bytes)
{
    s.Entry(Marker);
    s.GameIn(dir);
    s.InstallerWrites(bytes);
    s.Launch({Status(1), Ini::Entry(value), Descriptor::Gone(), Programs(StandInInstaller(), Game(dir)), Boxes()});
}

// The installer writes BYTES, which hold no value the launcher may use.
void DescriptorRefused(Scenario& s, const Text& bytes)
{
    s.Entry(Marker);
    s.InstallerWrites(bytes);
    s.Launch(HandOffEnds(true, Programs(StandInInstaller()), Boxes(BoxTexts().CannotFindDescriptor)));
}

// Recorded as it is, then used: no such directory.
void DescriptorValueUsed(Scenario& s, const Text& value, const Text& bytes)
{
    s.Entry(Marker);
    s.InstallerWrites(bytes);
    s.Launch({Status(1), Ini::Entry(value), Descriptor::Gone(), Programs(StandInInstaller()),
              Boxes(BoxTexts().CannotSetDirectory)});
}

// Random bytes, without the first of the key's, so that they never hold it.
void DescriptorRandomBytes(Scenario& s)
{
    Text bytes;
    unsigned state = 1995; // the same bytes on every run
    while (bytes.size() < 4096) {
        state = state * 1103515245u + 12345u;
        const char byte = static_cast<char>(state >> 16);
        if (byte != Key[0])
            bytes.push_back(byte);
    }
    DescriptorRefused(s, bytes);
}

// Of a byte the key does not hold.
void DescriptorOf64MiB(Scenario& s)
{
    char filler = 'x';
    for (const char candidate : Text("xyz-_")) {
        filler = candidate;
        if (Key.find(candidate) == Text::npos)
            break;
    }
    DescriptorGives(s, "C:\\Games\\Huge", "C:\\Games\\Huge",
                    Text(64u << 20, filler) + "\r\n" + Key + "=C:\\Games\\Huge\r\n");
}

// The descriptor cannot be opened as a file: the launcher ends quietly.
void DescriptorIsADirectory(Scenario& s)
{
    s.Entry(Marker);
    s.Put(DescriptorPath());
    s.Launch(HandOffEnds(true, Programs(StandInInstaller()), Boxes()));
}

// --- the player's lifecycle with the real installer --------------------------------
// NSIS makes 32-bit programs only: these rows are the 32-bit suite's. The
// installer also writes the registry (its Add/Remove Programs entry), which
// suite.sh compares with the template's afterwards: each row ends by
// uninstalling, which removes it again.

const char Silent[] = "silent";

// A first run through the real installer into DIR, checked in full; the
// rows then find WIN.INI as it was before it in WinIniBefore().
bool FirstRunInto(Scenario& s, const Text& dir)
{
    s.NoEntry();
    if (!s.UseRealInstaller(Silent))
        return false;
    if (dir != InstalledDir())
        s.InstallsInto(dir);
    s.Launch(
        {Status(1), Ini::Entry(dir), Descriptor::Gone(), Programs(RealInstaller(dir, "done"), Game(dir)), Boxes()});
    s.ExpectInstalled(dir, true);
    return true;
}

void NsisFirstAndLaterRun(Scenario& s)
{
    Note("first run: the installer runs, the game starts from where it installed");
    if (!FirstRunInto(s, InstalledDir()))
        return;
    Note("later run: the game starts, the installer does not run");
    s.Launch(LaterRunOutcome(InstalledDir()));
    s.Uninstall(InstalledDir());
}

void NsisUninstallAndReinstall(Scenario& s)
{
    const Text dir = InstalledDir();
    if (!FirstRunInto(s, dir))
        return;
    const Text first = s.WinIniBefore();
    Note("uninstall: files, both WIN.INI entries and a leftover descriptor gone");
    // What a standard user's launcher leaves on Vista to 11: its WIN.INI
    // write in the VirtualStore, and the descriptor it could not delete.
    const Text store = s.VirtualStoreWinIni();
    Text ini;
    ReadBytes(WinIniPath(), ini);
    s.Put(store.substr(0, store.find_last_of('\\')));
    if (!WriteBytes(store, ini))
        Fail("could not write " + store);
    s.DescriptorBefore(Key + "=" + dir + "\r\n");
    s.Uninstall(dir);
    s.ExpectNoEntry(WinIniPath(), first, "WIN.INI");
    s.ExpectNoEntry(store, first, "the VirtualStore copy of WIN.INI");
    Check("descriptor after uninstalling", "absent", Exists(DescriptorPath()) ? "present" : "absent");

    Note("the next start runs the installer again");
    s.UseRealInstaller(Silent);
    s.Launch(
        {Status(1), Ini::Entry(dir), Descriptor::Gone(), Programs(RealInstaller(dir, "done"), Game(dir)), Boxes()});
    s.ExpectInstalled(dir, true);
    s.Uninstall(dir);
}

// It had copied the files and registered the uninstaller, which the player
// can use to remove them.
void NsisCancelled(Scenario& s)
{
    s.NoEntry();
    if (!s.UseRealInstaller("cancel"))
        return;
    const Program installer = {"installer",
                               {{"cmdline", "\"" + Text(InstallerName) + "\""},
                                {"directory", InstalledDir()},
                                {"cancelled", "before the descriptor"}}};
    s.Launch({Status(0), Ini::Unchanged(), Descriptor::Gone(), Programs(installer), Boxes()});
    s.Uninstall(InstalledDir());
}

// The launcher keeps the descriptor when it cannot record it: so it can be
// read as the installer wrote it, one line ended by CR LF. The uninstaller
// then removes it.
void NsisDescriptorAsWritten(Scenario& s)
{
    s.NoEntry();
    if (!s.UseRealInstaller(Silent))
        return;
    s.WinIniUnwritable();
    s.Launch({Status(0), Ini::Unchanged(), Descriptor::Kept(), Programs(RealInstaller(InstalledDir(), "done")),
              Boxes(BoxTexts().CannotWriteProfile)});
    Text bytes;
    ReadBytes(DescriptorPath(), bytes);
    Check("descriptor's bytes", Key + "=" + InstalledDir() + "\r\n", bytes);
    s.Uninstall(InstalledDir());
    Check("descriptor after uninstalling", "absent", Exists(DescriptorPath()) ? "present" : "absent");
}

// Unquoted, "<directory> Deluxe\<game>" would start what comes before the
// first blank, with .exe added.
void NsisDirectoryWithSpaces(Scenario& s)
{
    const Text dir = InstalledDir() + " Deluxe";
    s.DecoyAt(dir.substr(0, dir.find(' ')) + ".exe");
    if (!FirstRunInto(s, dir))
        return;
    const Text first = s.WinIniBefore();
    s.Uninstall(dir);
    s.ExpectNoEntry(WinIniPath(), first, "WIN.INI");
}

// The installer takes the longest directory from which the game starts (its
// command line "<directory>\<GameExeName>" in quotes) and its uninstaller
// "<directory>\uninstall.exe" can be removed (Windows' path limit), and
// refuses one byte more before it copies anything.
void NsisDirectoryLength(Scenario& s)
{
    const unsigned limit = InstallDirectoryMax();
    Note("a directory of " + std::to_string(limit + 1) + " bytes: refused, nothing installed");
    Text dir = LongDirectory(limit + 1);
    s.NoEntry();
    if (!s.UseRealInstaller(Silent))
        return;
    s.InstallsInto(dir);
    s.Launch({Status(0), Ini::Unchanged(), Descriptor::Gone(), Programs(RealInstaller(dir, "failed")), Boxes()});
    s.ExpectInstalled(dir, false);

    Note("a directory of " + std::to_string(limit) + " bytes: installed, the game starts");
    s.ClearRunEnvironment();
    dir = LongDirectory(limit);
    if (!FirstRunInto(s, dir))
        return;
    // And one byte more would not have worked: the game's command line or a
    // file's path would have been too long.
    const std::size_t pathMax = 259;
    const std::size_t line = limit + 1 + 3 + Text(GameExeName).size();
    const std::size_t path = limit + 1 + 1 + LongestPathUnder(dir);
    Check("the longest path or command line with one byte more, over " + std::to_string(pathMax) + " bytes", "yes",
          line > pathMax || path > pathMax ? "yes" : "no: " + std::to_string(line) + " and " + std::to_string(path));
    s.Uninstall(dir);
}

// --- the disc in drive D:, as AutoPlay starts it -------------------------------------

const char AutoPlayStarted[] = "autoplay: started D:\\Launcher.exe in D:\\";

void DiscFirstRun(Scenario& s)
{
    if (!s.InsertDisc(false))
        return;
    s.NoEntry();
    s.InstallerInstalls(InstalledDir());
    const Text dir = InstalledDir();
    Program installer = {"installer", {{"cmdline", "\"" + Text(InstallerName) + "\""}, {"cwd", "D:\\"}}};
    if (!s.DiscInstallerIsStandIn())
        installer = {"installer", {{"started_from", "D:"}, {"directory", dir}, {"result", "done"}}};
    s.Launch({Status(1), Ini::Entry(dir), Descriptor::Gone(), Programs(installer, Game(dir)), Boxes()});
    Check("AutoPlay", AutoPlayStarted, s.autoplayLine);
    s.ExpectDiscUntouched();
    if (s.DiscInstallerIsStandIn()) {
        Check("the game installed", "yes", Exists(dir + "\\" + GameExeName) ? "yes" : "no");
    } else {
        s.ExpectInstalled(dir, true);
        s.Uninstall(dir);
    }
}

void DiscLaterRun(Scenario& s)
{
    if (!s.InsertDisc(false))
        return;
    s.GameIn(InstalledDir());
    // Should the installer run by mistake it would leave a descriptor.
    s.InstallerInstalls("C:\\Games\\Other");
    s.Launch(LaterRunOutcome(InstalledDir()));
    Check("AutoPlay", AutoPlayStarted, s.autoplayLine);
    s.ExpectDiscUntouched();
}

// A disc whose AUTORUN.INF names a program that is not on it: AutoPlay says
// what it found, and nothing runs.
void DiscProgramMissing(Scenario& s)
{
    if (!s.InsertDisc(true))
        return;
    s.NoEntry();
    s.InstallerInstalls(InstalledDir());
    s.Launch({Status(2), Ini::Unchanged(), Descriptor::Gone(), Programs(), Boxes()});
    Check("AutoPlay", "autoplay: D:\\AUTORUN.INF names D:\\Launcher.exe, which is not on the disc", s.autoplayLine);
    s.ExpectDiscUntouched();
}

} // namespace

// clang-format off
const Row Rows[] = {
    {"later_run", Proof, LaterRun},
    {"directory_missing", Proof | Language, DirectoryMissing},
    {"directory_without_game", Proof | Language, DirectoryWithoutGame},
    {"trailing_backslash", Plain, TrailingBackslash},
    {"directory_with_spaces", Plain, DirectoryWithSpaces},
    {"longest_game_directory", Proof, LongestGameDirectory},
    {"game_command_line_too_long", Proof, GameCommandLineTooLong},

    {"entry_marker_doubled", Proof, [](Scenario& s) { EntryUsedAsDirectory(s, Marker + Marker); }},
    {"entry_marker_and_letter", Plain, [](Scenario& s) { EntryUsedAsDirectory(s, Marker + "x"); }},
    {"entry_empty", Plain, [](Scenario& s) { EntryUsedAsDirectory(s, ""); }},
    // The marker is compared byte for byte: another letter case is a directory.
    {"entry_marker_in_another_case", Proof, [](Scenario& s) {
        Text marker;
        if (InOtherCase(s, Marker, marker))
            EntryUsedAsDirectory(s, marker);
    }},
    {"entry_key_in_another_case", Plain, EntryKeyInAnotherCase},
    {"entry_in_quotes", Plain, EntryInQuotes},

    {"first_run_without_entry", Proof, [](Scenario& s) { s.NoEntry(); FirstRun(s); }},
    {"first_run_with_marker", Proof, [](Scenario& s) { s.Entry(Marker); FirstRun(s); }},
    {"first_run_marker_with_blanks", Plain, [](Scenario& s) { s.Entry(" " + Marker + " "); FirstRun(s); }},
    {"first_run_without_section", Plain, [](Scenario& s) {
        s.WinIni({"[windows]", "load=", "[mail]", "MAPI=1"});
        FirstRun(s);
    }},
    {"installer_fails_after_writing", Plain, [](Scenario& s) { InstallerEnds(s, "3"); }},
    // 259 is what Windows reports for a process still running: a launcher that
    // asked for the exit status in a loop would never end.
    {"installer_exit_status_259", Plain, [](Scenario& s) { InstallerEnds(s, "259"); }},
    {"installer_cancelled", Plain, [](Scenario& s) {
        s.Entry(Marker);
        s.Launch(HandOffEnds(false, Programs(StandInInstaller()), Boxes()));
    }},
    {"installer_only_on_search_path", Proof | Language, InstallerOnlyOnSearchPath},
    {"descriptor_left_from_earlier_run", Plain, DescriptorLeftFromEarlierRun},
    {"win_ini_unwritable", Proof | Language, WinIniUnwritable},

    {"descriptor_crlf", Proof, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Crlf", "C:\\Games\\Crlf", "[Setup]\r\n" + Key + "=C:\\Games\\Crlf\r\nGroup=Q\r\n");
    }},
    {"descriptor_key_inside_longer_word", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Word", "C:\\Games\\Word", "My" + Key + "s=C:\\Games\\Word\r\n");
    }},
    {"descriptor_first_occurrence_wins", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\One", "C:\\Games\\One", Key + "=C:\\Games\\One\r\n" + Key + "=C:\\Games\\Two\r\n");
    }},
    {"descriptor_equals_on_later_line", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Later", "C:\\Games\\Later", Key + "\r\nOther\r\nName=C:\\Games\\Later\r\n");
    }},
    // The blank before the value is not written to WIN.INI, the one after it
    // is not given back.
    {"descriptor_spaces_around_equals", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Spaced ", "C:\\Games\\Spaced", Key + " = C:\\Games\\Spaced \r\n");
    }},
    {"descriptor_nul_before_key", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Zero", "C:\\Games\\Zero", Text("\0\0", 2) + Key + "=C:\\Games\\Zero\r\n");
    }},
    {"descriptor_nul_inside_value", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Zero", "C:\\Games\\Zero", Key + "=C:\\Games\\Zero" + Text(1, '\0') + "rest\r\n");
    }},
    {"descriptor_lone_cr_at_end", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Cr", "C:\\Games\\Cr", Key + "=C:\\Games\\Cr\r");
    }},
    // The first CR is dropped and the second kept; WIN.INI does not give it back.
    {"descriptor_two_crs", Plain, [](Scenario& s) {
        DescriptorGives(s, "C:\\Games\\Cr\r", "C:\\Games\\Cr", Key + "=C:\\Games\\Cr\r\r\n");
    }},
    {"descriptor_ctrl_z_before_key", Plain, [](Scenario& s) { DescriptorRefused(s, "\032" + Key + "=C:\\Games\\Z\r\n"); }},
    // The key is compared byte for byte.
    {"descriptor_key_in_another_case", Proof, [](Scenario& s) {
        Text key;
        if (InOtherCase(s, Key, key))
            DescriptorRefused(s, key + "=C:\\Games\\Case\r\n");
    }},
    {"descriptor_empty", Language, [](Scenario& s) { DescriptorRefused(s, ""); }},
    {"descriptor_key_without_equals", Plain, [](Scenario& s) {
        DescriptorRefused(s, "[Setup]\r\n" + Key + " C:\\Games\\X\r\n");
    }},
    {"descriptor_value_of_260_bytes", Plain, [](Scenario& s) {
        DescriptorRefused(s, Key + "=" + LongDirectory(260) + "\r\n");
    }},
    // Kept whole, recorded, then used: no such directory.
    {"descriptor_value_of_259_bytes", Plain, [](Scenario& s) {
        DescriptorValueUsed(s, LongDirectory(259), Key + "=" + LongDirectory(259) + "\r\n");
    }},
    // An empty value is recorded, then used: no such directory.
    {"descriptor_empty_value", Plain, [](Scenario& s) {
        DescriptorValueUsed(s, "", Key + "=\r\nNext=C:\\Games\\Next\r\n");
    }},
    {"descriptor_random_bytes", Plain, DescriptorRandomBytes},
    {"descriptor_of_64_mib", Plain, DescriptorOf64MiB},
    {"descriptor_is_a_directory", Plain, DescriptorIsADirectory},
    {"nsis_first_and_later_run", Proof | Win32Only | Language, NsisFirstAndLaterRun},
    {"nsis_uninstall_and_reinstall", Proof | Win32Only, NsisUninstallAndReinstall},
    {"nsis_cancelled", Win32Only, NsisCancelled},
    {"nsis_descriptor_as_written", Win32Only, NsisDescriptorAsWritten},
    {"nsis_directory_with_spaces", Win32Only, NsisDirectoryWithSpaces},
    {"nsis_directory_length", Proof | Win32Only, NsisDirectoryLength},

    {"disc_first_run", Proof | Win32Only, DiscFirstRun},
    {"disc_later_run", Win32Only, DiscLaterRun},
    {"disc_program_missing", Win32Only, DiscProgramMissing},
};
// clang-format on
const std::size_t RowCount = sizeof Rows / sizeof Rows[0];
