// The title file's reader: what it reads, what it derives, and the pieces
// that check and write it. The configure step compiles these files into one
// host program (cmake/read-title.cmake); the host build compiles them as the
// target title_tool too, for the tests and the sanitizers, and its title tests
// call the program's own Tool in their process (tests/title).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace title {

// The keys, in the order their sections and the generated files list them.
enum Key : unsigned char {
    Name,
    Codepage,
    Icon,
    DescriptorFileName,
    GameExeName,
    ProfileSection,
    ProfileKey,
    NotInstalledMarker,
    InstallerName,
    DescriptorKey,
    Caption,
    CannotFindInstaller,
    CannotFindDescriptor,
    CannotWriteProfile,
    CannotSetDirectory,
    CannotFindGame,
    Files,
    Directory,
    Volume,
    KeyCount
};
enum Section : unsigned char { TitleSection, Settings, Messages, Installer, Disc, SectionCount };

constexpr Key FirstSetting = DescriptorFileName;
constexpr Key LastSetting = DescriptorKey;
constexpr Key FirstMessage = Caption;
constexpr Key LastMessage = CannotFindGame;
// What a [messages LANG] section holds: a name and the six texts.
constexpr bool LanguageKey(int k)
{
    return k == Name || (k >= FirstMessage && k <= LastMessage);
}

const char* KeyName(Key key);
Section SectionOf(Key key);
const char* SectionName(Section section);

// The game's command line "<directory>\<GameExeName>" in quotes fits the
// launcher's 260-byte buffer with its NUL; a title leaves a directory at
// least DirectoryMin of it.
constexpr int CommandLineMax = 259;
constexpr int DirectoryMin = 64;
// The installer writes <directory>\uninstall.exe, which must fit too.
constexpr const char* UninstallerName = "uninstall.exe";

// How many bytes of each text, in the code page, the launcher, the
// installer and the tests carry. The tests' box watcher reads a box's text
// and caption back into 512 and 256 bytes; the name is also the key of the
// installer's Add/Remove Programs entry, a name Windows holds to 255.
constexpr std::size_t TextMax = 511;
constexpr std::size_t CaptionMax = 255;
constexpr std::size_t NameMax = 255;

// What a refusal says: FILE:LINE: WHERE: WHY.
struct Refusal {
    int line;
    std::string where;
    std::string why;
};

struct Value {
    std::string text;
    int line = 0; // 0: not given
};

// A language a title may give texts in: its code in the title file (ISO
// 639-1, with the script for a language Windows writes in two), Windows'
// primary language id and the ANSI code page Windows uses for it. The
// launcher takes a language's texts where both match the player's Windows.
struct LanguageRow {
    const char* code;
    const char* english; // its name, for the guide
    unsigned primary;
    int codepage;
    const char* nsis;   // NSIS's language file for it, in the same code page; "" for none
    const char* locale; // the Unix locale Wine reports both in; "" for none
};
// The one table of them, in the order of their codes.
extern const LanguageRow LanguageRows[];
extern const std::size_t LanguageRowCount;
// The row of a code, in any letter case; nullptr when there is none.
const LanguageRow* FindLanguage(const std::string& code);
// The table as the guide prints it (docs/publishing.md), one row a line.
std::string LanguageTable();

// A [messages LANG] section: its name (optional) and its six texts.
struct Language {
    const LanguageRow* row = nullptr;
    int line = 0;               // of the section
    Value values[KeyCount];     // Name and the messages only
    std::string text[KeyCount]; // the same in the language's code page
    std::string where(Key key) const;
};

struct Title {
    std::string file;   // as the command line named it, for the refusals
    std::string folder; // absolute, for the paths the title gives
    std::string absolute;
    Value values[KeyCount];
    int sectionLine[SectionCount] = {};
    std::vector<Language> languages; // in the order of the file
    int lines = 0;

    // Derived by Check.
    int codepage = 0;
    std::string text[KeyCount]; // name and messages in the code page
    std::string iconPath, iconKind, filesPath;
    std::string directory; // UTF-8
    std::string directoryInCodePage;
    std::string volume;
    int gameDirectoryMax = 0;
    int installDirectoryMax = 0;
    std::vector<unsigned char> iconImage; // the one image: header, palette, pixels, mask

    std::vector<Refusal> refusals;
    void Refuse(int line, const std::string& where, const std::string& why);
    void Refuse(Key key, const std::string& why);
};

// Reads the title's bytes into values, refusing what is not a well-formed
// title file. Pure: no file is opened.
void Read(Title& title, const std::string& bytes);
// Checks every value and derives the rest; opens the icon and the files.
void Check(Title& title);

// The icon: a text grid (icon.txt) or a .ico, each into the one image.
// Each returns the refusals' reasons; none when the image is made.
std::vector<std::string> ImageFromGrid(const std::string& grid, const std::string& name,
                                       std::vector<unsigned char>& image);
std::vector<std::string> ImageFromIco(const std::string& ico, const std::string& name,
                                      std::vector<unsigned char>& image);
// The image as an icon file, and as the resource script of its two resources.
std::string IcoFile(const std::vector<unsigned char>& image);
std::string ResourceScript(const std::vector<unsigned char>& image);

// The generated files, each as its bytes.
std::string TitleHeader(const Title& title);
std::string TitleShell(const Title& title);
std::string TitleNsis(const Title& title);
std::string TitleNsisLanguages(const Title& title);
std::string TitleCMake(const Title& title);

// What the program does with its arguments (those after its name, as main
// gets them): its exit status, and what it prints on standard output and on
// standard error (Main.cpp).
int Tool(const std::vector<std::string>& arguments, std::string& out, std::string& err);

// Text helpers the pieces share.
// The code point at text[at], advancing at; -1 for a byte that is not UTF-8.
long NextCodePoint(const std::string& text, std::size_t& at);
// One character, named for a refusal: "ä" (U+00E4), or U+0009 for a control.
std::string Named(long codePoint);
// A name or a section as a refusal shows it: each control byte as \xHH.
std::string Shown(const std::string& text);
bool EqualIgnoringCase(const std::string& a, const char* b);

} // namespace title
