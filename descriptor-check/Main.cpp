// descriptor-check FILE...: what the launcher will make of each descriptor.
#include "DescriptorCheck.h"
#include "System.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char Usage[] = "usage: descriptor-check [--version] FILE...\n"
                     "Prints, for each descriptor file, the value the launcher would record and the directory the\n"
                     "game starts from once WIN.INI has given that value back, each with its length (bytes outside\n"
                     "printable ASCII shown as <hh>), or why it would record nothing; then a note for each blank\n"
                     "or quote WIN.INI drops on the way, and a warning for each reason the game may not start from\n"
                     "that directory.\n"
                     "Exit status: 0 usable (with notes or without), 2 recorded but with a warning, 1 the launcher\n"
                     "would refuse it, 64 usage error, or a file that cannot be read or is no regular file (a\n"
                     "directory, a device, a pipe, a socket). With several files the worst counts, in the order 64,\n"
                     "1, 2, 0.\n"
                     "A file is read in pieces of 64 KiB: what is held at once is at most two pieces and the text\n"
                     "from the key to the end of its value, a few hundred bytes in any real descriptor.\n"
                     "  --version   print the version of descriptor-check and exit\n"
                     "  -h, --help  print this text and exit\n";

// The launcher is a 32-bit program that reads the whole file into one block
// of memory. Its address space has 2 GiB, the program and Windows' own
// libraries among them, so no block of that size is ever given.
constexpr std::uintmax_t LargestHeld = (std::uintmax_t{1} << 31) - 1;

class FileSource : public Source {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}

    std::size_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t got = std::fread(buffer, 1, size, file_);
        if (got == 0 && std::ferror(file_) != 0 && error.empty())
            error = std::strerror(errno);
        return got;
    }

    std::string error; // why reading stopped short, if it did

private:
    std::FILE* file_;
};

Verdict Unreadable(const std::string& path, const std::string& why)
{
    std::fflush(stdout);
    Print(stderr, "descriptor-check: cannot read " + NameForOutput(path) + ": " + why + "\n");
    return Verdict::Unreadable;
}

// A directory, a device, a pipe or a socket: no installer leaves one as its
// descriptor, and reading one may never end.
Verdict NotRegular(const std::string& path, const char* kind)
{
    return Unreadable(path, std::string("it is ") + kind + ", not a regular file");
}

const char* KindOf(std::filesystem::file_type type)
{
    switch (type) {
    case std::filesystem::file_type::directory:
        return "a directory";
    case std::filesystem::file_type::character:
    case std::filesystem::file_type::block:
        return "a device";
    case std::filesystem::file_type::fifo:
        return "a pipe";
    case std::filesystem::file_type::socket:
        return "a socket";
    default:
        return "something else";
    }
}

Verdict CheckFile(const std::string& path)
{
    // Known before anything is read, and here before the file is opened: a
    // pipe would wait for a writer, a device's data would never end.
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (!code && status.type() != std::filesystem::file_type::regular)
        return NotRegular(path, KindOf(status.type()));
    const std::uintmax_t size = std::filesystem::file_size(path, code);
    if (!code && size > LargestHeld) {
        Print(stdout,
              NameForOutput(path) +
                  ": refused: the launcher, a 32-bit program, cannot hold a file of 2 GiB or more in memory "
                  "(this one is " +
                  std::to_string(size) + " bytes) and ends without recording anything\n");
        return Verdict::Refused;
    }

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return Unreadable(path, std::strerror(errno));
    // What the name did not tell: Windows' devices (NUL, CON), say.
    if (const char* kind = NotRegularKind(file)) {
        std::fclose(file);
        return NotRegular(path, kind);
    }
    FileSource source(file);
    CheckResult result = {};
    std::string error;
    try {
        result = CheckDescriptor(source);
        error = source.error;
    } catch (const std::bad_alloc&) {
        // Only a key far from its "=" makes much to hold.
        error = "too big to hold in memory";
    }
    std::fclose(file);
    if (!error.empty())
        return Unreadable(path, error);

    Print(stdout, Report(NameForOutput(path), result));
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
            Print(stdout, Usage);
            return 0;
        } else if (options && argument == "--version") {
            Print(stdout, "descriptor-check " DESCRIPTOR_CHECK_VERSION "\n");
            return 0;
        } else if (options && argument.size() > 1 && argument[0] == '-') {
            Print(stderr, "descriptor-check: unknown option " + NameForOutput(argument) + "\n" + Usage);
            return static_cast<int>(Verdict::Unreadable);
        } else {
            files.push_back(argument);
        }
    }
    if (files.empty()) {
        Print(stderr, Usage);
        return static_cast<int>(Verdict::Unreadable);
    }

    Verdict worst = Verdict::Usable;
    for (const std::string& file : files)
        worst = Worse(worst, CheckFile(file));
    std::fflush(stdout);
    return static_cast<int>(worst);
}
