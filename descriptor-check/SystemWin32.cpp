// Windows gives the command line in the ANSI code page, and a console shows
// bytes in its own, the OEM code page: a console gets the text in UTF-16, a
// file or a pipe gets it in UTF-8 as it is.
#include "System.h"

#include <io.h>
#include <windows.h>

namespace {

std::wstring Wide(const std::string& text, UINT codePage)
{
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

} // namespace

const char* NotRegularKind(std::FILE* file)
{
    // NUL, CON and COM1 open as character devices, and so does a Unix device under Wine.
    switch (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))))) {
    case FILE_TYPE_DISK:
        return nullptr;
    case FILE_TYPE_CHAR:
        return "a device";
    case FILE_TYPE_PIPE:
        return "a pipe";
    default:
        return "something else";
    }
}

std::string NameForOutput(const std::string& name)
{
    const std::wstring wide = Wide(name, CP_ACP);
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (length > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

void Print(std::FILE* stream, const std::string& text)
{
    const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode;
    if (!GetConsoleMode(handle, &mode)) {
        std::fputs(text.c_str(), stream);
        return;
    }
    // What the C library holds goes first, so that the lines keep their order.
    std::fflush(stream);
    const std::wstring wide = Wide(text, CP_UTF8);
    DWORD written;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}
