// Checks a built Launcher.exe by reading it, since no 32-bit Windows is at
// hand to run it: its format, that Windows 95 accepts it, what it imports,
// its resources and its size, and that it holds the title it was built for:
// its icon, pixel by pixel, and the texts Windows is handed, in the title's
// code page. Reads the PE file itself (headers, import and resource
// directories) and the title's values from the build's title/title.sh.
// Prints one line per property, and for a failed one what was expected and
// what was found; exits 1 when any failed, 2 on a wrong command line.
//
//   exe-check EXE ARCH TITLE_SH    (ARCH: i386 or x86-64)
//   exe-check --self-test EXE ARCH TITLE_SH
//       The checker itself: EXE, which must pass, and spoilt copies of it,
//       each of which the check named in its row must fail; copies at the
//       edges of a limit must pass.
//
// A program of the build machine's, built at configure time (cmake/shipped.cmake).
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Every function the program imports: what the launcher calls, and what its
// own start-up (platform/win32/Start.cpp) needs to hand WinMain its
// arguments. Each one is something an old Windows must provide, so a new
// import should be a deliberate change of this list. Windows 95 as first
// released has every one of them, and no C runtime DLL at all: msvcrt.dll
// came with Windows only later. (shell32.dll is loaded at run time, by its
// path in the system directory, and only for an installer that needs
// elevation, so it is not imported.)
const char* const ExpectedDlls = "KERNEL32.dll USER32.dll";
const char* const ExpectedImports[] = {
    "KERNEL32.dll CloseHandle",
    "KERNEL32.dll CreateFileA",
    "KERNEL32.dll CreateProcessA",
    "KERNEL32.dll DeleteFileA",
    "KERNEL32.dll ExitProcess",
    "KERNEL32.dll GetCommandLineA",
    "KERNEL32.dll GetFileSize",
    "KERNEL32.dll GetLastError",
    "KERNEL32.dll GetProcAddress",
    "KERNEL32.dll GetProcessHeap",
    "KERNEL32.dll GetProfileStringA",
    "KERNEL32.dll GetStartupInfoA",
    "KERNEL32.dll GetSystemDirectoryA",
    "KERNEL32.dll GetWindowsDirectoryA",
    "KERNEL32.dll HeapAlloc",
    "KERNEL32.dll HeapFree",
    "KERNEL32.dll LoadLibraryA",
    "KERNEL32.dll ReadFile",
    "KERNEL32.dll SetCurrentDirectoryA",
    "KERNEL32.dll WaitForSingleObject",
    "KERNEL32.dll WinExec",
    "KERNEL32.dll WriteProfileStringA",
    "USER32.dll MessageBoxA",
};
// A title with languages asks Windows for its code page and the user's
// language, both in KERNEL32 since Windows 95; one without asks for neither.
const char* const LanguageImports[] = {"KERNEL32.dll GetACP", "KERNEL32.dll GetUserDefaultLangID"};

// The most the file may take, icon included.
constexpr unsigned long MaxSize = 20480;

// The settings and texts the program hands to Windows, as title.sh names them.
const char* const SettingKeys[] = {"ProfileSection", "ProfileKey", "NotInstalledMarker", "InstallerName"};
const char* const TextKeys[] = {
    "Caption",       "CannotFindInstaller", "CannotFindDescriptor", "CannotWriteProfile", "CannotSetDirectory",
    "CannotFindGame"};

constexpr std::size_t None = std::string::npos;

int failures = 0;
// While the self-test checks its spoilt copies, the findings are kept here,
// not printed.
std::vector<std::string>* kept = nullptr;

// A value on one line, as tests/checks.sh shows it.
std::string Shown(const std::string& text)
{
    if (text.empty())
        return "(nothing)";
    std::string out;
    for (const char c : text)
        out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : std::string(1, c);
    return out;
}

void Pass(const std::string& what)
{
    if (kept == nullptr)
        std::printf("ok    %s\n", what.c_str());
}

void Fail(const std::string& what)
{
    if (kept != nullptr)
        kept->push_back(what);
    else
        std::printf("FAIL  %s\n", what.c_str());
    ++failures;
}

void Check(const std::string& what, const std::string& expected, const std::string& got)
{
    if (expected == got)
        Pass(what + ": " + Shown(got));
    else
        Fail(what + ": expected " + Shown(expected) + ", got " + Shown(got));
}

void Indented(const std::string& line)
{
    if (kept == nullptr)
        std::printf("        %s\n", line.c_str());
}

std::string Joined(const std::vector<std::string>& parts, const std::string& between)
{
    std::string out;
    for (const std::string& part : parts)
        out += (out.empty() ? "" : between) + part;
    return out;
}

std::string Number(unsigned long long value)
{
    return std::to_string(value);
}

// The bytes of the regular file PATH.
bool ReadFile(const std::string& path, std::string& bytes)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return file.is_open() && !file.bad();
}

// COUNT little-endian bytes at OFFSET. Bytes past the end read as 0, so that
// a broken file fails the checks, never this program.
unsigned long long At(const std::string& bytes, std::size_t offset, int count)
{
    unsigned long long value = 0;
    for (int i = count - 1; i >= 0; --i) {
        const bool inside = offset < bytes.size() && static_cast<std::size_t>(i) < bytes.size() - offset;
        value = (value << 8) | (inside ? static_cast<unsigned char>(bytes[offset + i]) : 0u);
    }
    return value;
}

// The bytes at OFFSET up to a NUL, at most 256 of them.
std::string CString(const std::string& bytes, std::size_t offset)
{
    if (offset >= bytes.size())
        return "";
    const std::string rest = bytes.substr(offset, 256);
    return rest.substr(0, rest.find('\0'));
}

// TEXT's lines, without their line feeds.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// ---- The title: title.sh's lines NAME=WORD, in the quoting cmake/title writes.

using Title = std::map<std::string, std::string>;

// Bash's $'...' from AT, just after its opening quote, to the closing one.
bool AnsiQuoted(const std::string& line, std::size_t& at, std::string& value)
{
    while (at < line.size() && line[at] != '\'') {
        if (line[at] != '\\') {
            value += line[at++];
            continue;
        }
        const std::size_t digits = line.find_first_not_of("01234567", at + 1);
        const std::size_t count = std::min(digits == None ? line.size() : digits, at + 4) - (at + 1);
        if (count > 0) {
            value += static_cast<char>(std::stoi(line.substr(at + 1, count), nullptr, 8));
            at += 1 + count;
        } else if (at + 1 < line.size() && std::string("\\'\"").find(line[at + 1]) != None) {
            value += line[at + 1];
            at += 2;
        } else {
            return false;
        }
    }
    return at++ < line.size();
}

// The value of a bash word: plain characters, '...', $'...' and \c, joined.
bool ShellWord(const std::string& line, std::size_t at, std::string& value)
{
    while (at < line.size()) {
        const char c = line[at];
        if (c == '\'') {
            const std::size_t end = line.find('\'', at + 1);
            if (end == None)
                return false;
            value += line.substr(at + 1, end - at - 1);
            at = end + 1;
        } else if (line.compare(at, 2, "$'") == 0) {
            at += 2;
            if (!AnsiQuoted(line, at, value))
                return false;
        } else if (c == '\\' && at + 1 < line.size()) {
            value += line[at + 1];
            at += 2;
        } else if (std::string(" \t\"`$;&|<>()*?[#~\\").find(c) != None) {
            return false;
        } else {
            value += c;
            ++at;
        }
    }
    return true;
}

// Why TEXT is not a title.sh, or "" with TITLE filled.
std::string ReadTitle(const std::string& text, Title& title)
{
    int number = 0;
    for (const std::string& line : Lines(text)) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t equals = line.find('=');
        std::string value;
        if (equals == None || equals == 0 ||
            line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_") != equals ||
            !ShellWord(line, equals + 1, value))
            return "line " + Number(number) + " is not NAME=VALUE as cmake/title writes it: " + line;
        title[line.substr(0, equals)] = value;
    }
    return "";
}

// TITLE_<NAME>; a name the file lacks fails.
std::string Value(const Title& title, const std::string& name)
{
    const auto found = title.find("TITLE_" + name);
    if (found != title.end())
        return found->second;
    Fail("title: TITLE_SH holds no TITLE_" + name);
    return "";
}

// ---- The PE file.

struct Section {
    unsigned long address = 0;
    unsigned long rawSize = 0;
    unsigned long rawOffset = 0;
};

struct Pe {
    std::string bytes;
    std::size_t file = 0;     // the file header, after "PE\0\0"
    std::size_t optional = 0; // the optional header
    std::vector<Section> sections;

    unsigned long long Header(std::size_t at, int count) const { return At(bytes, file + at, count); }
    unsigned long long Optional(std::size_t at, int count) const { return At(bytes, optional + at, count); }
    bool Plus() const { return Optional(0, 2) == 0x20b; }

    // Data directory entry N: its address and size, 0 and 0 where the header
    // has no such entry.
    std::pair<unsigned long, unsigned long> Directory(int n) const
    {
        const std::size_t count = Plus() ? 108 : 92;
        if (Optional(count, 4) <= static_cast<unsigned long>(n))
            return {0, 0};
        const std::size_t entry = (Plus() ? 112 : 96) + 8 * static_cast<std::size_t>(n);
        return {Optional(entry, 4), Optional(entry + 4, 4)};
    }

    // Where the address RVA of the loaded image lies in the file; None where
    // no section holds it.
    std::size_t Offset(unsigned long long rva) const
    {
        for (const Section& section : sections) {
            if (rva >= section.address && rva - section.address < section.rawSize)
                return section.rawOffset + (rva - section.address);
        }
        return None;
    }
};

// Why BYTES are no PE file, or "" with PE filled.
std::string ReadPe(Pe& pe)
{
    const std::string& bytes = pe.bytes;
    if (bytes.compare(0, 2, "MZ") != 0)
        return "no MZ header";
    pe.file = At(bytes, 60, 4);
    if (pe.file > bytes.size() || bytes.compare(pe.file, 4, std::string("PE\0\0", 4)) != 0)
        return "no PE signature at offset " + Number(pe.file);
    pe.file += 4;
    pe.optional = pe.file + 20;
    const std::size_t table = pe.optional + pe.Header(16, 2);
    for (unsigned long i = 0; i < pe.Header(2, 2); ++i) {
        const std::size_t at = table + 40 * i;
        // Its address, and its size and place in the file.
        pe.sections.push_back({static_cast<unsigned long>(At(bytes, at + 12, 4)),
                               static_cast<unsigned long>(At(bytes, at + 16, 4)),
                               static_cast<unsigned long>(At(bytes, at + 20, 4))});
    }
    return "";
}

// What the file header says the file is.
std::string Format(const Pe& pe)
{
    const unsigned long long characteristics = pe.Header(18, 2);
    if (pe.Header(16, 2) == 0)
        return "an object, without an optional header";
    if ((characteristics & 0x2000) != 0)
        return "a DLL";
    if ((characteristics & 0x0002) == 0)
        return "not marked executable";
    return "a PE executable";
}

std::string Machine(unsigned long long machine)
{
    if (machine == 0x14c)
        return "i386";
    if (machine == 0x8664)
        return "x86-64";
    char text[16];
    std::snprintf(text, sizeof text, "0x%04llx", machine);
    return text;
}

std::string Magic(unsigned long long magic)
{
    return magic == 0x10b ? "PE32" : magic == 0x20b ? "PE32+" : "magic " + Number(magic);
}

std::string Subsystem(unsigned long long subsystem)
{
    return subsystem == 2 ? "Windows GUI" : subsystem == 3 ? "Windows console" : "subsystem " + Number(subsystem);
}

void CheckHeaders(const Pe& pe, const std::string& arch)
{
    Check("file format", "a PE executable", Format(pe));
    Check("machine", arch, Machine(pe.Header(0, 2)));
    Check("optional header", arch == "i386" ? "PE32" : "PE32+", Magic(pe.Optional(0, 2)));
    Check("subsystem", "Windows GUI", Subsystem(pe.Optional(68, 2)));
    // Windows 95 loads nothing that asks for a later version. x86-64 Windows
    // starts at 5.2, so there the linker's choice stands.
    if (arch == "i386") {
        Check("subsystem version", "4.0", Number(pe.Optional(48, 2)) + "." + Number(pe.Optional(50, 2)));
        Check("OS version", "4.0", Number(pe.Optional(40, 2)) + "." + Number(pe.Optional(42, 2)));
    }
}

// ---- Imports.

struct Imports {
    std::vector<std::string> dlls;
    std::vector<std::string> functions; // "DLL function", or "DLL #ordinal"
    std::string broken;                 // why the table could not be read whole
};

// The functions one DLL's lookup table at TABLE (an RVA) names.
void ReadThunks(const Pe& pe, const std::string& dll, unsigned long long table, Imports& imports)
{
    const int width = pe.Plus() ? 8 : 4;
    const unsigned long long ordinal = 1ull << (8 * width - 1);
    const std::size_t at = pe.Offset(table);
    for (std::size_t i = 0; at != None; ++i) {
        const unsigned long long entry = At(pe.bytes, at + width * i, width);
        if (entry == 0)
            return;
        if (i == 4096) {
            imports.broken = dll + "'s table has no end";
            return;
        }
        const std::size_t name = pe.Offset(entry & 0x7fffffff);
        if ((entry & ordinal) != 0)
            imports.functions.push_back(dll + " #" + Number(entry & 0xffff));
        else if (name == None)
            imports.functions.push_back(dll + " (a name outside the sections)");
        else
            imports.functions.push_back(dll + " " + CString(pe.bytes, name + 2));
    }
    imports.broken = dll + "'s table lies outside the sections";
}

Imports ReadImports(const Pe& pe)
{
    Imports imports;
    const unsigned long address = pe.Directory(1).first;
    if (address == 0)
        return imports;
    const std::size_t at = pe.Offset(address);
    if (at == None) {
        imports.broken = "the import directory lies outside the sections";
        return imports;
    }
    // Descriptors of 20 bytes, up to one all of zeros (as the file's end reads).
    for (std::size_t d = at; At(pe.bytes, d, 8) != 0 || At(pe.bytes, d + 8, 8) != 0 || At(pe.bytes, d + 16, 4) != 0;
         d += 20) {
        if (imports.dlls.size() == 256) {
            imports.broken = "more than 256 DLLs";
            break;
        }
        const std::size_t name = pe.Offset(At(pe.bytes, d + 12, 4));
        const std::string dll = name == None ? "(a name outside the sections)" : CString(pe.bytes, name);
        imports.dlls.push_back(dll);
        const unsigned long long lookup = At(pe.bytes, d, 4);
        ReadThunks(pe, dll, lookup != 0 ? lookup : At(pe.bytes, d + 16, 4), imports);
    }
    std::sort(imports.dlls.begin(), imports.dlls.end());
    imports.dlls.erase(std::unique(imports.dlls.begin(), imports.dlls.end()), imports.dlls.end());
    std::sort(imports.functions.begin(), imports.functions.end());
    return imports;
}

// Any of the C runtimes Windows has known, by name.
bool CRuntime(std::string dll)
{
    for (char& c : dll)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    const auto starts = [&dll](const char* prefix) { return dll.rfind(prefix, 0) == 0; };
    return starts("msvcrt") || (starts("msvcr") && dll.size() > 5 && dll[5] >= '0' && dll[5] <= '9') ||
        starts("crtdll") || starts("ucrtbase") || starts("api-ms-win-crt-");
}

void CheckImports(const Pe& pe, int languages)
{
    const Imports imports = ReadImports(pe);
    if (kept == nullptr)
        std::printf("      imports:\n");
    for (const std::string& line : imports.functions)
        Indented(line);
    if (!imports.broken.empty())
        Fail("import directory: " + imports.broken);
    Check("DLLs", ExpectedDlls, Joined(imports.dlls, " "));
    std::vector<std::string> runtimes;
    std::copy_if(imports.dlls.begin(), imports.dlls.end(), std::back_inserter(runtimes), CRuntime);
    Check("C runtime DLLs imported", "none", runtimes.empty() ? "none" : Joined(runtimes, " "));

    std::vector<std::string> expected(std::begin(ExpectedImports), std::end(ExpectedImports));
    if (languages > 0)
        expected.insert(expected.end(), std::begin(LanguageImports), std::end(LanguageImports));
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> extra;
    std::vector<std::string> missing;
    std::set_difference(imports.functions.begin(), imports.functions.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    std::set_difference(expected.begin(), expected.end(), imports.functions.begin(), imports.functions.end(),
                        std::back_inserter(missing));
    if (extra.empty() && missing.empty())
        Pass("imported functions: the " + Number(imports.functions.size()) + " expected");
    else
        // A new call or a change of compiler can pull in a function; list it
        // in ExpectedImports only when the program really needs it.
        Fail("imported functions: expected exactly the list in ExeCheck.cpp, got extra: " +
             (extra.empty() ? "none" : Joined(extra, ", ")) +
             "; missing: " + (missing.empty() ? "none" : Joined(missing, ", ")));
}

// ---- Resources.

struct Resource {
    std::string kind; // "icon", "group_icon", ..., "type-<number>" or "type-<name>"
    unsigned long long id = 0;
    std::string name;
    unsigned long long language = 0;
    std::string data;
};

// A resource type's name, for the kinds Windows defines.
std::string Kind(unsigned long long type)
{
    static const char* const kinds[] = {
        "",         "cursor",      "bitmap", "icon",         "menu",         "dialog",    "string",     "fontdir",
        "font",     "accelerator", "rcdata", "messagetable", "group_cursor", "",          "group_icon", "",
        "version",  "dlginclude",  "",       "plugplay",     "vxd",          "anicursor", "aniicon",    "html",
        "manifest",
    };
    return type < std::size(kinds) && kinds[type][0] != '\0' ? kinds[type] : "type-" + Number(type);
}

// A name of the resource directory: its length in UTF-16 units, then those,
// here in ASCII.
std::string ResourceName(const std::string& bytes, std::size_t at)
{
    std::string name;
    const unsigned long long length = std::min<unsigned long long>(At(bytes, at, 2), 64);
    for (unsigned long long i = 0; i < length; ++i) {
        const unsigned long long unit = At(bytes, at + 2 + 2 * i, 2);
        name += unit >= 32 && unit < 127 ? static_cast<char>(unit) : '?';
    }
    return name;
}

struct ResourceWalk {
    const Pe& pe;
    std::size_t base = 0; // where the resource directory starts in the file
    std::vector<Resource> found;
    int entries = 0;

    // The directory at OFFSET (from the base): of types at level 0, names at
    // 1 and languages at 2, whose entries are the resources' data.
    void Walk(unsigned long long offset, int level, Resource path)
    {
        const std::size_t at = base + offset;
        const unsigned long long count = At(pe.bytes, at + 12, 2) + At(pe.bytes, at + 14, 2);
        for (unsigned long long i = 0; i < count; ++i) {
            if (++entries > 1000) {
                found.push_back({"(a directory of more than 1000 entries)", 0, "", 0, ""});
                return;
            }
            const unsigned long long key = At(pe.bytes, at + 16 + 8 * i, 4);
            const unsigned long long target = At(pe.bytes, at + 20 + 8 * i, 4);
            const bool named = (key & 0x80000000) != 0;
            const std::string name = named ? ResourceName(pe.bytes, base + (key & 0x7fffffff)) : Number(key);
            if (level == 0) {
                path.kind = named ? "type-" + name : Kind(key);
            } else if (level == 1) {
                path.id = named ? 0 : key;
                path.name = name;
            } else {
                path.language = key;
            }
            const bool directory = (target & 0x80000000) != 0;
            if (directory != (level < 2))
                found.push_back({"(a malformed entry)", 0, "", 0, ""});
            else if (directory)
                Walk(target & 0x7fffffff, level + 1, path);
            else
                Leaf(base + target, path);
        }
    }

    // A data entry: the data's address (an RVA) and size.
    void Leaf(std::size_t at, Resource resource)
    {
        const std::size_t data = pe.Offset(At(pe.bytes, at, 4));
        const unsigned long long size = At(pe.bytes, at + 4, 4);
        if (data == None || data + size > pe.bytes.size())
            resource.kind += " (data outside the file)";
        else
            resource.data = pe.bytes.substr(data, size);
        found.push_back(resource);
    }
};

std::vector<Resource> ReadResources(const Pe& pe)
{
    ResourceWalk walk{pe, 0, {}, 0};
    const unsigned long address = pe.Directory(2).first;
    if (address == 0)
        return {};
    walk.base = pe.Offset(address);
    if (walk.base == None)
        return {{"(a resource directory outside the sections)", 0, "", 0, ""}};
    walk.Walk(0, 0, {});
    return walk.found;
}

const Resource* FirstOfKind(const std::vector<Resource>& resources, const std::string& kind)
{
    const auto found =
        std::find_if(resources.begin(), resources.end(), [&kind](const Resource& r) { return r.kind == kind; });
    return found == resources.end() ? nullptr : &*found;
}

// An icon group (GRPICONDIR): its kind, then each image it names.
std::string Group(const std::string& group)
{
    if (group.size() < 6)
        return "a group of " + Number(group.size()) + " bytes";
    const unsigned long long type = At(group, 2, 2);
    std::string out = At(group, 0, 2) != 0 ? "reserved " + Number(At(group, 0, 2))
        : type == 1                        ? "icon"
        : type == 2                        ? "cursor"
                                           : "type " + Number(type);
    const unsigned long long count = At(group, 4, 2);
    if (group.size() < 6 + 14 * count)
        return out + ", " + Number(group.size()) + " bytes, too few for its " + Number(count) + " entries";
    for (unsigned long long i = 0; i < count; ++i) {
        const std::size_t at = 6 + 14 * i;
        const auto pixels = [&group](std::size_t where) { return group[where] == 0 ? 256 : At(group, where, 1); };
        out += ": " + Number(pixels(at)) + "x" + Number(pixels(at + 1)) + ", " + Number(At(group, at + 6, 2)) +
            " bits, " + Number(At(group, at + 2, 1)) + " colours, " + Number(At(group, at + 4, 2)) + " plane, icon " +
            Number(At(group, at + 12, 2)) + " of " + Number(At(group, at + 8, 4)) + " bytes";
    }
    return out;
}

// The image as the text grid has it: "palette <index> <RRGGBB>" lines, then
// 32 "row <number> <pixels>" lines, top first, a pixel's palette index as a
// hex digit or "." where the mask makes it transparent ("!" for a
// transparent pixel whose index is not 0, which no grid gives).
std::vector<std::string> Grid(const std::string& image)
{
    const auto u32 = [&image](std::size_t at) { return At(image, at, 4); };
    if (image.size() < 40 + 64 + 512 + 128 || u32(0) != 40 || u32(4) != 32 || u32(8) != 64 || At(image, 14, 1) != 4)
        return {"not a 32x32 image in 16 colours (" + Number(image.size()) + " bytes)"};
    std::vector<std::string> lines;
    char line[64];
    for (int i = 0; i < 16; ++i) {
        const std::size_t at = 40 + 4 * i;
        std::snprintf(line, sizeof line, "palette %X %02llX%02llX%02llX", i, At(image, at + 2, 1), At(image, at + 1, 1),
                      At(image, at, 1));
        lines.emplace_back(line);
    }
    const std::size_t pixels = 40 + 64;
    const std::size_t mask = pixels + 512;
    // Both are stored bottom row first.
    for (std::size_t y = 0; y < 32; ++y) {
        const std::size_t row = 31 - y;
        std::snprintf(line, sizeof line, "row %02zu ", y + 1);
        std::string text = line;
        for (std::size_t x = 0; x < 32; ++x) {
            const unsigned long long byte = At(image, pixels + 16 * row + x / 2, 1);
            const unsigned long long colour = x % 2 == 0 ? byte >> 4 : byte & 0xf;
            const bool transparent = ((At(image, mask + 4 * row + x / 8, 1) >> (7 - x % 8)) & 1) != 0;
            text += transparent ? (colour == 0 ? '.' : '!') : "0123456789ABCDEF"[colour];
        }
        lines.push_back(text);
    }
    return lines;
}

// The words of LINE, between spaces and tabs.
std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    for (std::size_t start = line.find_first_not_of(" \t"); start != None;) {
        const std::size_t end = line.find_first_of(" \t", start);
        fields.push_back(line.substr(start, end == None ? None : end - start));
        start = end == None ? None : line.find_first_not_of(" \t", end);
    }
    return fields;
}

// The same lines from the title's text grid.
std::vector<std::string> GridOfText(const std::string& text)
{
    std::vector<std::string> lines;
    int rows = 0;
    for (std::string line : Lines(text)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("palette ", 0) == 0) {
            std::vector<std::string> fields = Fields(line);
            fields.resize(3);
            std::transform(fields[2].begin(), fields[2].end(), fields[2].begin(),
                           [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
            lines.push_back("palette " + fields[1] + " " + fields[2]);
        } else if (!line.empty() && line.find_first_not_of("0123456789ABCDEF.") == None) {
            char number[24];
            std::snprintf(number, sizeof number, "row %02d ", ++rows);
            lines.push_back(number + line);
        }
    }
    return lines;
}

void SameImage(const std::string& icon, const std::vector<std::string>& expected, const std::vector<std::string>& got)
{
    if (expected == got) {
        Pass("icon pixels and palette: those of " + icon);
        return;
    }
    Fail("icon pixels and palette: expected those of " + icon + "; the lines that differ (< expected, > in the file):");
    int shown = 0;
    for (std::size_t i = 0; i < std::max(expected.size(), got.size()) && shown < 40; ++i) {
        if (i < expected.size() && i < got.size() && expected[i] == got[i])
            continue;
        if (i < expected.size() && shown++ < 40)
            Indented("< " + expected[i]);
        if (i < got.size() && shown++ < 40)
            Indented("> " + got[i]);
    }
}

void CheckIcon(const std::string& image, const Title& title)
{
    const std::string icon = Value(title, "ICON");
    const std::string kind = Value(title, "ICON_KIND");
    std::string bytes;
    if (kind != "grid" && kind != "ico") {
        Fail("icon: the title names no icon kind (TITLE_ICON_KIND \"" + kind + "\")");
        return;
    }
    if (!ReadFile(icon, bytes)) {
        Fail("icon pixels and palette: cannot read the title's icon " + icon);
        return;
    }
    if (kind == "grid") {
        SameImage(icon, GridOfText(bytes), Grid(image));
        return;
    }
    // The .ico's one image: its size and offset in the directory entry.
    const unsigned long long size = At(bytes, 14, 4);
    const unsigned long long offset = At(bytes, 18, 4);
    const std::string expected = offset < bytes.size() ? bytes.substr(offset, size) : "";
    SameImage(icon, Grid(expected), Grid(image));
    if (expected.size() == size && expected == image)
        Pass("icon image: the " + Number(size) + " bytes of " + icon + "'s image");
    else
        Fail("icon image: expected the " + Number(size) + " bytes of " + icon + "'s image, got " +
             Number(image.size()) + " other bytes");
}

// One icon group and the one image it names, nothing else (no manifest, no
// version block).
void CheckResources(const Pe& pe, const Title& title)
{
    const std::vector<Resource> resources = ReadResources(pe);
    std::vector<std::string> kinds;
    kinds.reserve(resources.size());
    for (const Resource& resource : resources)
        kinds.push_back(resource.kind);
    std::sort(kinds.begin(), kinds.end());
    if (Joined(kinds, " ") == "group_icon icon") {
        Pass("resources: group_icon icon");
    } else {
        Fail("resources: expected one group_icon and one icon, got " + (kinds.empty() ? "none" : Joined(kinds, " ")));
        for (const Resource& r : resources)
            Indented("type=" + r.kind + " name=" + r.name + " language=" + Number(r.language) +
                     " size=" + Number(r.data.size()));
    }
    const Resource* group = FirstOfKind(resources, "group_icon");
    const Resource* image = FirstOfKind(resources, "icon");
    const std::string named = image == nullptr
        ? "an icon the file lacks"
        : "icon " + Number(image->id) + " of " + Number(image->data.size()) + " bytes";
    Check("icon group", "icon: 32x32, 4 bits, 16 colours, 1 plane, " + named,
          group == nullptr ? "none" : Group(group->data));
    // The image's own header (BITMAPINFOHEADER): size, width, height of image
    // and mask together, planes, bits per pixel.
    const std::string data = image == nullptr ? "" : image->data;
    Check("icon image header (size width height planes bits)", "40 32 64 1 4",
          data.size() < 16 ? "only " + Number(data.size()) + " bytes"
                           : Number(At(data, 0, 4)) + " " + Number(At(data, 4, 4)) + " " + Number(At(data, 8, 4)) +
                  " " + Number(At(data, 12, 2)) + " " + Number(At(data, 14, 2)));
    CheckIcon(data, title);
}

// ---- The title's settings and texts.

// The texts the program hands to Windows, each whole between NULs (the end of
// a longer text would not do: "Error" ends "GetLastError"): the WIN.INI
// entry, the installer's name, and the message boxes' caption and texts in the
// title's code page (MessageBoxA shows the bytes as that code page's
// characters; UTF-8 would show as mojibake).
using Held = std::map<std::string, int>;

Held Texts(const std::string& bytes)
{
    Held held;
    for (std::size_t start = 0; start <= bytes.size();) {
        std::size_t end = bytes.find('\0', start);
        end = end == None ? bytes.size() : end;
        ++held[bytes.substr(start, end - start)];
        start = end + 1;
    }
    return held;
}

std::string TextLabel(const std::string& what, const char* key, const std::string& utf8, const std::string& codepage)
{
    return what + "text " + key + " \"" + utf8 + "\" in code page " + codepage;
}

// Each of the texts PREFIX<key> in the file, in the code page, and not their
// UTF-8 bytes instead.
void TextsHeld(const Title& title, const Held& held, const std::string& prefix, const std::string& what,
               const std::string& codepage)
{
    for (const char* key : TextKeys) {
        const std::string text = Value(title, prefix + key);
        const std::string utf8 = Value(title, prefix + key + "_utf8");
        std::string found = held.count(text) != 0 ? "yes" : "no";
        if (text != utf8 && held.count(utf8) != 0)
            found = "no: the UTF-8 bytes instead";
        Check(TextLabel(what, key, utf8, codepage), "yes", found);
    }
}

void CheckTexts(const Pe& pe, const Title& title, int languages)
{
    const Held held = Texts(pe.bytes);
    for (const char* key : SettingKeys) {
        const std::string value = Value(title, key);
        Check(std::string("setting ") + key + " \"" + value + "\" in the file", "yes",
              held.count(value) != 0 ? "yes" : "no");
    }
    TextsHeld(title, held, "", "", Value(title, "codepage"));
    // Each language's, in its own code page.
    for (int n = 1; n <= languages; ++n) {
        const std::string language = "LANGUAGE_" + Number(n);
        TextsHeld(title, held, language + "_", Value(title, language) + " ", Value(title, language + "_codepage"));
    }
}

// A signed file carries its Authenticode signature in the certificate table
// (data directory entry 4), appended at the end of the file, outside the
// image that is loaded. Its size depends on the publisher's certificate
// chain, not on the program, so the size limit leaves it out.
void CheckSize(const Pe& pe)
{
    const unsigned long long size = pe.bytes.size();
    const auto [offset, tableSize] = pe.Directory(4);
    if (tableSize == 0)
        Pass("certificate table: none (unsigned)");
    else if (static_cast<unsigned long long>(offset) + tableSize == size)
        Pass("certificate table: " + Number(tableSize) + " bytes at the end of the file (signed)");
    else
        Fail("certificate table: expected at the end of the file (" + Number(size) + " bytes), got " +
             Number(tableSize) + " bytes at " + Number(offset));
    const unsigned long long program = size - std::min<unsigned long long>(tableSize, size);
    if (program <= MaxSize)
        Pass("size: " + Number(program) + " bytes without the certificate table (at most " + Number(MaxSize) + "), " +
             Number(size) + " in all");
    else
        Fail("size: expected at most " + Number(MaxSize) + " bytes without the certificate table, got " +
             Number(program) + " (" + Number(size) + " in all)");
}

// The title's values, or why not.
std::string LoadTitle(const std::string& path, Title& title, int& languages)
{
    std::string text;
    if (!ReadFile(path, text))
        return "TITLE_SH must name the build's title/title.sh, got \"" + path + "\"";
    const std::string why = ReadTitle(text, title);
    if (!why.empty())
        return path + ": " + why;
    const std::string count = Value(title, "LANGUAGE_COUNT");
    if (count.empty() || count.size() > 3 || count.find_first_not_of("0123456789") != None)
        return path + ": TITLE_LANGUAGE_COUNT is no number: \"" + count + "\"";
    languages = std::stoi(count);
    return "";
}

// Every check of the file, once its title is read.
void CheckAll(const std::string& bytes, const std::string& arch, const Title& title, int languages)
{
    Pe pe;
    pe.bytes = bytes;
    const std::string broken = ReadPe(pe);
    if (!broken.empty()) {
        Fail("file format: expected a PE executable, got " + broken);
        return;
    }
    CheckHeaders(pe, arch);
    CheckImports(pe, languages);
    CheckResources(pe, title);
    CheckTexts(pe, title, languages);
    CheckSize(pe);
}

// ---- The checker's own test.

void Put(std::string& bytes, std::size_t at, unsigned long long value, int count)
{
    for (int i = 0; i < count && at + i < bytes.size(); ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

// Each whole NUL-delimited TEXT in BYTES with its first byte changed; false
// where there is none.
bool SpoilText(std::string& bytes, const std::string& text)
{
    const std::string whole = std::string(1, '\0') + text + '\0';
    bool found = false;
    for (std::size_t at = bytes.find(whole); !text.empty() && at != None; at = bytes.find(whole, at + 1)) {
        bytes[at + 1] = static_cast<char>(bytes[at + 1] ^ 0x01);
        found = true;
    }
    return found;
}

// Where the file holds its icon image (RESOURCE "icon") or group; None where
// it has none.
std::size_t ResourceAt(const Pe& pe, const char* kind)
{
    const std::vector<Resource> resources = ReadResources(pe);
    const Resource* resource = FirstOfKind(resources, kind);
    return resource == nullptr || resource->data.empty() ? None : pe.bytes.find(resource->data);
}

// The file padded with NULs to SIZE bytes; false where it is larger.
bool PadTo(std::string& bytes, std::size_t size)
{
    if (bytes.size() > size)
        return false;
    bytes.resize(size, '\0');
    return true;
}

// The file as signed by a certificate table of SIZE bytes appended at AT,
// which the header's entry at CERT names.
bool Signed(std::string& bytes, std::size_t cert, std::size_t at, std::size_t size)
{
    if (!PadTo(bytes, at))
        return false;
    Put(bytes, cert, at, 4);
    Put(bytes, cert + 4, size, 4);
    return PadTo(bytes, at + size);
}

// One byte of the icon image, at OFFSET in it, changed.
bool IconByte(std::string& bytes, const Pe& pe, std::size_t offset)
{
    const std::size_t at = ResourceAt(pe, "icon");
    if (at == None)
        return false;
    bytes[at + offset] = static_cast<char>(bytes[at + offset] ^ 0x01);
    return true;
}

// The first NUL-ended FROM in the file written over by TO, of its length.
bool Rename(std::string& bytes, const std::string& from, const std::string& to)
{
    const std::size_t at = bytes.find(from + '\0');
    if (at == None || to.size() != from.size())
        return false;
    bytes.replace(at, to.size(), to);
    return true;
}

struct Spoil {
    const char* what;
    // The check that must fail, by its name; "" where the copy must pass.
    const char* caught;
    // Spoils the copy; false where it cannot.
    std::function<bool(std::string&, const Pe&)> spoil;
};

// The rows: each spoils one property, or takes a limit to its edge.
std::vector<Spoil> Spoils(const Pe& good, bool i386, const Title& title)
{
    // The certificate table's entry: the fifth of the data directory.
    const std::size_t cert = good.optional + (good.Plus() ? 112 : 96) + std::size_t{32};
    const std::string caption = Value(title, "Caption");
    const std::string installer = Value(title, "InstallerName");
    return {
        {"the file as built", "", [](std::string&, const Pe&) { return true; }},
        {"no MZ", "file format", [](std::string& b, const Pe&) { return b[0] = 'X', true; }},
        {"marked a DLL", "file format",
         [](std::string& b, const Pe& pe) { return Put(b, pe.file + 18, pe.Header(18, 2) | 0x2000, 2), true; }},
        {"the other machine", "machine",
         [i386](std::string& b, const Pe& pe) { return Put(b, pe.file, i386 ? 0x8664 : 0x14c, 2), true; }},
        {"a console program", "subsystem",
         [](std::string& b, const Pe& pe) { return Put(b, pe.optional + 68, 3, 2), true; }},
        // Checked on the 32-bit file alone, for Windows 95.
        {"subsystem version 5.0", i386 ? "subsystem version" : "",
         [](std::string& b, const Pe& pe) { return Put(b, pe.optional + 48, 5, 2), true; }},
        {"OS version 4.1", i386 ? "OS version" : "",
         [](std::string& b, const Pe& pe) { return Put(b, pe.optional + 42, 1, 2), true; }},
        {"MessageBoxW for MessageBoxA", "imported functions",
         [](std::string& b, const Pe&) { return Rename(b, "MessageBoxA", "MessageBoxW"); }},
        {"MSVCRT.dll for USER32.dll", "C runtime DLLs imported",
         [](std::string& b, const Pe&) { return Rename(b, "USER32.dll", "MSVCRT.dll"); }},
        {"a byte of the caption", "text Caption",
         [caption](std::string& b, const Pe&) { return SpoilText(b, caption); }},
        {"a byte of the installer's name", "setting InstallerName",
         [installer](std::string& b, const Pe&) { return SpoilText(b, installer); }},
        {"the last palette entry", "icon pixels and palette",
         [](std::string& b, const Pe& pe) { return IconByte(b, pe, 40 + 4 * 15); }},
        {"the last pixel byte", "icon pixels and palette",
         [](std::string& b, const Pe& pe) { return IconByte(b, pe, 40 + 64 + 511); }},
        {"the last mask byte", "icon pixels and palette",
         [](std::string& b, const Pe& pe) { return IconByte(b, pe, 40 + 64 + 512 + 127); }},
        {"8 bits in the icon group", "icon group",
         [](std::string& b, const Pe& pe) {
             const std::size_t at = ResourceAt(pe, "group_icon");
             return at != None && (Put(b, at + 6 + 6, 8, 2), true);
         }},
        {"the largest file", "", [](std::string& b, const Pe&) { return PadTo(b, MaxSize); }},
        {"one byte over", "size", [](std::string& b, const Pe&) { return PadTo(b, MaxSize + 1); }},
        {"the largest file, signed", "", [cert](std::string& b, const Pe&) { return Signed(b, cert, MaxSize, 4096); }},
        {"one byte over, signed", "size",
         [cert](std::string& b, const Pe&) { return Signed(b, cert, MaxSize + 1, 4096); }},
        {"a certificate table not last", "certificate table",
         [cert](std::string& b, const Pe&) { return Put(b, cert, b.size() - 64, 4), Put(b, cert + 4, 32, 4), true; }},
    };
}

// Whether the checks of ROW's copy find what the row says, printing it.
bool AsExpected(const Spoil& row, const Pe& good, const std::string& arch, const Title& title, int languages)
{
    std::string bytes = good.bytes;
    if (!row.spoil(bytes, good)) {
        std::printf("FAIL  %s: the file has nothing to spoil so\n", row.what);
        return false;
    }
    std::vector<std::string> found;
    kept = &found;
    CheckAll(bytes, arch, title, languages);
    kept = nullptr;
    // The check's name, then its value or what it looked for.
    const std::string label = row.caught;
    const auto named = std::find_if(found.begin(), found.end(), [&label](const std::string& f) {
        return f.rfind(label, 0) == 0 && f.size() > label.size() && (f[label.size()] == ':' || f[label.size()] == ' ');
    });
    if (label.empty() ? found.empty() : named != found.end()) {
        std::printf("ok    %s: %s\n", row.what, found.empty() ? "passes" : named->c_str());
        return true;
    }
    const std::string expected = label.empty() ? "no finding" : "a finding of \"" + label + "\"";
    std::printf("FAIL  %s: expected %s, got %s\n", row.what, expected.c_str(),
                found.empty() ? "none" : Joined(found, "; ").c_str());
    return false;
}

int SelfTest(const std::string& exe, const std::string& arch, const Title& title, int languages)
{
    Pe good;
    if (!ReadFile(exe, good.bytes) || !ReadPe(good).empty()) {
        std::printf("FAIL  %s: no PE file to spoil\n", exe.c_str());
        return 1;
    }
    const std::vector<Spoil> spoils = Spoils(good, arch == "i386", title);
    const auto wrong = std::count_if(spoils.begin(), spoils.end(),
                                     [&](const Spoil& row) { return !AsExpected(row, good, arch, title, languages); });
    if (wrong == 0)
        std::printf("all %zu copies as expected\n", spoils.size());
    else
        std::printf("%ld of %zu copies not as expected\n", static_cast<long>(wrong), spoils.size());
    return wrong == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool selfTest = argc > 1 && std::string(argv[1]) == "--self-test";
    argv += selfTest ? 1 : 0;
    argc -= selfTest ? 1 : 0;
    if (argc != 4 || (std::string(argv[2]) != "i386" && std::string(argv[2]) != "x86-64")) {
        std::fprintf(stderr, "usage: exe-check [--self-test] EXE i386|x86-64 TITLE_SH\n");
        return 2;
    }
    const std::string exe = argv[1];
    std::string bytes;
    if (!ReadFile(exe, bytes)) {
        Fail(exe + " does not exist or is no file");
        return 1;
    }
    Title title;
    int languages = 0;
    const std::string why = LoadTitle(argv[3], title, languages);
    if (!why.empty()) {
        Fail(why);
        return 1;
    }
    if (selfTest)
        return SelfTest(exe, argv[2], title, languages);
    std::printf("== %s\n", exe.c_str());
    CheckAll(bytes, argv[2], title, languages);
    if (failures != 0) {
        std::printf("%d checks failed\n", failures);
        return 1;
    }
    std::printf("all checks passed\n");
    return 0;
}
