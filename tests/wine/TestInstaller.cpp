// Stands in for the title's installer (InstallerName). What it does is set by
// environment variables, which the launcher passes on unchanged; each is
// optional:
//
//   TEST_LOG                 file to which each step is appended
//   TEST_INSTALL_DELAY_MS    wait this long first, as a real installer would
//   TEST_INSTALL_COPY        file to copy into TEST_DESCRIPTOR_DIR (made if absent,
//                            with its parents)
//   TEST_DESCRIPTOR_DIR      write the descriptor "[Setup]\r\n<DescriptorKey>=<dir>\r\n"
//   TEST_DESCRIPTOR_SOURCE   write the descriptor as a byte-for-byte copy of this
//                            file instead, for contents the line above cannot give
//   TEST_INSTALL_EXIT        exit status (default 0)
//
// With neither descriptor setting it leaves no descriptor, as a cancelled
// installation does. The descriptor goes where the launcher looks for it: the
// root of the drive that holds the Windows directory, under the title's
// DescriptorFileName.
#include "HelperLog.h"
#include "Title.h"

#include <cstdlib>
#include <cstring>

namespace {

char Log[MAX_PATH];

void Record(const char* what, const char* value)
{
    if (Log[0] != '\0')
        AppendLogLine(Log, "installer", what, value);
}

unsigned long NumberSetting(const char* name, unsigned long otherwise)
{
    char text[32];
    return GetSetting(name, text, sizeof text) ? std::strtoul(text, nullptr, 0) : otherwise;
}

bool WriteDescriptor(const char* path, const char* destination)
{
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    std::fprintf(file, "[Setup]\r\n%s=%s\r\n", DescriptorKey, destination);
    return std::fclose(file) == 0;
}

// Makes the directory and any of its parents that are missing. Failures show
// when something is put into it.
void MakeDirectories(const char* directory)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s", directory);
    for (char* c = path; *c != '\0'; ++c) {
        if (*c == '\\' && c > path && c[-1] != ':') {
            *c = '\0';
            CreateDirectoryA(path, nullptr);
            *c = '\\';
        }
    }
    CreateDirectoryA(path, nullptr);
}

// Copies `source` into `directory` under its own file name; returns the copy's
// path in `copy`.
bool CopyIntoDirectory(const char* source, const char* directory, char (&copy)[MAX_PATH])
{
    const char* name = std::strrchr(source, '\\');
    name = name != nullptr ? name + 1 : source;
    if (std::snprintf(copy, sizeof copy, "%s\\%s", directory, name) >= static_cast<int>(sizeof copy))
        return false;
    MakeDirectories(directory);
    return CopyFileA(source, copy, FALSE) != 0;
}

// "own" when this program is alone on its console, as with a console made for
// it; "shared" when other programs are attached too; "none" without one.
const char* ConsoleState()
{
    DWORD attached[4];
    const DWORD count = GetConsoleProcessList(attached, 4);
    if (count == 0)
        return "none";
    return count == 1 && attached[0] == GetCurrentProcessId() ? "own" : "shared";
}

} // namespace

int main()
{
    GetSetting("TEST_LOG", Log, sizeof Log);
    Record("cmdline", GetCommandLineA());
    char directory[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(sizeof directory, directory);
    Record("cwd", length != 0 && length < sizeof directory ? directory : "?");
    Record("console", ConsoleState());

    Sleep(NumberSetting("TEST_INSTALL_DELAY_MS", 0));

    char destination[MAX_PATH];
    const bool haveDestination = GetSetting("TEST_DESCRIPTOR_DIR", destination, sizeof destination);
    char source[MAX_PATH];
    if (haveDestination && GetSetting("TEST_INSTALL_COPY", source, sizeof source)) {
        char copy[MAX_PATH];
        Record(CopyIntoDirectory(source, destination, copy) ? "copied" : "copy-failed", copy);
    }

    char windowsDirectory[MAX_PATH];
    GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    char descriptor[MAX_PATH];
    std::snprintf(descriptor, sizeof descriptor, "%c:\\%s", windowsDirectory[0], DescriptorFileName);
    if (GetSetting("TEST_DESCRIPTOR_SOURCE", source, sizeof source)) {
        Record(CopyFileA(source, descriptor, FALSE) ? "descriptor" : "descriptor-failed", descriptor);
    } else if (haveDestination) {
        Record(WriteDescriptor(descriptor, destination) ? "descriptor" : "descriptor-failed", descriptor);
    }

    const unsigned long status = NumberSetting("TEST_INSTALL_EXIT", 0);
    char text[32];
    std::snprintf(text, sizeof text, "%lu", status);
    Record("exit", text);
    return static_cast<int>(status);
}
