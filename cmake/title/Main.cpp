// Reads a title file (titles/*/title.ini) and writes what the build, the
// installer, the scripts and the tests take their names, texts, limits and
// icon from. Every mistake is refused, all of them in one run, each with the
// file, the line, the key and why; nothing is replaced by a default in silence.
//
//   title TITLE.ini OUTDIR
//   title --languages       prints the table of languages, as the guide has it
//
// Writes into OUTDIR, each file only when its bytes change:
//   Title.h       the seven settings, six texts and each language's texts, for C++
//   title.sh      the same and the derived limits, as bash variables TITLE_*
//   title.nsh     the installer's defines
//   languages.nsh the languages' names and texts in UTF-8, and their pages (title.nsh includes it)
//   title.cmake   what CMake needs (the programs' names, the icon)
//   Launcher.rc   the icon as the program's two raw resources
//   icon.ico      the same icon as a file, for NSIS
// Exits 0, 1 after printing every refusal on standard error, 2 on a wrong
// command line or a file it cannot write.
#include "TitleTool.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

bool ReadFile(const std::string& path, std::string& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Through a .new file, so that a reader never sees half of one; untouched
// when it holds these bytes already, so that a configure rebuilds nothing.
bool Update(const std::string& path, const std::string& bytes)
{
    std::string old;
    if (ReadFile(path, old) && old == bytes)
        return true;
    const std::string fresh = path + ".new";
    std::FILE* file = std::fopen(fresh.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written && std::rename(fresh.c_str(), path.c_str()) == 0;
}

bool MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat info {};
        if (stat(part.c_str(), &info) != 0 && mkdir(part.c_str(), 0777) != 0)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

} // namespace

int title::Tool(const std::vector<std::string>& arguments, std::string& out, std::string& err)
{
    if (arguments.size() == 1 && arguments[0] == "--languages") {
        out += title::LanguageTable();
        return 0;
    }
    if (arguments.size() != 2) {
        err += "usage: title TITLE.ini OUTDIR | title --languages\n";
        return 2;
    }
    // Transliteration (the disc's volume from the name) follows the locale.
    std::setlocale(LC_ALL, "C.UTF-8");
    title::Title title;
    title.file = arguments[0];
    const std::string& outdir = arguments[1];
    std::string bytes;
    struct stat info {};
    if (stat(title.file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !ReadFile(title.file, bytes)) {
        err += title.file + ": no such title file (or not readable)\n";
        return 1;
    }
    const std::size_t slash = title.file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : title.file.substr(0, slash == 0 ? 1 : slash);
    char* resolved = realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) {
        err += title.file + ": cannot find its folder\n";
        return 1;
    }
    title.folder = resolved;
    std::free(resolved);
    title.absolute = (title.folder == "/" ? "" : title.folder) + "/" +
        (slash == std::string::npos ? title.file : title.file.substr(slash + 1));

    title::Read(title, bytes);
    title::Check(title);
    if (!title.refusals.empty()) {
        std::stable_sort(title.refusals.begin(), title.refusals.end(),
                         [](const title::Refusal& a, const title::Refusal& b) { return a.line < b.line; });
        for (const title::Refusal& refusal : title.refusals)
            err += title.file + ":" + std::to_string(refusal.line) + ": " + refusal.where + ": " + refusal.why + "\n";
        err += title.file + ": " + std::to_string(title.refusals.size()) + " mistake(s); nothing was built from it\n";
        return 1;
    }

    const std::pair<const char*, std::string> files[] = {
        {"Title.h", title::TitleHeader(title)},        {"title.sh", title::TitleShell(title)},
        {"title.nsh", title::TitleNsis(title)},        {"languages.nsh", title::TitleNsisLanguages(title)},
        {"title.cmake", title::TitleCMake(title)},     {"Launcher.rc", title::ResourceScript(title.iconImage)},
        {"icon.ico", title::IcoFile(title.iconImage)},
    };
    if (!MakeFolders(outdir)) {
        err += outdir + ": cannot make the folder\n";
        return 2;
    }
    for (const auto& [name, content] : files) {
        if (!Update(outdir + "/" + name, content)) {
            err += outdir + "/" + name + ": cannot write it\n";
            return 2;
        }
    }
    return 0;
}
