// The path descriptor: the file in which the installer leaves the directory
// it installed the game to.
#include "Descriptor.h"

#include "Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

char DescriptorPath[PathBufferSize];

namespace {

constexpr unsigned char CarriageReturn = 13;
constexpr unsigned char EndOfText = 26; // Ctrl-Z

constexpr std::size_t KeyLength = sizeof DescriptorKey - 1;

// Reads the raw bytes as a text-mode read would: a CR is dropped and the byte
// after it taken as it is; Ctrl-Z, alone or after a CR, ends the data. A copy
// of a reader reads on from the same place, which the key search relies on.
class TextReader {
public:
    TextReader(const char* bytes, std::size_t size)
        : next_(reinterpret_cast<const unsigned char*>(bytes)), end_(next_ + size)
    {
    }

    // The next byte of data, or -1 at the end of the data.
    int Read()
    {
        if (next_ == end_)
            return -1;
        unsigned char c = *next_++;
        if (c == CarriageReturn) {
            if (next_ == end_)
                return -1;
            c = *next_++;
        }
        if (c == EndOfText) {
            next_ = end_;
            return -1;
        }
        return c;
    }

private:
    const unsigned char* next_;
    const unsigned char* end_;
};

// The whole file in a new buffer (null when it is empty); false when the file
// cannot be opened or read, which the launcher treats alike.
bool ReadWholeFile(const char* path, char*& data, std::size_t& size)
{
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    data = nullptr;
    size = 0;
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        end = std::ftell(file);
    bool ok = end >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok && end > 0) {
        data = static_cast<char*>(std::malloc(static_cast<std::size_t>(end)));
        ok = data != nullptr;
        if (ok) {
            size = std::fread(data, 1, static_cast<std::size_t>(end), file);
            ok = std::ferror(file) == 0;
        }
    }
    std::fclose(file);
    if (!ok) {
        std::free(data);
        data = nullptr;
    }
    return ok;
}

} // namespace

DescriptorValue ParseDescriptor(const char* bytes, std::size_t size)
{
    DescriptorValue result = {DescriptorStatus::NoKey, {}};

    // The first place in the data where the whole key stands.
    TextReader occurrence(bytes, size);
    for (;;) {
        TextReader probe = occurrence;
        std::size_t matched = 0;
        while (matched < KeyLength && probe.Read() == static_cast<unsigned char>(DescriptorKey[matched]))
            ++matched;
        if (matched == KeyLength)
            break;
        if (occurrence.Read() < 0)
            return result;
    }

    // The "=" may stand on a later line than the key.
    TextReader value = occurrence;
    int c;
    do {
        c = value.Read();
    } while (c >= 0 && c != '=');
    if (c < 0) {
        result.status = DescriptorStatus::NoSeparator;
        return result;
    }

    // Refused rather than cut short when it does not fit with its NUL.
    std::size_t length = 0;
    while ((c = value.Read()) >= 0 && c != '\n' && c != '\0') {
        if (length == sizeof result.text - 1)
            return {DescriptorStatus::TooLong, {}};
        result.text[length++] = static_cast<char>(c);
    }
    result.status = DescriptorStatus::Found;
    return result;
}

char* ReadInstallPath()
{
    // The descriptor lies in the root of the drive that holds Windows. Without
    // that drive there is no descriptor to read.
    char windowsDirectory[PathBufferSize] = {};
    const platform::UINT length = platform::GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    if (length == 0 || length >= sizeof windowsDirectory)
        platform::ExitProcess(0);
    static_assert(3 + sizeof DescriptorFileName <= sizeof DescriptorPath, "descriptor path must fit");
    DescriptorPath[0] = windowsDirectory[0];
    DescriptorPath[1] = ':';
    DescriptorPath[2] = '\\';
    std::memcpy(DescriptorPath + 3, DescriptorFileName, sizeof DescriptorFileName);

    // No descriptor (the installer was cancelled, say) ends the launcher quietly.
    char* data;
    std::size_t size;
    if (!ReadWholeFile(DescriptorPath, data, size))
        platform::ExitProcess(0);
    const DescriptorValue value = ParseDescriptor(data, size);
    std::free(data);
    if (value.status != DescriptorStatus::Found) {
        ReportError("Cannot find path descriptor!");
        platform::ExitProcess(0);
    }

    // Lives until the process ends, as the caller expects of it.
    static char installPath[PathBufferSize];
    std::memcpy(installPath, value.text, sizeof installPath);
    return installPath;
}
