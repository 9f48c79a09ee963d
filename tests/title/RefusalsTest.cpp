// The title file's reader (cmake/title/) on tables of titles, run in this
// process as its program runs (title::Tool): what it says, its exit status
// and the files it writes are the program's own. Each row of Refusals makes
// one or more changes to the default title and says what the reader must make
// of them: a refusal, naming the file, the line, the key and why. Each row of
// CarriedValues gives an odd value a publisher may need and the exact bytes it
// writes into a generated file, or the value that sourcing title.sh (bash) or
// including title.cmake (cmake -P) gives, in a child. Then what the tables
// cannot say: the good titles and the sample's icon, the guide's table of
// languages, a title folder with a line feed in its name, a title at the
// text limits and how long it takes, and a bad title stopping a configure.
#include "TitleTool.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const std::string Source = TITLE_TEST_SOURCE_DIR;
const std::string DefaultTitle = Source + "/titles/quorvale/title.ini";

// A folder of this run's own, removed with everything in it at the end.
class Scratch {
public:
    Scratch()
    {
        std::string pattern = (fs::temp_directory_path() / "title-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror(pattern.c_str());
            std::abort();
        }
        path = fs::canonical(pattern).string();
    }
    ~Scratch()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    std::string path;
};

const std::string& Work()
{
    static const Scratch scratch;
    return scratch.path;
}

// The row's title, beside both sample icons, and the folder it is read into.
const std::string TitleFolder = Work() + "/t";
const std::string TitleFile = TitleFolder + "/title.ini";
const std::string Out = Work() + "/out";
// The spoilt icons (MakeIcons).
const std::string Ico = Work() + "/ico";

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Repeat(const std::string& text, std::size_t times)
{
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i)
        repeated += text;
    return repeated;
}

// TEXT's lines, without their line feeds.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// The number (from 1) of the first line starting with START; 0 for none.
int LineStarting(const std::vector<std::string>& lines, const std::string& start)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, start.size(), start) == 0)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

int LineOfKey(const std::vector<std::string>& lines, const std::string& key)
{
    return LineStarting(lines, key + " =");
}

// One change of the default title, as a row writes it; the changed line:
//   "KEY = VALUE"    the key's line becomes this one (one the title lacks, files
//                    or directory, goes after [installer])
//   "+START> LINES"  LINES (\n between them) go after the first line starting with START
//   "-KEY"           the key's line goes
int Change(std::vector<std::string>& lines, const std::string& change)
{
    const auto insert = [&lines](int after, const std::string& text) {
        const std::vector<std::string> added = Lines(text);
        lines.insert(lines.begin() + after, added.begin(), added.end());
        return after + 1;
    };
    if (change[0] == '-') {
        const int line = LineOfKey(lines, change.substr(1));
        if (line == 0) {
            ADD_FAILURE() << "the title has no " << change.substr(1);
            return 0;
        }
        lines.erase(lines.begin() + line - 1);
        return line;
    }
    if (change[0] == '+') {
        const std::size_t end = change.find("> ");
        const int after = LineStarting(lines, change.substr(1, end - 1));
        if (after == 0)
            ADD_FAILURE() << "no line of the title starts with " << change.substr(1, end - 1);
        return insert(after, change.substr(end + 2));
    }
    std::string key = change.substr(0, change.find('='));
    if (!key.empty() && key.back() == ' ')
        key.pop_back();
    const int line = LineOfKey(lines, key);
    if (line == 0)
        return insert(LineStarting(lines, "[installer]"), change);
    lines.erase(lines.begin() + line - 1);
    return insert(line - 1, change);
}

// The row's title: the default one with the row's changes, written to
// TitleFile, nothing in Out.
struct Made {
    std::vector<std::string> lines;
    int changed = 0; // the line of the last change
};

Made MakeTitle(const std::vector<std::string>& changes)
{
    fs::remove_all(TitleFolder);
    fs::remove_all(Out);
    fs::create_directories(TitleFolder);
    fs::copy_file(Source + "/titles/quorvale/icon.txt", TitleFolder + "/icon.txt");
    fs::copy_file(Source + "/titles/sternenwaechter/icon.ico", TitleFolder + "/icon.ico");
    Made made{Lines(ReadBytes(DefaultTitle))};
    for (const std::string& change : changes)
        made.changed = Change(made.lines, change);
    WriteBytes(TitleFile, Joined(made.lines));
    return made;
}

// The reader as its program runs: its exit status, and what it says on
// standard output and standard error.
struct Said {
    int status;
    std::string text;
};

Said RunReader(const std::string& title, const std::string& outdir)
{
    std::string out;
    std::string err;
    const int status = title::Tool({title, outdir}, out, err);
    return {status, out + err};
}

// What a row expects said, as the row writes it: ": WHY" on the changed line
// (TitleFile:LINE: WHY), ":+N: WHY" N lines after it, ":KEY: WHY" on the line
// of KEY; any other text as it is, anywhere in what is said.
std::string Expected(const std::string& row, const Made& made)
{
    if (row.compare(0, 2, ": ") == 0)
        return TitleFile + ":" + std::to_string(made.changed) + row;
    const std::size_t colon = row.find(':', 1);
    if (row[0] != ':' || colon == std::string::npos)
        return row;
    const std::string between = row.substr(1, colon - 1);
    const int line = between[0] == '+' ? made.changed + std::stoi(between.substr(1)) : LineOfKey(made.lines, between);
    return TitleFile + ":" + std::to_string(line) + row.substr(colon);
}

// The title refused: each of SAYS said, the refusals in the order of their
// lines, and nothing written.
void ExpectRefused(const Said& said, const Made& made, const std::vector<std::string>& says)
{
    EXPECT_EQ(said.status, 1) << said.text;
    for (const std::string& row : says) {
        const std::string expected = Expected(row, made);
        EXPECT_NE(said.text.find(expected), std::string::npos) << "expected: " << expected << "\nsaid: " << said.text;
    }
    std::vector<int> lines;
    const std::string prefix = TitleFile + ":";
    for (const std::string& line : Lines(said.text)) {
        if (line.compare(0, prefix.size(), prefix) == 0 &&
            std::isdigit(static_cast<unsigned char>(line[prefix.size()])))
            lines.push_back(std::stoi(line.substr(prefix.size())));
    }
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end())) << "not in the order of the lines:\n" << said.text;
    EXPECT_FALSE(fs::exists(Out + "/Title.h")) << "written";
}

// A program run in a child, with no shell between (nothing needs quoting),
// in DIR, under LC_ALL=C: its exit status and what it prints on standard
// output and standard error.
Said Child(const std::vector<std::string>& command, const std::string& dir = "")
{
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int ends[2];
    if (pipe(ends) != 0)
        return {-1, "no pipe"};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(ends[1], STDOUT_FILENO);
        dup2(ends[1], STDERR_FILENO);
        close(ends[0]);
        close(ends[1]);
        setenv("LC_ALL", "C", 1);
        if (dir.empty() || chdir(dir.c_str()) == 0)
            execvp(argv[0], argv.data());
        _exit(127);
    }
    close(ends[1]);
    Said said{-1, ""};
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(ends[0], buffer, sizeof buffer)) > 0)
        said.text.append(buffer, static_cast<std::size_t>(got));
    close(ends[0]);
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        said.status = WEXITSTATUS(status);
    return said;
}

// The values of the variables NAMES as sourcing the title.sh in Out gives
// them, in bash, run in DIR.
std::vector<std::string> ShellValues(const std::vector<std::string>& names, const std::string& dir)
{
    std::vector<std::string> command = {
        "bash", "-c", R"(source "$1" || exit 1; for name in "${@:2}"; do printf '%s\0' "${!name}"; done)", "bash",
        Out + "/title.sh"};
    command.insert(command.end(), names.begin(), names.end());
    const Said said = Child(command, dir);
    EXPECT_EQ(said.status, 0) << said.text;
    std::vector<std::string> values;
    for (std::size_t start = 0; start < said.text.size();) {
        const std::size_t end = std::min(said.text.find('\0', start), said.text.size());
        values.push_back(said.text.substr(start, end - start));
        start = end + 1;
    }
    values.resize(names.size(), "(not printed)");
    return values;
}

// The same for including the title.cmake in Out, in cmake -P: each value
// written to a file of its own.
std::vector<std::string> CMakeValues(const std::vector<std::string>& names)
{
    const std::string script = Work() + "/show.cmake";
    const std::string folder = Work() + "/cmake-values";
    fs::remove_all(folder);
    fs::create_directories(folder);
    WriteBytes(script, R"(include("${title}")
foreach(name IN LISTS names)
    file(WRITE "${folder}/${name}" "${${name}}")
endforeach()
)");
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ";") + name;
    const Said said = Child(
        {TITLE_TEST_CMAKE, "-Dtitle=" + Out + "/title.cmake", "-Dfolder=" + folder, "-Dnames=" + list, "-P", script});
    EXPECT_EQ(said.status, 0) << said.text;
    std::vector<std::string> values;
    values.reserve(names.size());
    for (const std::string& name : names) {
        const fs::path value = fs::path(folder) / name;
        values.push_back(fs::exists(value) ? ReadBytes(value.string()) : "(not written)");
    }
    return values;
}

// .ico files spoilt one way each, from the sample's good one (22 bytes of
// header and entry, then the 40-byte bitmap header at 22): NAME has BYTES at AT.
struct Spoilt {
    const char* name;
    std::size_t at;
    std::string bytes;
};
const Spoilt SpoiltIcos[] = {
    {"size.ico", 14, "\x00\x04\x00\x00"s},
    {"offset.ico", 18, "\x00\x04\x00\x00"s},
    {"short.ico", 14, "\xbc\x02\x00\x00"s},
    {"tall.ico", 26, "\x30\x00\x00\x00\x60\x00\x00\x00"s},
    {"rle.ico", 38, "\x02\x00\x00\x00"s},
    {"planes.ico", 34, "\x00\x00"s},
    {"negative.ico", 30, "\xc0\xff\xff\xff"s},
    {"bits.ico", 36, "\x08\x00"s},
    {"png.ico", 22, "\x89PNG\r\n\x1a\n"s},
    {"two.ico", 4, "\x02\x00"s},
    {"big.ico", 6, "\x30\x30"s},
};

// TEXT with each line that is FROM made TO.
std::string LinesReplaced(const std::string& text, const std::string& from, const std::string& to)
{
    std::vector<std::string> lines = Lines(text);
    std::replace(lines.begin(), lines.end(), from, to);
    return Joined(lines);
}

// The spoilt .ico files, one cut off after its directory, and grids of one
// palette line, of a row of 31 pixels and of a palette out of order.
void MakeIcons()
{
    fs::create_directories(Ico);
    const std::string ico = ReadBytes(Source + "/titles/sternenwaechter/icon.ico");
    for (const Spoilt& spoilt : SpoiltIcos)
        WriteBytes(Ico + "/" + spoilt.name,
                   ico.substr(0, spoilt.at) + spoilt.bytes + ico.substr(spoilt.at + spoilt.bytes.size()));
    WriteBytes(Ico + "/cut.ico", ico.substr(0, 22));
    const std::string grid = ReadBytes(Source + "/titles/quorvale/icon.txt");
    WriteBytes(Ico + "/few.txt", "palette 0 000000\n");
    WriteBytes(Ico + "/row.txt",
               LinesReplaced(grid, "..." + std::string(26, '0') + "...", "..." + std::string(25, '0') + "..."));
    WriteBytes(Ico + "/order.txt", LinesReplaced(grid, "palette 3 808000", "palette 4 808000"));
}

// A language's five texts after its caption, and a whole German section.
const std::string Texts = "CannotFindInstaller = i\nCannotFindDescriptor = d\nCannotWriteProfile = w\n"
                          "CannotSetDirectory = s\nCannotFindGame = g";
const std::string German = "[messages de]\nCaption = Fehler\n" + Texts;
const std::string LongExe = std::string(189, 'G') + ".exe";
const std::string LongDirectory = "C:\\" + std::string(243, 'd');
const std::string LongName = std::string(237, 'q');
const std::string LongCaptionRu = Repeat("ж", 256);

// A title the reader refuses: what a row changes (Change), then what the
// reader says (Expected).
struct Refusal {
    const char* what;
    std::vector<std::string> changes;
    std::vector<std::string> says;
};
const Refusal Refusals[] = {
    // The file's lines and keys.
    {"a key misspelt", {"+ProfileKey> ProfileSeciton = Quorvale"}, {": [settings] ProfileSeciton: unknown key"}},
    {"an unknown section", {"+[messages]> [mesages]"}, {": [mesages]: unknown section"}},
    {"a missing setting", {"-ProfileKey"}, {"[settings] ProfileKey: missing"}},
    {"an empty text", {"CannotFindGame ="}, {": [messages] CannotFindGame: empty"}},
    {"a key given twice",
     {"+GameExeName> GameExeName = Other.exe"},
     {": [settings] GameExeName: key given twice (first on line"}},
    {"a line that is no key = value",
     {"+[title]> name Quorvale"},
     {": [title] name Quorvale: not a comment, a [section] or a key = value line"}},
    {"two keys run together",
     {"+[messages]> Caption CannotFindInstaller = stray"},
     {": [messages] Caption CannotFindInstaller: unknown key"}},
    {"three keys run together", {"+[title]> name codepage icon = x"}, {": [title] name codepage icon: unknown key"}},
    {"a key that is part of a key", {"+[settings]> Descriptor = x"}, {": [settings] Descriptor: unknown key"}},
    {"a NUL in a text", {"Caption = Er\0ror"s}, {": [messages] Caption: holds U+0000 (a control character)"}},
    {"a NUL in a section", {"+[installer]> [mess\0ages]"s}, {R"(: [mess\x00ages]: unknown section)"}},
    {"a NUL in a setting", {"ProfileKey = Pa\0th"s}, {": [settings] ProfileKey: holds U+0000"}},
    {"a tab in a text", {"CannotFindGame = Cannot\tfind"}, {": [messages] CannotFindGame: holds U+0009"}},
    {"a byte that is not UTF-8",
     {"CannotFindGame = Spiel l\344uft"},
     {": [messages] CannotFindGame: holds the byte 0xE4, which is not UTF-8"}},
    // The settings.
    {"a wildcard in a file name",
     {"GameExeName = Quor?.exe"},
     {R"(: [settings] GameExeName: holds "?"; a file name holds none of)"}},
    {"a file name ending in a dot",
     {"DescriptorFileName = marlock."},
     {": [settings] DescriptorFileName: a file name does not end in a dot"}},
    {"a device name", {"InstallerName = con.exe"}, {R"(: [settings] InstallerName: "con" is a device name)"}},
    {"a device name with a blank",
     {"DescriptorFileName = AUX .ini"},
     {R"(: [settings] DescriptorFileName: "AUX" is a device name)"}},
    {"a program not ending in .exe",
     {"InstallerName = install.com"},
     {": [settings] InstallerName: a program's name ends in .exe"}},
    {"a ; in a program's name",
     {"InstallerName = set;up.exe"},
     {R"(: [settings] InstallerName: holds ";", which the build reads as the end of a name)"}},
    {"a program name leaving the directory 63 bytes",
     {"GameExeName = " + LongExe},
     {": [settings] GameExeName: 193 bytes leave the directory 63 of the 259 bytes"}},
    {"a ] in the section",
     {"ProfileSection = Quor]vale"},
     {": [settings] ProfileSection: a WIN.INI section name holds no ]"}},
    {"a = in the WIN.INI key", {"ProfileKey = Pa=th"}, {": [settings] ProfileKey: a WIN.INI key holds no ="}},
    {"a WIN.INI key starting with ;",
     {"ProfileKey = ;Path"},
     {": [settings] ProfileKey: a WIN.INI key does not start with ;"}},
    {"a quoted marker",
     {R"(NotInstalledMarker = "*")"},
     {": [settings] NotInstalledMarker: starts or ends with a quote"}},
    {"a = in the descriptor's key", {"DescriptorKey = Destination=Path"}, {": [settings] DescriptorKey: holds no ="}},
    {"a Ctrl-Z in the descriptor's key",
     {"DescriptorKey = Destination\032Path"},
     {": [settings] DescriptorKey: holds U+001A (a control character): the descriptor is read as text"}},
    {"a setting outside ASCII",
     {"ProfileSection = Quorvale €"},
     {R"(: [settings] ProfileSection: holds "€" (U+20AC); a setting is printable ASCII)"}},
    // What NSIS reads in a string before its $$.
    {R"($\t in the section)",
     {R"(ProfileSection = Quor$\tvale)"},
     {R"(: [settings] ProfileSection: holds "$\": makensis reads)"}},
    {"${ in the name", {"name = Ca${PRODUCT}"}, {R"(: [title] name: holds "${": makensis reads)"}},
    {"$% in the descriptor's key",
     {"DescriptorKey = Path$%TEMP%"},
     {R"(: [settings] DescriptorKey: holds "$%": makensis reads)"}},
    {R"($\ in the directory)",
     {R"(directory = C:\Games\Ca$\new)"},
     {R"(: [installer] directory: "C:\Games\Ca$\new": holds "$\": makensis reads)"}},
    // Names that land on another file.
    {"the descriptor as AUTOEXEC.BAT",
     {"DescriptorFileName = AUTOEXEC.BAT"},
     {R"(: [settings] DescriptorFileName: "AUTOEXEC.BAT" is AUTOEXEC.BAT, a file Windows keeps in the root of its drive)"}},
    {"the descriptor as config.sys",
     {"DescriptorFileName = config.sys"},
     {R"(: [settings] DescriptorFileName: "config.sys" is CONFIG.SYS, a file Windows keeps)"}},
    {"the descriptor as boot.ini",
     {"DescriptorFileName = Boot.ini"},
     {R"(: [settings] DescriptorFileName: "Boot.ini" is BOOT.INI)"}},
    {"the installer as the launcher",
     {"InstallerName = launcher.EXE"},
     {R"(: [settings] InstallerName: "launcher.EXE" is the launcher's own name)"}},
    {"the game as the installer",
     {"GameExeName = Install.exe"},
     {R"(: [settings] GameExeName: "Install.exe" is also the InstallerName (line 21))"}},
    {"the game as the uninstaller",
     {"GameExeName = uninstall.exe"},
     {R"(: [settings] GameExeName: "uninstall.exe" is the uninstaller's name)"}},
    // The texts.
    {"a character the code page lacks",
     {"CannotFindGame = Spiel nicht gefunden ☹"},
     {R"(: [messages] CannotFindGame: code page 1252 has no "☹" (U+2639))"}},
    {"a name the code page lacks", {"name = Квест"}, {R"(: [title] name: code page 1252 has no "К" (U+041A))"}},
    {"a multi-byte code page",
     {"codepage = 65001"},
     {R"(: [title] codepage: "65001" is not a single-byte Windows code page)"}},
    {R"(a \ in the name)",
     {R"(name = AC\DC)"},
     {R"(: [title] name: holds "\", which would split the installer's Add/Remove Programs key)"}},
    // The default directory from the name, under the rules of a given one.
    {"a colon and a ? in the name, no directory",
     {"-directory", "name = Quorvale: Die Rückkehr?"},
     {R"(: [title] name: cannot make the default directory "C:\Games\Quorvale: Die Rückkehr?": the folder "Quorvale: Die Rückkehr?" holds ":"; Windows allows none of \ / : * ? " < > | in a folder's name; give [installer] directory)"}},
    {"a / in the name, no directory",
     {"-directory", "name = Quorvale I/II"},
     {R"(: [title] name: cannot make the default directory "C:\Games\Quorvale I/II": the folder "Quorvale I/II" holds "/")"}},
    {R"(a \ in the name, no directory)",
     {"-directory", R"(name = AC\DC)"},
     {R"(: [title] name: cannot make the default directory "C:\Games\AC\DC": the folder "AC\DC" holds "\")",
      R"(: [title] name: holds "\", which would split)"}},
    {"a name ending in a dot, no directory",
     {"-directory", "name = Quorvale Inc."},
     {R"(: [title] name: cannot make the default directory "C:\Games\Quorvale Inc.": the folder "Quorvale Inc." ends in a dot or a blank)"}},
    {"a device name as the name, no directory",
     {"-directory", "name = Aux"},
     {R"(: [title] name: cannot make the default directory "C:\Games\Aux": the folder "Aux" is the device "Aux")"}},
    {"a name too long for the default directory",
     {"-directory", "name = " + LongName},
     {R"(: [title] name: cannot make the default directory "C:\Games\qqqq)",
      "246 bytes; the installer takes at most 245; give [installer] directory"}},
    // Every path rule of Windows for a given directory.
    {"a directory with a trailing backslash",
     {R"(directory = C:\Games\Quorvale\)"},
     {R"(: [installer] directory: "C:\Games\Quorvale\": an empty folder name (a \ at the end, or two in a row))"}},
    {"a directory with an empty folder",
     {R"(directory = C:\Games\\Quorvale)"},
     {R"(: [installer] directory: "C:\Games\\Quorvale": an empty folder name)"}},
    {"a directory through ..",
     {R"(directory = C:\Games\..\Windows)"},
     {R"(: [installer] directory: "C:\Games\..\Windows": the folder "..": Windows reads it as the folder itself or its parent)"}},
    {"a directory through .",
     {R"(directory = C:\.\Games)"},
     {R"(: [installer] directory: "C:\.\Games": the folder ".")"}},
    {"a folder ending in a dot",
     {R"(directory = C:\Games.\Quorvale)"},
     {R"(: [installer] directory: "C:\Games.\Quorvale": the folder "Games." ends in a dot or a blank)"}},
    {"a folder ending in a blank",
     {R"(directory = C:\Games \Quorvale)"},
     {R"(: [installer] directory: "C:\Games \Quorvale": the folder "Games " ends in a dot or a blank)"}},
    {"a device as the last folder",
     {R"(directory = C:\Games\NUL)"},
     {R"(: [installer] directory: "C:\Games\NUL": the folder "NUL" is the device "NUL")"}},
    {"a device as a folder on the way",
     {R"(directory = C:\CON\Quorvale)"},
     {R"(: [installer] directory: "C:\CON\Quorvale": the folder "CON" is the device "CON")"}},
    {"a device with an extension",
     {R"(directory = C:\Games\com1.dir)"},
     {R"(: [installer] directory: "C:\Games\com1.dir": the folder "com1.dir" is the device "com1")"}},
    {"a character Windows forbids",
     {R"(directory = C:\Games\Quor*vale)"},
     {R"(: [installer] directory: "C:\Games\Quor*vale": the folder "Quor*vale" holds "*")"}},
    {"a directory on no drive",
     {R"(directory = Games\Quorvale)"},
     {R"(: [installer] directory: "Games\Quorvale": is not a full path on a drive)"}},
    {"an installation directory over the limit",
     {"directory = " + LongDirectory},
     {": [installer] directory: 246 bytes; the installer takes at most 245"}},
    // The icon: a grid, and .ico files spoilt byte by byte.
    {"an icon neither grid nor .ico",
     {"icon = title.ini"},
     {": [title] icon: title.ini is neither the text grid (.txt) nor a .ico"}},
    {"an icon that is not there", {"icon = none.ico"}, {": [title] icon: no such file:"}},
    {"a grid of one palette line",
     {"icon = " + Ico + "/few.txt"},
     {": [title] icon: " + Ico + "/few.txt: 1 palette lines and 0 rows; the grid has 16 and 32"}},
    {"a grid row of 31 pixels",
     {"icon = " + Ico + "/row.txt"},
     {": [title] icon: " + Ico + "/row.txt:24: a row has 31 pixels, not 32"}},
    {"a grid palette out of order",
     {"icon = " + Ico + "/order.txt"},
     {": [title] icon: " + Ico + "/order.txt:9: palette entries come in order 0 to F"}},
    {"an .ico cut off after its directory",
     {"icon = " + Ico + "/cut.ico"},
     {": [title] icon: " + Ico +
      "/cut.ico: its entry says 744 bytes at offset 22, which do not lie inside its 22 bytes"}},
    {"an .ico whose entry's size lies",
     {"icon = " + Ico + "/size.ico"},
     {": [title] icon: " + Ico + "/size.ico: its entry says 1024 bytes at offset 22, which do not lie inside"}},
    {"an .ico whose entry's offset lies",
     {"icon = " + Ico + "/offset.ico"},
     {": [title] icon: " + Ico + "/offset.ico: its entry says 744 bytes at offset 1024, which do not lie inside"}},
    {"an .ico whose entry's size is short",
     {"icon = " + Ico + "/short.ico"},
     {": [title] icon: " + Ico +
      "/short.ico: its entry says 700 bytes; a 32x32 16-colour image with its mask has 744"}},
    {"an .ico of a 48x96 bitmap under a 32x32 entry",
     {"icon = " + Ico + "/tall.ico"},
     {": [title] icon: " + Ico + "/tall.ico: its image is 48x96; a 32x32 icon's bitmap is 32x64"}},
    {"an .ico compressed with RLE",
     {"icon = " + Ico + "/rle.ico"},
     {": [title] icon: " + Ico + "/rle.ico: its image is compressed (kind 2)"}},
    {"an .ico of zero planes",
     {"icon = " + Ico + "/planes.ico"},
     {": [title] icon: " + Ico + "/planes.ico: its image has 0 planes, not 1"}},
    {"an .ico of a negative height",
     {"icon = " + Ico + "/negative.ico"},
     {": [title] icon: " + Ico + "/negative.ico: its image is 32x-64"}},
    {"an .ico of 256 colours",
     {"icon = " + Ico + "/bits.ico"},
     {": [title] icon: " + Ico + "/bits.ico: its image has 8 bits a pixel, not 4"}},
    {"an .ico of a PNG image",
     {"icon = " + Ico + "/png.ico"},
     {": [title] icon: " + Ico + "/png.ico: its image has no 40-byte bitmap header"}},
    {"an .ico of two images",
     {"icon = " + Ico + "/two.ico"},
     {": [title] icon: " + Ico + "/two.ico: holds 2 image(s), the first 32x32"}},
    {"an .ico of 48x48",
     {"icon = " + Ico + "/big.ico"},
     {": [title] icon: " + Ico + "/big.ico: holds 1 image(s), the first 48x48"}},
    // The languages: [messages LANG] after the default texts.
    {"an unknown language",
     {"+volume> [messages xx]\nCaption = x"},
     {R"(: [messages xx]: unknown language "xx"; the codes are ISO 639-1, with the script where Windows has two: af ar)"}},
    {"Serbian without its script",
     {"+volume> [messages sr]\nCaption = x"},
     {R"(: [messages sr]: unknown language "sr"; Windows writes it in two scripts, each with its code page: give sr-Cyrl or sr-Latn)"}},
    {"a language given twice, in another letter case",
     {"+volume> " + German + "\n[messages DE]\nCaption = Fehler"},
     {":+7: [messages DE]: language given twice (first on line"}},
    {"a letter the language's code page lacks",
     {"+volume> [messages pl]\nCaption = Błąd Ω\n" + Texts},
     {R"(:+1: [messages pl] Caption: code page 1250 has no "Ω" (U+03A9))"}},
    {"a name the language's code page lacks",
     {"+volume> [messages ru]\nname = Quorvalé\nCaption = Ошибка\n" + Texts},
     {R"(:+1: [messages ru] name: code page 1251 has no "é" (U+00E9))"}},
    {"a language's texts missing",
     {"+volume> [messages de]\nCaption = Fehler"},
     {": [messages de] CannotFindInstaller: missing: every text of a language must be given",
      ": [messages de] CannotFindGame: missing", "title.ini: 5 mistake(s)"}},
    {"a language's empty text",
     {"+volume> [messages de]\nCaption =\n" + Texts},
     {":+1: [messages de] Caption: empty: every text needs a value"}},
    {"a language's empty name",
     {"+volume> [messages de]\nname =\nCaption = Fehler\n" + Texts},
     {":+1: [messages de] name: empty: leave it out for [title] name"}},
    {"an unknown key in a language",
     {"+volume> " + German + "\ndirectory = C:\\Spiele"},
     {":+7: [messages de] directory: unknown key (the keys of a language are: name Caption CannotFindInstaller"}},
    {"a language's caption over the limit",
     {"+volume> [messages ru]\nCaption = " + LongCaptionRu + "\n" + Texts},
     {":+1: [messages ru] Caption: 256 bytes in code page 1251; the caption has at most 255"}},
    {"a language's control character",
     {"+volume> [messages de]\nCaption = Feh\tler\n" + Texts},
     {":+1: [messages de] Caption: holds U+0009"}},
    {R"($\ in a language's text)",
     {"+volume> [messages de]\nCaption = 50% $\\t\n" + Texts},
     {R"(:+1: [messages de] Caption: holds "$\": makensis reads)"}},
    {"a default text outside ASCII, with languages",
     {"CannotFindGame = Spiel nicht gefunden – bitte neu installieren", "+volume> " + German},
     {R"(:CannotFindGame: [messages] CannotFindGame: holds "–" (U+2013); with languages the default texts are printable ASCII)"}},
    {"a default name outside ASCII, with languages",
     {"name = Quorvalé", "+volume> " + German},
     {R"(:name: [title] name: holds "é" (U+00E9); with languages the default texts are printable ASCII)"}},
    {"Croatian and Serbian Latin, alike to Windows",
     {"+volume> [messages hr]\nCaption = Greška\n" + Texts + "\n[messages sr-Latn]\nCaption = Greška\n" + Texts},
     {":+7: [messages sr-Latn]: Windows reports the same primary language (0x1a) and code page (1250) for it as for "
      "[messages hr] (line"}},
    {"Norwegian's two codes, alike to Windows",
     {"+volume> [messages nb]\nCaption = Feil\n" + Texts + "\n[messages no]\nCaption = Feil\n" + Texts},
     {":+7: [messages no]: Windows reports the same primary language (0x14) and code page (1252)"}},
    {"three mistakes of languages at once",
     {"+volume> [messages xx]\nCaption = x\n[messages cs]\nCaption = Chyba ñ\nCannotFindInstaller = i\nCaption = "
      "again"},
     {": [messages xx]: unknown language", R"(:+3: [messages cs] Caption: code page 1250 has no "ñ")",
      ":+5: [messages cs] Caption: key given twice", ":+2: [messages cs] CannotFindGame: missing",
      "title.ini: 7 mistake(s)"}},
    // The rest.
    {"a volume outside the d-characters",
     {"volume = Quorvale"},
     {R"(: [disc] volume: "Quorvale" is not 1 to 32 of A-Z)"}},
    {"installer files that are not there", {"files = no-such-folder"}, {": [installer] files: no such folder"}},
    // Every mistake of a title in one run, counted, each naming what is at fault.
    {"three mistakes at once",
     {"GameExeName = Quor?.exe", "CannotFindGame = Er\0ror"s, R"(directory = C:\Games\Quor|vale)"},
     {R"(:GameExeName: [settings] GameExeName: holds "?")", ":CannotFindGame: [messages] CannotFindGame: holds U+0000",
      R"(:directory: [installer] directory: "C:\Games\Quor|vale": the folder "Quor|vale" holds "|")",
      "title.ini: 3 mistake(s); nothing was built from it"}},
};

// An odd value a title may give, carried exactly: what a row changes
// (Change), then each generated file and a line it must hold once, whole, or
// sh:VARIABLE or cmake:VARIABLE and the value that sourcing title.sh or
// including title.cmake gives.
struct Carry {
    std::string file;
    std::string want;
};
struct Carried {
    const char* what;
    std::vector<std::string> changes;
    std::vector<Carry> carries;
};
const Carried CarriedValues[] = {
    {R"(a $, a " and an & in the name)",
     {R"(name = Ca$h & "Carry" 2)"},
     {
         {"title.nsh", R"(!define TITLE_NAME "Ca$$h & $\"Carry$\" 2")"},
         {"title.nsh", R"(!define TITLE_NAME_DOUBLED_AMPERSANDS "Ca$$h && $\"Carry$\" 2")"},
         {"title.sh", R"(TITLE_name_utf8='Ca$h & "Carry" 2')"},
         {"sh:TITLE_name", R"(Ca$h & "Carry" 2)"},
         {"sh:TITLE_DISC_VOLUME", "QUORVALE"},
     }},
    {"an & in the name",
     {"name = Might & Magic", "-volume"},
     {
         {"title.nsh", R"(!define TITLE_NAME_DOUBLED_AMPERSANDS "Might && Magic")"},
         {"sh:TITLE_DISC_VOLUME", "MIGHT___MAGIC"},
     }},
    {"a name outside ASCII, no directory",
     {"name = Sternenwächter", "-directory", "-volume"},
     {
         {"title.nsh", "!define TITLE_DIRECTORY \"C:\\Games\\Sternenw\344chter\""},
         {"sh:TITLE_INSTALL_DIRECTORY_utf8", R"(C:\Games\Sternenwächter)"},
         {"sh:TITLE_INSTALL_DIRECTORY", "C:\\Games\\Sternenw\344chter"},
         {"sh:TITLE_DISC_VOLUME", "STERNENWACHTER"},
     }},
    {"a $ in the section",
     {"ProfileSection = Quor$vale"},
     {
         {"Title.h", R"(inline constexpr char ProfileSection[] = "Quor$vale";)"},
         {"title.nsh", R"(!define TITLE_ProfileSection "Quor$$vale")"},
         {"title.cmake", "set(TITLE_ProfileSection [==[Quor$vale]==])"},
         {"sh:TITLE_ProfileSection", "Quor$vale"},
         {"cmake:TITLE_ProfileSection", "Quor$vale"},
     }},
    {R"(quotes and a \ in the descriptor's key)",
     {R"(DescriptorKey = Ziel"Pfad'\)"},
     {
         {"Title.h", R"(inline constexpr char DescriptorKey[] = "Ziel\"Pfad'\\";)"},
         {"title.nsh", R"(!define TITLE_DescriptorKey "Ziel$\"Pfad'\")"},
         {"sh:TITLE_DescriptorKey", R"(Ziel"Pfad'\)"},
         {"cmake:TITLE_DescriptorKey", R"(Ziel"Pfad'\)"},
     }},
    {"a ]==] in the installer's name",
     {"InstallerName = ]==]setup.exe"},
     {
         {"title.cmake", "set(TITLE_InstallerName [===[]==]setup.exe]===])"},
         {"cmake:TITLE_InstallerName", "]==]setup.exe"},
     }},
    {"a command in the marker",
     {"NotInstalledMarker = $(touch PWNED)`touch PWNED`"},
     {
         {"sh:TITLE_NotInstalledMarker", "$(touch PWNED)`touch PWNED`"},
         {"Title.h", R"(inline constexpr char NotInstalledMarker[] = "$(touch PWNED)`touch PWNED`";)"},
     }},
    {R"(a $\, quotes and a dash in a text)",
     {R"(CannotFindGame = 50% $\t "fertig" – ok)"},
     {
         {"Title.h", R"(#define TITLE_CannotFindGame "50% $\\t \"fertig\" \226 ok")"},
         {"Title.h", R"(#define TITLE_CannotFindGame_utf8 "50% $\\t \"fertig\" \342\200\223 ok")"},
         {"sh:TITLE_CannotFindGame_utf8", R"(50% $\t "fertig" – ok)"},
     }},
    {"a $ and an & in the directory",
     {R"(directory = C:\Games\Ca$h & Co)"},
     {
         {"title.nsh", R"(!define TITLE_DIRECTORY "C:\Games\Ca$$h & Co")"},
         {"sh:TITLE_INSTALL_DIRECTORY", R"(C:\Games\Ca$h & Co)"},
     }},
    {"blanks around the key and the value",
     {"ProfileKey = \t  Path  \t"},
     {
         {"Title.h", R"(inline constexpr char ProfileKey[] = "Path";)"},
     }},
    {"a CR at the end of a line",
     {"Caption = Fehler\r"},
     {
         {"Title.h", R"(#define TITLE_Caption "Fehler")"},
     }},
    {"a comment holding ; and =",
     {"+[messages]> ; a comment; with = in it"},
     {
         {"Title.h", R"(#define TITLE_Caption "Error")"},
     }},
    {"no languages",
     {"ProfileKey = Path"},
     {
         {"Title.h", "#define TITLE_LANGUAGES 0"},
         {"sh:TITLE_LANGUAGE_COUNT", "0"},
         {"title.nsh", "!define TITLE_LANGUAGE_COUNT 0"},
     }},
    // A language's texts and name in its code page, in every generated file.
    {"Polish, with a name",
     {"+volume> [messages pl]\nname = Gra Błąd & Co\nCaption = Błąd\n" + Texts},
     {
         {"Title.h", "#define TITLE_LANGUAGES 1"},
         {"Title.h", R"(    {0x15, 1250, {"B\263\271d", "i", "d", "w", "s", "g"}}, /* pl */)"},
         {"sh:TITLE_LANGUAGES", "pl"},
         {"sh:TITLE_LANGUAGE_1_LANGID", "0x15"},
         {"sh:TITLE_LANGUAGE_1_codepage", "1250"},
         {"sh:TITLE_LANGUAGE_1_locale", "pl_PL.UTF-8"},
         {"sh:TITLE_LANGUAGE_1_Caption", "B\263\271d"},
         {"sh:TITLE_LANGUAGE_1_Caption_utf8", "Błąd"},
         {"sh:TITLE_LANGUAGE_1_name", "Gra B\263\271d & Co"},
         {"title.nsh", "!define TITLE_LANGUAGE_1_CODEPAGE 1250"},
         {"title.nsh", R"(!define TITLE_LANGUAGE_1_NSIS "Polish")"},
         {"languages.nsh", R"(!define TITLE_LANGUAGE_1_Caption "Błąd")"},
         {"languages.nsh", R"(!define TITLE_LANGUAGE_1_NAME_DOUBLED_AMPERSANDS "Gra Błąd && Co")"},
         {"languages.nsh", R"(    !insertmacro MUI_LANGUAGE "Polish")"},
         {"languages.nsh", R"(    LangString TITLE_GAME_NAME ${LANG_POLISH} "Gra Błąd & Co")"},
         {"languages.nsh", R"(    LangString TITLE_GAME_NAME_PAGES ${LANG_POLISH} "Gra Błąd && Co")"},
         {"cmake:TITLE_LANGUAGES", "pl"},
     }},
    // Serbian's two scripts, each in its code page, the code as the table spells it.
    {"Serbian in both scripts",
     {"+volume> [messages sr-latn]\nCaption = Greška\n" + Texts + "\n[messages sr-Cyrl]\nCaption = Грешка\n" + Texts},
     {
         {"Title.h", R"(    {0x1a, 1250, {"Gre\232ka", "i", "d", "w", "s", "g"}}, /* sr-Latn */ \)"},
         {"Title.h", R"(    {0x1a, 1251, {"\303\360\345\370\352\340", "i", "d", "w", "s", "g"}}, /* sr-Cyrl */)"},
         {"sh:TITLE_LANGUAGES", "sr-Latn sr-Cyrl"},
         {"cmake:TITLE_LANGUAGE_LOCALES", "sr_RS@latin;-"},
         {"languages.nsh", R"(    !insertmacro MUI_LANGUAGE "SerbianLatin")"},
         {"languages.nsh", R"(    LangString TITLE_GAME_NAME ${LANG_SERBIAN} "Quorvale")"},
         {"languages.nsh", R"(!define TITLE_LANGUAGE_2_Caption "Грешка")"},
     }},
    // Vietnamese composes: a letter with two marks is a letter and a mark in 1258.
    {"Vietnamese",
     {"+volume> [messages vi]\nCaption = Lỗi\n" + Texts},
     {
         {"sh:TITLE_LANGUAGE_1_Caption", "L\364\336i"},
     }},
};

TEST(Title, Refusals)
{
    MakeIcons();
    for (const Refusal& row : Refusals) {
        SCOPED_TRACE(row.what);
        const Made made = MakeTitle(row.changes);
        ExpectRefused(RunReader(TitleFile, Out), made, row.says);
    }
}

TEST(Title, CarriedValues)
{
    for (const Carried& row : CarriedValues) {
        SCOPED_TRACE(row.what);
        MakeTitle(row.changes);
        const Said said = RunReader(TitleFile, Out);
        EXPECT_EQ(said.status, 0) << "not taken: " << said.text;
        // Each child once for the row.
        std::vector<std::string> inShell;
        std::vector<std::string> inCMake;
        for (const Carry& carry : row.carries) {
            if (carry.file.compare(0, 3, "sh:") == 0)
                inShell.push_back(carry.file.substr(3));
            else if (carry.file.compare(0, 6, "cmake:") == 0)
                inCMake.push_back(carry.file.substr(6));
        }
        const std::vector<std::string> shell = inShell.empty() ? inShell : ShellValues(inShell, Work());
        const std::vector<std::string> cmake = inCMake.empty() ? inCMake : CMakeValues(inCMake);
        std::size_t nextShell = 0;
        std::size_t nextCMake = 0;
        for (const Carry& carry : row.carries) {
            if (carry.file.compare(0, 3, "sh:") == 0) {
                EXPECT_EQ(shell[nextShell++], carry.want) << carry.file;
            } else if (carry.file.compare(0, 6, "cmake:") == 0) {
                EXPECT_EQ(cmake[nextCMake++], carry.want) << carry.file;
            } else {
                const std::vector<std::string> lines = Lines(ReadBytes(Out + "/" + carry.file));
                EXPECT_EQ(std::count(lines.begin(), lines.end(), carry.want), 1)
                    << carry.file << " holds the line once: " << carry.want;
            }
        }
        EXPECT_FALSE(fs::exists(Work() + "/PWNED")) << "sourcing title.sh ran a command";
    }
}

// The good titles are taken, and a sample's .ico reaches the installer's
// icon byte for byte.
TEST(Title, GoodTitles)
{
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(Source + "/titles"))
        folders.push_back(entry.path());
    std::sort(folders.begin(), folders.end());
    int icons = 0;
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder.filename().string());
        fs::remove_all(Out);
        const Said said = RunReader((folder / "title.ini").string(), Out);
        EXPECT_EQ(said.status, 0) << said.text;
        if (fs::exists(folder / "icon.ico")) {
            EXPECT_EQ(ReadBytes(Out + "/icon.ico"), ReadBytes((folder / "icon.ico").string())) << "the .ico, whole";
            ++icons;
        }
    }
    EXPECT_GE(folders.size(), 3u);
    EXPECT_GE(icons, 1) << "no sample title with an .ico";
}

std::string WithoutTrailingLineFeeds(std::string text)
{
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

// The guide's table of languages is the reader's, as it prints it.
TEST(Title, GuidesTableOfLanguages)
{
    std::string printed;
    std::string err;
    EXPECT_EQ(title::Tool({"--languages"}, printed, err), 0) << err;
    const std::string header = "| Code | Language |";
    std::string guide;
    bool inTable = false;
    for (const std::string& line : Lines(ReadBytes(Source + "/docs/publishing.md"))) {
        inTable = inTable || line.compare(0, header.size(), header) == 0;
        if (inTable && line.empty())
            break;
        if (inTable)
            guide += line + "\n";
    }
    EXPECT_EQ(WithoutTrailingLineFeeds(guide), WithoutTrailingLineFeeds(printed));
}

int LineCount(const std::string& path)
{
    const std::string bytes = ReadBytes(path);
    return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// A title in a folder whose name holds a line feed, a command, ]==] and a $:
// nothing of it runs or ends a quote, and no comment breaks in two (in
// title.cmake the path's line feed is inside its quote, where it belongs).
TEST(Title, LineFeedInTheFolder)
{
    const std::string odd = Work() + "/odd ]==] $HOME\ntouch PWNED";
    const std::string clean = Work() + "/clean";
    const std::string defaultOut = Work() + "/default";
    fs::create_directories(odd);
    fs::create_directories(clean);
    fs::copy_file(DefaultTitle, odd + "/title.ini", fs::copy_options::overwrite_existing);
    fs::copy_file(Source + "/titles/quorvale/icon.txt", odd + "/icon.txt", fs::copy_options::overwrite_existing);
    fs::remove_all(Out);
    fs::remove_all(defaultOut);
    const Said byDefault = RunReader(DefaultTitle, defaultOut);
    ASSERT_EQ(byDefault.status, 0) << byDefault.text;
    const Said said = RunReader(odd + "/title.ini", Out);
    ASSERT_EQ(said.status, 0) << "not taken: " << said.text;

    const Said sourced = Child({"bash", "-c", R"(source "$1")", "bash", Out + "/title.sh"}, clean);
    EXPECT_EQ(sourced.status, 0) << sourced.text;
    EXPECT_TRUE(fs::is_empty(clean)) << "sourcing title.sh ran a command";
    EXPECT_EQ(ShellValues({"TITLE_FILE"}, Work())[0], odd + "/title.ini");
    EXPECT_EQ(CMakeValues({"TITLE_ICON"})[0], odd + "/icon.txt");
    for (const char* file : {"Title.h", "title.sh", "title.nsh"})
        EXPECT_EQ(LineCount(Out + "/" + file), LineCount(defaultOut + "/" + file)) << "the lines of " << file;
    const Said compiled = Child({TITLE_TEST_CXX, "-std=c++17", "-fsyntax-only", "-x", "c++", Out + "/Title.h"});
    EXPECT_EQ(compiled.status, 0) << "Title.h does not compile:\n" << compiled.text;
}

// The changes that give the name, the caption and the five texts that many
// é each: one byte each in code page 1252, two in UTF-8.
std::vector<std::string> TextsOf(std::size_t name, std::size_t caption, std::size_t text)
{
    const std::string texts = Repeat("é", text);
    return {"name = " + Repeat("é", name),     "Caption = " + Repeat("é", caption), "CannotFindInstaller = " + texts,
            "CannotFindDescriptor = " + texts, "CannotWriteProfile = " + texts,     "CannotSetDirectory = " + texts,
            "CannotFindGame = " + texts};
}

// The size of the first buffer declared "char NAME[SIZE];" in the box
// watcher; 0 for none.
std::size_t WatcherBuffer(const std::string& name)
{
    const std::string declared = "char " + name + "[";
    for (const std::string& line : Lines(ReadBytes(Source + "/tests/wine/BoxWatcher.cpp"))) {
        const std::size_t at = line.find_first_not_of(' ');
        if (at != std::string::npos && line.compare(at, declared.size(), declared) == 0)
            return std::stoul(line.substr(at + declared.size()));
    }
    return 0;
}

// The text limits, in bytes of the code page: the longest are taken,
// quickly, and one byte more is refused; the tests' box watcher reads the
// longest back whole.
TEST(Title, TextLimits)
{
    MakeTitle(TextsOf(255, 255, 511));
    const auto start = std::chrono::steady_clock::now();
    const Said said = RunReader(TitleFile, Out);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(said.status, 0) << "not taken: " << said.text;
    EXPECT_LT(took.count(), 1000) << "read in " << took.count() << " ms";
    const std::string prefix = "#define TITLE_CannotFindGame \"";
    std::string longest;
    for (const std::string& line : Lines(ReadBytes(Out + "/Title.h"))) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            longest = line;
    }
    EXPECT_EQ(longest, prefix + Repeat("\\351", 511) + "\"") << "the longest text's bytes in Title.h";

    const Made made = MakeTitle(TextsOf(256, 256, 512));
    ExpectRefused(RunReader(TitleFile, Out), made,
                  {":name: [title] name: 256 bytes in code page 1252; the name has at most 255",
                   ":Caption: [messages] Caption: 256 bytes in code page 1252; the caption has at most 255",
                   ":CannotFindGame: [messages] CannotFindGame: 512 bytes in code page 1252; a text has at most 511",
                   "title.ini: 7 mistake(s)"});

    EXPECT_GT(WatcherBuffer("text"), title::TextMax) << "the box watcher reads the longest text";
    EXPECT_GT(WatcherBuffer("caption"), title::CaptionMax) << "the box watcher reads the longest caption";
}

// A configure with a bad title stops, naming it.
TEST(Title, BadTitleStopsConfigure)
{
    MakeTitle({"GameExeName = Quor*.exe"});
    const Said said = Child({TITLE_TEST_CMAKE, "-S", Source, "-B", Work() + "/build", "-DLAUNCHER_TITLE=" + TitleFile,
                             "-DLAUNCHER_LINT=OFF"});
    EXPECT_NE(said.status, 0) << said.text;
    EXPECT_NE(said.text.find("GameExeName: holds \"*\"; a file name holds none of"), std::string::npos) << said.text;
}

} // namespace
