// descriptor-check FILE...: what the launcher will make of each descriptor.
#include "DescriptorCheck.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char Usage[] = "usage: descriptor-check FILE...\n"
                     "Prints, for each descriptor file, the value the launcher would record and its length\n"
                     "(bytes outside printable ASCII shown as <hh>), or why it would record nothing, then\n"
                     "each reason the game may not start from that value.\n"
                     "Exit status: 0 usable, 2 recorded but with a warning, 1 the launcher would refuse it,\n"
                     "64 usage error or a file that cannot be read. With several files the worst counts,\n"
                     "in the order 64, 1, 2, 0.\n";

// The launcher learns a file's size in 32 bits, where all ones means failure.
constexpr std::uintmax_t LargestReadable = 0xFFFFFFFEu;

// The whole file, or false with the reason.
bool ReadFile(const std::string& path, std::vector<char>& bytes, std::string& error)
{
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = "it is a directory";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > LargestReadable)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    if (failed)
        error = std::strerror(errno);
    std::fclose(file);
    return !failed;
}

// Too big for the launcher to read: it ends quietly, recording nothing.
// `size` is what is known of the size, as words for the message, or empty.
Verdict TooBig(const std::string& path, const std::string& size)
{
    std::printf("%s: refused: the launcher cannot read a file of 4 GiB or more%s and ends without recording anything\n",
                path.c_str(), size.c_str());
    return Verdict::Refused;
}

Verdict CheckFile(const std::string& path)
{
    // Known from the size alone, where there is one, without reading 4 GiB.
    std::error_code code;
    const std::uintmax_t size = std::filesystem::file_size(path, code);
    if (!code && size > LargestReadable)
        return TooBig(path, " (this one is " + std::to_string(size) + " bytes)");

    std::vector<char> bytes;
    std::string error;
    bool read;
    try {
        read = ReadFile(path, bytes, error);
    } catch (const std::bad_alloc&) {
        read = false;
        error = "too big to hold in memory";
    }
    if (read && bytes.size() > LargestReadable)
        return TooBig(path, "");
    if (!read) {
        std::fflush(stdout);
        std::fprintf(stderr, "descriptor-check: cannot read %s: %s\n", path.c_str(), error.c_str());
        return Verdict::Unreadable;
    }

    const CheckResult result = CheckDescriptor(bytes.empty() ? nullptr : bytes.data(), bytes.size());
    std::fputs(Report(path, result).c_str(), stdout);
    return result.verdict;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "-h" || argument == "--help")) {
            std::fputs(Usage, stdout);
            return 0;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            std::fprintf(stderr, "descriptor-check: unknown option %s\n%s", argument.c_str(), Usage);
            return static_cast<int>(Verdict::Unreadable);
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty()) {
        std::fputs(Usage, stderr);
        return static_cast<int>(Verdict::Unreadable);
    }

    Verdict worst = Verdict::Usable;
    for (const std::string& file : files)
        worst = Worse(worst, CheckFile(file));
    std::fflush(stdout);
    return static_cast<int>(worst);
}
