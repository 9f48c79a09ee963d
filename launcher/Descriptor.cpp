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

// Drops what a text-mode read would drop; returns the length of the data left.
std::size_t TranslateText(char* bytes, std::size_t size)
{
    std::size_t length = 0;
    for (std::size_t i = 0; i < size; ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == CarriageReturn) {
            if (++i == size)
                break;
            c = static_cast<unsigned char>(bytes[i]);
        }
        if (c == EndOfText)
            break;
        bytes[length++] = static_cast<char>(c);
    }
    return length;
}

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

DescriptorValue ParseDescriptor(char* bytes, std::size_t size)
{
    DescriptorValue result = {DescriptorStatus::NoKey, {}};
    const std::size_t length = TranslateText(bytes, size);

    std::size_t key = 0;
    while (key + KeyLength <= length && std::memcmp(bytes + key, DescriptorKey, KeyLength) != 0)
        ++key;
    if (key + KeyLength > length)
        return result;

    // The "=" may stand on a later line than the key.
    const void* separator = std::memchr(bytes + key, '=', length - key);
    if (separator == nullptr) {
        result.status = DescriptorStatus::NoSeparator;
        return result;
    }
    const std::size_t start = static_cast<std::size_t>(static_cast<const char*>(separator) - bytes) + 1;
    std::size_t end = start;
    while (end < length && bytes[end] != '\n' && bytes[end] != '\0')
        ++end;
    if (end - start >= sizeof result.text) {
        result.status = DescriptorStatus::TooLong;
        return result;
    }
    std::memcpy(result.text, bytes + start, end - start);
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
