// The path descriptor: the file in which the installer leaves the directory
// it installed the game to.
#include "Descriptor.h"

#include "Platform.h"

char DescriptorPath[PathBufferSize];

namespace {

constexpr std::size_t KeyLength = sizeof DescriptorKey - 1;

} // namespace

bool ReadWholeFile(const char* path, char*& data, std::size_t& size)
{
    data = nullptr;
    size = 0;
    // Others may have the file open, even for writing (an installer that has
    // not closed it yet). Never FILE_SHARE_DELETE: Windows 95 rejects it.
    const platform::HANDLE file =
        platform::CreateFileA(path, platform::GenericRead, platform::FileShareRead | platform::FileShareWrite, nullptr,
                              platform::OpenExisting, platform::FileAttributeNormal, nullptr);
    if (file == platform::InvalidHandleValue())
        return false;
    // A size that needs the high part does not fit in memory; the largest
    // low part is also how the call says that it failed.
    platform::DWORD high = 0;
    const platform::DWORD low = platform::GetFileSize(file, &high);
    bool ok = high == 0 && low != platform::InvalidFileSize;
    if (ok && low > 0) {
        const platform::HANDLE heap = platform::GetProcessHeap();
        data = static_cast<char*>(platform::HeapAlloc(heap, 0, low));
        platform::DWORD read = 0;
        ok = data != nullptr && platform::ReadFile(file, data, low, &read, nullptr);
        // A file that shrank since its size was taken is read as it is now.
        size = read;
        if (!ok && data != nullptr) {
            platform::HeapFree(heap, 0, data);
            data = nullptr;
            size = 0;
        }
    }
    platform::CloseHandle(file);
    return ok;
}

DescriptorValue ParseDescriptor(const char* bytes, std::size_t size)
{
    DescriptorValue result = {DescriptorStatus::NoKey, {}, 0, 0, 0};

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

    result.keyOffset = occurrence.Offset(bytes);

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

    result.valueOffset = value.Offset(bytes);

    // Refused rather than cut short when it does not fit with its NUL.
    std::size_t length = 0;
    while ((c = value.Read()) >= 0 && c != '\n' && c != '\0') {
        if (length == sizeof result.text - 1)
            return {DescriptorStatus::TooLong, {}, result.keyOffset, result.valueOffset, 0};
        result.text[length++] = static_cast<char>(c);
    }
    result.status = DescriptorStatus::Found;
    result.valueEnd = value.Offset(bytes);
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
    for (std::size_t i = 0; i < sizeof DescriptorFileName; ++i)
        DescriptorPath[3 + i] = DescriptorFileName[i];

    // No descriptor (the installer was cancelled, say) ends the launcher quietly.
    char* data;
    std::size_t size;
    if (!ReadWholeFile(DescriptorPath, data, size))
        platform::ExitProcess(0);
    const DescriptorValue value = ParseDescriptor(data, size);
    if (data != nullptr)
        platform::HeapFree(platform::GetProcessHeap(), 0, data);
    if (value.status != DescriptorStatus::Found) {
        ReportError(LAUNCHER_TEXT(CannotFindDescriptor));
        platform::ExitProcess(0);
    }

    // Lives until the process ends, as the caller expects of it.
    static char installPath[PathBufferSize];
    for (std::size_t i = 0; i < sizeof installPath; ++i)
        installPath[i] = value.text[i];
    return installPath;
}
