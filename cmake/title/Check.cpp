// What each value may hold, and what the title's values derive: the texts in
// the code page, the icon's image, the installer's directory and its limit,
// the disc's volume.
#include "TitleTool.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <iconv.h>
#include <sys/stat.h>

namespace title {

namespace {

// Files Windows (95 to 11) and DOS keep in the root of the drive, where the
// installer writes the descriptor and the launcher deletes it once read.
// clang-format off
const char* const RootFiles[] = {
    "AUTOEXEC.BAT", "CONFIG.SYS", "IO.SYS", "MSDOS.SYS", "COMMAND.COM", "WINBOOT.INI",
    "AUTOEXEC.DOS", "CONFIG.DOS", "IO.DOS", "MSDOS.DOS", "COMMAND.DOS", "MSDOS.---",
    "BOOTLOG.TXT", "BOOTLOG.PRV", "DETLOG.TXT", "DETCRASH.LOG", "SETUPLOG.TXT", "NETLOG.TXT",
    "SUHDLOG.DAT", "SCANDISK.LOG", "SYSTEM.1ST", "DBLSPACE.BIN", "DRVSPACE.BIN",
    "BOOT.INI", "NTLDR", "NTDETECT.COM", "BOOTFONT.BIN", "BOOTSECT.DOS", "BOOTMGR", "BOOTNXT",
    "BOOTSECT.BAK", "PAGEFILE.SYS", "HIBERFIL.SYS", "SWAPFILE.SYS",
};
const char* const Devices[] = {
    "CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9",
    "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$", "CLOCK$",
};
// clang-format on
constexpr const char* LauncherName = "Launcher.exe";
constexpr const char* DefaultParent = "C:\\Games\\";

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// The first character of UTF-8 text that REFUSED says no to, or the first
// byte that is not UTF-8, named; empty when there is none.
std::string FirstRefused(const std::string& text, bool (*refused)(long point))
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t here = at;
        const long point = NextCodePoint(text, at);
        if (point < 0) {
            char byte[40];
            std::snprintf(byte, sizeof byte, "the byte 0x%02X, which is not UTF-8",
                          static_cast<unsigned char>(text[here]));
            return byte;
        }
        if (refused(point))
            return Named(point);
    }
    return "";
}

// The first character of text that is not printable ASCII, named; empty when all are.
std::string FirstOutsideAscii(const std::string& text)
{
    return FirstRefused(text, [](long point) { return point < 0x20 || point > 0x7e; });
}

// The first control character of UTF-8 text, or the first byte that is not UTF-8, named.
std::string FirstControlOrNotUtf8(const std::string& text)
{
    return FirstRefused(text,
                        [](long point) { return point < 0x20 || point == 0x7f || (point >= 0x80 && point < 0xa0); });
}

// makensis expands $\t, $\n, $\r, ${NAME} and $%NAME% inside a string before
// it reads $$, so no quoting in title.nsh can carry them.
std::string NsisFault(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const char next = text[i + 1];
        if (text[i] == '$' && (next == '\\' || next == '{' || next == '%'))
            return "holds " + Quoted(text.substr(i, 2)) +
                ": makensis reads $\\t, $\\n, $\\r, ${NAME} and $%NAME% in the installer's strings before it "
                "reads $$, so no quoting carries it";
    }
    return "";
}

// Windows' device names, which it opens whatever the extension; "" for another name.
std::string DeviceIn(const std::string& name)
{
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (const char* device : Devices) {
        if (EqualIgnoringCase(base, device))
            return base;
    }
    return "";
}

// Why a folder's name is no good to Windows; "" when it is.
std::string ComponentFault(const std::string& name)
{
    if (name.empty())
        return "an empty folder name (a \\ at the end, or two in a row)";
    if (name == "." || name == "..")
        return "the folder " + Quoted(name) + ": Windows reads it as the folder itself or its parent";
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t here = at;
        const long point = NextCodePoint(name, at);
        if (point < 0x20 || point == 0x7f)
            return "the folder " + Quoted(Shown(name)) + " holds " +
                (point < 0 ? "a byte that is not UTF-8" : Named(point)) + ", which Windows forbids in a path";
        const std::string forbidden = "\\/:*?\"<>|";
        if (point < 0x80 && forbidden.find(static_cast<char>(point)) != std::string::npos)
            return "the folder " + Quoted(name) + " holds " + Quoted(name.substr(here, 1)) +
                "; Windows allows none of \\ / : * ? \" < > | in a folder's name";
    }
    if (name.back() == '.' || name.back() == ' ')
        return "the folder " + Quoted(name) + " ends in a dot or a blank, which Windows drops";
    const std::string device = DeviceIn(name);
    if (!device.empty())
        return "the folder " + Quoted(name) + " is the device " + Quoted(device) +
            ": Windows opens the device, whatever the extension";
    return "";
}

// Why a directory (UTF-8) is no good to Windows; "" when it is.
std::string DirectoryFault(const std::string& directory)
{
    const bool onDrive = directory.size() >= 3 && directory[1] == ':' && directory[2] == '\\' &&
        ((directory[0] >= 'A' && directory[0] <= 'Z') || (directory[0] >= 'a' && directory[0] <= 'z'));
    if (!onDrive)
        return "is not a full path on a drive (C:\\...)";
    std::size_t begin = 3;
    for (;;) {
        const std::size_t end = directory.find('\\', begin);
        std::string fault = ComponentFault(directory.substr(begin, end - begin));
        if (!fault.empty())
            return fault;
        if (end == std::string::npos)
            return "";
        begin = end + 1;
    }
}

class Converter {
public:
    Converter(const char* to, const char* from) : handle(iconv_open(to, from)) {}
    ~Converter()
    {
        if (handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Works() const { return handle != reinterpret_cast<iconv_t>(-1); }

    // The whole text, or false at a character the target lacks. Some code
    // pages (1255, 1258) compose characters, and hold the last until flushed.
    bool Convert(const std::string& text, std::string& out)
    {
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        std::string in = text;
        std::string buffer(text.size() * 4 + 16, '\0');
        char* inPointer = in.data();
        std::size_t inLeft = in.size();
        char* outPointer = buffer.data();
        std::size_t outLeft = buffer.size();
        if (iconv(handle, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        if (iconv(handle, nullptr, nullptr, &outPointer, &outLeft) == static_cast<std::size_t>(-1))
            return false;
        out.assign(buffer.data(), buffer.size() - outLeft);
        return true;
    }

private:
    iconv_t handle;
};

// Into the code page, or why not: the first character it lacks, named.
bool InCodePage(Converter& converter, int codepage, const std::string& text, std::string& out, std::string& why)
{
    if (converter.Convert(text, out))
        return true;
    std::string ignored;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t here = at;
        const long point = NextCodePoint(text, at);
        if (point < 0 || !converter.Convert(text.substr(here, at - here), ignored)) {
            why = "code page " + std::to_string(codepage) + " has no " + (point < 0 ? "byte" : Named(point));
            return false;
        }
    }
    why = "code page " + std::to_string(codepage) + " cannot hold it";
    return false;
}

bool ReadWhole(const std::string& path, std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[65536];
    std::size_t got = 0;
    bytes.clear();
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

bool IsFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The longest path, in bytes, of a file in folder, relative to top; links followed.
std::size_t LongestPath(const std::string& folder, const std::string& relative, int depth)
{
    std::size_t longest = 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr || depth > 64) {
        if (dir != nullptr)
            closedir(dir);
        return 0;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = folder;
        path += "/";
        path += name;
        std::string inside = relative;
        inside += relative.empty() ? "" : "/";
        inside += name;
        std::size_t length = 0;
        if (IsFolder(path))
            length = LongestPath(path, inside, depth + 1);
        else if (IsFile(path))
            length = inside.size();
        longest = length > longest ? length : longest;
    }
    closedir(dir);
    return longest;
}

std::string InFolder(const Title& title, const std::string& path)
{
    return !path.empty() && path[0] == '/' ? path : title.folder + "/" + path;
}

// A file name Windows holds as it is, and a program's ends in .exe.
void CheckFileName(Title& title, Key key)
{
    const std::string& value = title.values[key].text;
    const std::size_t bad = value.find_first_of("\\/:*?\"<>|");
    const std::string device = DeviceIn(value);
    if (bad != std::string::npos)
        title.Refuse(key, "holds " + Quoted(value.substr(bad, 1)) + "; a file name holds none of \\ / : * ? \" < > |");
    else if (value.find(';') != std::string::npos)
        title.Refuse(key, "holds \";\", which the build reads as the end of a name in its lists (CMake)");
    else if (value.back() == '.')
        title.Refuse(key, "a file name does not end in a dot, which Windows drops");
    else if (value.size() > 255)
        title.Refuse(key, "a file name has at most 255 bytes");
    else if (!device.empty())
        title.Refuse(key, Quoted(device) + " is a device name: Windows opens the device, whatever the extension");
    const std::string extension = value.size() >= 4 ? value.substr(value.size() - 4) : "";
    if (key != DescriptorFileName && !EqualIgnoringCase(extension, ".exe"))
        title.Refuse(key, "a program's name ends in .exe");
}

// What WIN.INI and the descriptor's reading would make of the other four.
void CheckProfileName(Title& title, Key key)
{
    const std::string& value = title.values[key].text;
    const bool quoted = value.front() == '"' || value.front() == '\'' || value.back() == '"' || value.back() == '\'';
    if (key == ProfileSection && value.find(']') != std::string::npos)
        title.Refuse(key, "a WIN.INI section name holds no ]");
    if (key == ProfileKey && value.find('=') != std::string::npos)
        title.Refuse(key, "a WIN.INI key holds no =");
    if (key == ProfileKey && (value[0] == ';' || value[0] == '['))
        title.Refuse(key, "a WIN.INI key does not start with ; (a comment) or [ (a section)");
    if (key == NotInstalledMarker && quoted)
        title.Refuse(key,
                     "starts or ends with a quote, which GetProfileStringA strips, so the entry read back would "
                     "never match it");
    if (key == DescriptorKey && value.find('=') != std::string::npos)
        title.Refuse(key, "holds no =: the value starts after the first = from the key's start");
}

void CheckSettings(Title& title)
{
    for (int k = FirstSetting; k <= LastSetting; ++k) {
        const Key key = static_cast<Key>(k);
        const std::string& value = title.values[key].text;
        if (value.empty())
            continue;
        const std::string outside = FirstOutsideAscii(value);
        const bool control = outside.find("control") != std::string::npos;
        if (!outside.empty() && key == DescriptorKey && control) {
            title.Refuse(key,
                         "holds " + outside +
                             ": the descriptor is read as text, which never delivers a CR or a Ctrl-Z and may "
                             "end a line at others");
        } else if (!outside.empty()) {
            title.Refuse(key,
                         "holds " + outside +
                             "; a setting is printable ASCII (bytes 32 to 126), which reads the same on every "
                             "Windows whatever its code page");
        } else if (value.front() == ' ' || value.back() == ' ') {
            title.Refuse(key,
                         "starts or ends with a blank, which WIN.INI and Windows trim, so it could never be found "
                         "again");
        } else {
            const std::string nsis = NsisFault(value);
            if (!nsis.empty())
                title.Refuse(key, nsis);
            if (key == GameExeName || key == InstallerName || key == DescriptorFileName)
                CheckFileName(title, key);
            else
                CheckProfileName(title, key);
        }
    }
}

// Names that land on another file: the player's, the launcher's, each other's.
void CheckCollisions(Title& title)
{
    const std::string& descriptor = title.values[DescriptorFileName].text;
    for (const char* file : RootFiles) {
        if (EqualIgnoringCase(descriptor, file))
            title.Refuse(DescriptorFileName,
                         Quoted(descriptor) + " is " + file +
                             ", a file Windows keeps in the root of its drive, where the installer writes the "
                             "descriptor and the launcher deletes it once read");
    }
    const std::string& installer = title.values[InstallerName].text;
    const std::string& game = title.values[GameExeName].text;
    if (EqualIgnoringCase(installer, LauncherName))
        title.Refuse(InstallerName,
                     Quoted(installer) +
                         " is the launcher's own name: the disc holds both, side by "
                         "side, and one would overwrite the other");
    if (!game.empty() && EqualIgnoringCase(game, installer.c_str()))
        title.Refuse(GameExeName,
                     Quoted(game) + " is also the InstallerName (line " +
                         std::to_string(title.values[InstallerName].line) +
                         "): the player, the disc and the build could not tell the two apart");
    if (EqualIgnoringCase(game, UninstallerName))
        title.Refuse(GameExeName,
                     Quoted(game) +
                         " is the uninstaller's name: the installer writes "
                         "<directory>\\uninstall.exe over the game");
}

// One text: UTF-8 without a control character, held by the code page, and no
// longer than its limit; into out in that code page.
void CheckText(Title& title, Converter& converter, int codepage, Key key, const Value& value, const std::string& where,
               std::string& out)
{
    if (value.text.empty())
        return;
    const std::string control = FirstControlOrNotUtf8(value.text);
    std::string why;
    if (!control.empty()) {
        title.Refuse(value.line, where, "holds " + control);
        return;
    }
    if (codepage == 0 || !converter.Works())
        return;
    if (!InCodePage(converter, codepage, value.text, out, why)) {
        title.Refuse(value.line, where, why);
        return;
    }
    const std::size_t limit = key == Name ? NameMax : key == Caption ? CaptionMax : TextMax;
    const char* what = key == Name ? "the name" : key == Caption ? "the caption" : "a text";
    if (out.size() > limit)
        title.Refuse(value.line, where,
                     std::to_string(out.size()) + " bytes in code page " + std::to_string(codepage) + "; " + what +
                         " has at most " + std::to_string(limit));
}

void CheckText(Title& title, Converter& converter, Key key)
{
    const std::string where = std::string("[") + SectionName(SectionOf(key)) + "] " + KeyName(key);
    CheckText(title, converter, title.codepage, key, title.values[key], where, title.text[key]);
}

void CheckTexts(Title& title)
{
    const std::string& page = title.values[Codepage].text;
    if (page == "874" || (page.size() == 4 && page.compare(0, 3, "125") == 0 && page[3] >= '0' && page[3] <= '8'))
        title.codepage = std::stoi(page);
    else if (!page.empty())
        title.Refuse(Codepage, Quoted(Shown(page)) + " is not a single-byte Windows code page: 874 or 1250 to 1258");
    Converter converter(("CP" + std::to_string(title.codepage)).c_str(), "UTF-8");
    CheckText(title, converter, Name);
    for (int k = FirstMessage; k <= LastMessage; ++k)
        CheckText(title, converter, static_cast<Key>(k));
    const std::string& name = title.values[Name].text;
    const std::string nsis = NsisFault(name);
    if (!nsis.empty())
        title.Refuse(Name, nsis);
    if (name.find('\\') != std::string::npos)
        title.Refuse(Name,
                     "holds \"\\\", which would split the installer's Add/Remove Programs key "
                     "(...\\Uninstall\\<name>) in two");
}

// Each language's texts in its own code page, under the default texts' rules;
// the default texts ASCII, since they are shown on every Windows no language
// matches; and no two languages the launcher could not tell apart.
void CheckLanguages(Title& title)
{
    if (title.languages.empty())
        return;
    for (int k = Name; k <= LastMessage; ++k) {
        const Key key = static_cast<Key>(k);
        const std::string outside = FirstOutsideAscii(title.values[key].text);
        if (LanguageKey(k) && !outside.empty() && outside.find("control") == std::string::npos)
            title.Refuse(key,
                         "holds " + outside +
                             "; with languages the default texts are printable ASCII: they are shown on every "
                             "Windows no language matches, whatever its code page, and only ASCII reads the same "
                             "on all of them");
    }
    for (std::size_t i = 0; i < title.languages.size(); ++i) {
        Language& language = title.languages[i];
        const int codepage = language.row->codepage;
        Converter converter(("CP" + std::to_string(codepage)).c_str(), "UTF-8");
        for (int k = Name; k <= LastMessage; ++k) {
            const Key key = static_cast<Key>(k);
            if (!LanguageKey(k))
                continue;
            const Value& value = language.values[key];
            CheckText(title, converter, codepage, key, value, language.where(key), language.text[key]);
            // title.nsh carries the name and the texts for the installer.
            const std::string nsis = NsisFault(value.text);
            if (!nsis.empty())
                title.Refuse(value.line, language.where(key), nsis);
        }
        for (std::size_t j = 0; j < i; ++j) {
            const Language& earlier = title.languages[j];
            if (earlier.row->primary == language.row->primary && earlier.row->codepage == codepage) {
                char id[8];
                std::snprintf(id, sizeof id, "0x%02x", language.row->primary);
                title.Refuse(language.line, std::string("[messages ") + language.row->code + "]",
                             std::string("Windows reports the same primary language (") + id + ") and code page (" +
                                 std::to_string(codepage) + ") for it as for [messages " + earlier.row->code +
                                 "] (line " + std::to_string(earlier.line) +
                                 "), so the launcher could not tell the two apart; give one of them");
            }
        }
    }
}

void CheckIcon(Title& title)
{
    const std::string& icon = title.values[Icon].text;
    if (icon.empty())
        return;
    title.iconPath = InFolder(title, icon);
    std::string bytes;
    if (title.iconPath.find(';') != std::string::npos) {
        title.Refuse(Icon, "its path " + Quoted(Shown(title.iconPath)) + " holds \";\", which CMake reads as a list");
        return;
    }
    if (!IsFile(title.iconPath) || !ReadWhole(title.iconPath, bytes)) {
        title.Refuse(Icon, "no such file: " + Shown(title.iconPath));
        return;
    }
    const std::string extension = icon.size() >= 4 ? icon.substr(icon.size() - 4) : "";
    std::vector<std::string> reasons;
    if (EqualIgnoringCase(extension, ".txt")) {
        title.iconKind = "grid";
        reasons = ImageFromGrid(bytes, Shown(icon), title.iconImage);
    } else if (EqualIgnoringCase(extension, ".ico")) {
        title.iconKind = "ico";
        reasons = ImageFromIco(bytes, Shown(icon), title.iconImage);
    } else {
        reasons.push_back(Shown(icon) + " is neither the text grid (.txt) nor a .ico");
    }
    for (const std::string& reason : reasons)
        title.Refuse(Icon, reason);
}

// The installer's folder of the game's files; the longest path in it.
std::size_t CheckFiles(Title& title)
{
    if (title.values[Files].line == 0)
        return 0;
    const std::string& files = title.values[Files].text;
    title.filesPath = files.empty() ? "" : InFolder(title, files);
    const std::string& game = title.values[GameExeName].text;
    if (files.empty() || !IsFolder(title.filesPath))
        title.Refuse(Files, "no such folder: " + Shown(title.filesPath));
    else if (title.filesPath.find(';') != std::string::npos)
        title.Refuse(Files, "its path " + Quoted(Shown(title.filesPath)) + " holds \";\", which CMake reads as a list");
    else if (!game.empty() && !IsFile(title.filesPath + "/" + game))
        title.Refuse(Files, Shown(title.filesPath) + " holds no " + game + " (GameExeName)");
    else
        return LongestPath(title.filesPath, "", 0);
    return 0;
}

// The longest directories the game starts from and the installer takes.
void CheckLimits(Title& title, std::size_t longestFile)
{
    const std::string& game = title.values[GameExeName].text;
    title.gameDirectoryMax = CommandLineMax - 3 - static_cast<int>(game.size());
    if (!game.empty() && title.gameDirectoryMax < DirectoryMin)
        title.Refuse(GameExeName,
                     std::to_string(game.size()) + " bytes leave the directory " +
                         std::to_string(title.gameDirectoryMax) + " of the " + std::to_string(CommandLineMax) +
                         " bytes of the game's command line \"<directory>\\" + game + "\"; it needs at least " +
                         std::to_string(DirectoryMin));
    int limit = CommandLineMax - 1 - static_cast<int>(std::char_traits<char>::length(UninstallerName));
    limit = title.gameDirectoryMax < limit ? title.gameDirectoryMax : limit;
    if (longestFile != 0 && CommandLineMax - 1 - static_cast<int>(longestFile) < limit)
        limit = CommandLineMax - 1 - static_cast<int>(longestFile);
    title.installDirectoryMax = limit;
}

// The default directory, with the same rules for one given and one made
// from the name.
void CheckDirectory(Title& title)
{
    const bool given = title.values[Directory].line != 0;
    const std::string& name = title.values[Name].text;
    if (!given && name.empty())
        return;
    const Key key = given ? Directory : Name;
    title.directory = given ? title.values[Directory].text : DefaultParent + name;
    const std::string made = given ? Quoted(Shown(title.directory)) + ": "
                                   : "cannot make the default directory " + Quoted(Shown(title.directory)) + ": ";
    const std::string instead = given ? "" : "; give [installer] directory";
    std::string fault = given ? DirectoryFault(title.directory) : ComponentFault(name);
    if (fault.empty() && given)
        fault = NsisFault(title.directory);
    if (!fault.empty()) {
        title.Refuse(key, made + fault + instead);
        return;
    }
    if (title.codepage == 0)
        return;
    Converter converter(("CP" + std::to_string(title.codepage)).c_str(), "UTF-8");
    std::string why;
    if (!InCodePage(converter, title.codepage, title.directory, title.directoryInCodePage, why)) {
        // The name's own refusal names the character already.
        if (given)
            title.Refuse(key, made + why);
        return;
    }
    const int length = static_cast<int>(title.directoryInCodePage.size());
    if (length > title.installDirectoryMax)
        title.Refuse(key,
                     (given ? "" : made) + std::to_string(length) + " bytes; the installer takes at most " +
                         std::to_string(title.installDirectoryMax) + instead);
}

bool IsDCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The disc's volume from the name: letters with marks lose them, and what
// has no ASCII form becomes _.
std::string VolumeFrom(const std::string& name)
{
    std::string volume;
    Converter converter("ASCII//TRANSLIT", "UTF-8");
    for (std::size_t at = 0; at < name.size() && converter.Works() && volume.size() < 32;) {
        const std::size_t here = at;
        NextCodePoint(name, at);
        at = at == here ? here + 1 : at;
        std::string ascii;
        if (!converter.Convert(name.substr(here, at - here), ascii))
            ascii = "_";
        for (const char c : ascii) {
            const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            volume += IsDCharacter(upper) ? upper : '_';
        }
    }
    return volume.substr(0, 32);
}

// The disc's volume: ISO 9660 d-characters, given or made from the name.
void CheckVolume(Title& title)
{
    if (title.values[Volume].line == 0) {
        title.volume = VolumeFrom(title.values[Name].text);
        return;
    }
    title.volume = title.values[Volume].text;
    bool good = !title.volume.empty() && title.volume.size() <= 32;
    for (const char c : title.volume)
        good = good && IsDCharacter(c);
    if (!good)
        title.Refuse(Volume, Quoted(Shown(title.volume)) + " is not 1 to 32 of A-Z, 0-9 and _ (ISO 9660 d-characters)");
}

} // namespace

void Check(Title& title)
{
    CheckSettings(title);
    CheckCollisions(title);
    CheckTexts(title);
    CheckLanguages(title);
    CheckIcon(title);
    CheckLimits(title, CheckFiles(title));
    CheckDirectory(title);
    CheckVolume(title);
}

} // namespace title
