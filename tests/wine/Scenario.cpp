// Runs the rows of Rows.cpp: see Scenario.h. Usage:
//
//   scenarios.exe --launcher=PATH [--installers=DIR] [--disc=UNIX_DIR --disc-without=UNIX_DIR
//                 --disc-installer=silent|stand-in] [--proof] [--language=N] [--shard=I/N]
//                 [NAME_PATTERN...]
//   scenarios.exe --list [--proof]
//   scenarios.exe --launcher=PATH --settle
//
// A pattern may hold * and ?; without one every row runs. --proof runs only
// the rows marked Proof; --language=N only those marked Language, expecting
// the texts of the title's N-th language (0: its default texts) in boxes:
// run it in a locale that gives Windows that language and code page, which
// it checks first. --shard=I/N the I-th of N shares. --installers names
// the folder of the NSIS installer's test variants (silent\, cancel\); the
// disc options the two read-only folders drive D: shows (the disc, and the
// disc without the launcher). --settle does what a prefix's first use does
// once, so that the registry it leaves is the one every run leaves.
//
// Every row first checks that it finds the world every row starts from (the
// files of drive C: as recorded at the program's start, WIN.INI's bytes, no
// program of ours running), and afterwards puts it back. Prints a line per
// check and ends on "N passed, N failed, N skipped"; exits 1 when any failed.
#include "Scenario.h"

#include "HelperLog.h"

#include "Title.h"

#include <fcntl.h>
#include <io.h>
#include <tlhelp32.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

int failures = 0; // of the row running

// A text as the terminal shows it: in UTF-8, from the code page.
Text Shown(const Text& text)
{
    if (text.empty())
        return "\"\"";
    std::wstring wide(text.size(), L'\0');
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                               static_cast<int>(wide.size()));
    Text utf8(static_cast<std::size_t>(wideLength) * 4 + 1, '\0');
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length));
    Text shown = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        char escaped[8];
        if (byte == '\r')
            shown += "\\r";
        else if (byte == '\n')
            shown += "\\n";
        else if (byte == '\t')
            shown += "\\t";
        else if (byte < 0x20 || byte == 0x7f) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            shown += escaped;
        } else
            shown += c;
    }
    return shown + "\"";
}

void Print(const Text& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

// --- options ----------------------------------------------------------------

Text launcherPath;
Text installersDir;
Text discDir, discWithoutDir, discInstaller;
const DWORD RunSeconds = sizeof(void*) == 8 ? 30 : 90; // emulated 32-bit Wine is several times slower

Text Setting(const char* name)
{
    char value[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length != 0 && length < sizeof value ? Text(value, length) : Text();
}

Text Lower(Text text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool Matches(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*')
        return Matches(pattern + 1, name) || (*name != '\0' && Matches(pattern, name + 1));
    return *name != '\0' && (*pattern == '?' || *pattern == *name) && Matches(pattern + 1, name + 1);
}

// --- files --------------------------------------------------------------------

Text WindowsDir()
{
    char dir[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    return Text(dir, length);
}

void MakeDirectories(const Text& dir)
{
    for (std::size_t at = 3; at <= dir.size(); ++at) {
        if (at == dir.size() || dir[at] == '\\')
            CreateDirectoryA(dir.substr(0, at).c_str(), nullptr);
    }
}

bool CopyInto(const Text& file, const Text& dir)
{
    MakeDirectories(dir);
    const std::size_t slash = file.find_last_of("\\/");
    const Text copy = dir + "\\" + file.substr(slash == Text::npos ? 0 : slash + 1);
    if (CopyFileA(file.c_str(), copy.c_str(), FALSE))
        return true;
    Fail("could not copy " + file + " into " + dir + ": error " + std::to_string(GetLastError()));
    return false;
}

// --- the world: drive C: as recorded, and putting it back ---------------------

struct FileState {
    DWORD attributes;
    ULONGLONG size;
    FILETIME written;
};
using Listing = std::map<Text, FileState>;

void ListInto(const Text& dir, Listing& listing)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileExA((dir + "\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                           nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
            continue;
        const Text path = dir + "\\" + found.cFileName;
        const bool directory = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        FileState state = {found.dwFileAttributes & ~FILE_ATTRIBUTE_ARCHIVE,
                           directory ? 0 : (ULONGLONG{found.nFileSizeHigh} << 32) | found.nFileSizeLow,
                           directory ? FILETIME{} : found.ftLastWriteTime};
        listing[path] = state;
        if (directory && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            ListInto(path, listing);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Listing ListDrive(const Text& root)
{
    Listing listing;
    ListInto(root, listing);
    return listing;
}

Text Describe(const FileState& state)
{
    if ((state.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "a directory";
    const ULONGLONG time = (ULONGLONG{state.written.dwHighDateTime} << 32) | state.written.dwLowDateTime;
    return "a file of " + std::to_string(state.size) + " bytes, written at " + std::to_string(time) + ", attributes " +
        std::to_string(state.attributes);
}

bool Same(const FileState& a, const FileState& b)
{
    return a.attributes == b.attributes && a.size == b.size && CompareFileTime(&a.written, &b.written) == 0;
}

struct Baseline {
    Listing files;
    Text winIni, systemIni;
    FILETIME winIniTime, systemIniTime;
};
Baseline world;

bool FileTime(const Text& path, FILETIME& time)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

Text SystemIniPath()
{
    return WindowsDir() + "\\system.ini";
}

void RecordWorld()
{
    world.files = ListDrive("C:");
    ReadBytes(WinIniPath(), world.winIni);
    ReadBytes(SystemIniPath(), world.systemIni);
    FileTime(WinIniPath(), world.winIniTime);
    FileTime(SystemIniPath(), world.systemIniTime);
}

bool WineOwn(const Text& image)
{
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    // Wine's own programs (services, the desktop, a console's host) live in
    // its system directories, ours never; they come and go as Wine sees fit.
    const Text lower = Lower(image);
    const Text dirs[] = {Lower(Text(system, length)), Lower(WindowsDir() + "\\syswow64")};
    return std::any_of(std::begin(dirs), std::end(dirs), [&lower](const Text& dir) {
        return lower.compare(0, dir.size(), dir) == 0 && lower.size() > dir.size() && lower[dir.size()] == '\\' &&
            lower.find('\\', dir.size() + 1) == Text::npos;
    });
}

Text ImageOf(DWORD id)
{
    char image[MAX_PATH] = "?";
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (process != nullptr) {
        DWORD size = sizeof image;
        if (!QueryFullProcessImageNameA(process, 0, image, &size))
            std::snprintf(image, sizeof image, "?");
        CloseHandle(process);
    }
    return image;
}

// How the world differs from the one every row starts from, a line each.
std::vector<Text> WorldDifferences()
{
    std::vector<Text> differences;
    Text bytes;
    if (!ReadBytes(WinIniPath(), bytes) || bytes != world.winIni)
        differences.push_back("WIN.INI: expected the " + std::to_string(world.winIni.size()) +
                              " bytes recorded at the start, found " + Shown(bytes));
    Listing now = ListDrive("C:");
    for (const auto& [path, state] : now) {
        const auto recorded = world.files.find(path);
        if (recorded == world.files.end())
            differences.push_back(path + ": not there when the world was recorded (" + Describe(state) + ")");
        else if (!Same(recorded->second, state))
            differences.push_back(path + ": was " + Describe(recorded->second) + ", now " + Describe(state));
    }
    for (const auto& [path, state] : world.files) {
        if (now.find(path) == now.end())
            differences.push_back(path + ": gone (was " + Describe(state) + ")");
    }
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        const Text image = ImageOf(entry.th32ProcessID);
        if (!WineOwn(image))
            differences.push_back(Text("still running from an earlier run: ") + entry.szExeFile + " (process " +
                                  std::to_string(entry.th32ProcessID) + ", " + image + ")");
    }
    CloseHandle(snapshot);
    return differences;
}

void RestoreFile(const Text& path, const Text& bytes, const FILETIME& time)
{
    WriteBytes(path, bytes);
    const HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
}

// Removes what was added to drive C: and writes WIN.INI and SYSTEM.INI back;
// anything else stays for the next check to find.
void PutWorldBack()
{
    const Listing now = ListDrive("C:");
    for (auto it = now.rbegin(); it != now.rend(); ++it) { // what a directory holds before it
        if (world.files.find(it->first) != world.files.end())
            continue;
        SetFileAttributesA(it->first.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((it->second.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            RemoveDirectoryA(it->first.c_str());
        else
            DeleteFileA(it->first.c_str());
    }
    RestoreFile(WinIniPath(), world.winIni, world.winIniTime);
    RestoreFile(SystemIniPath(), world.systemIni, world.systemIniTime);
}

// --- message boxes, answered from a thread of this program --------------------

constexpr int MessageTextId = 0xFFFF; // the static control holding a message box's text
constexpr int MessageIconId = 1088;   // the static control holding its icon

struct BoxWatch {
    CRITICAL_SECTION lock;
    std::vector<Text> boxes;   // one line each, in order
    std::vector<HWND> handled; // recorded and answered, while still there
    std::vector<HWND> present;
    volatile LONG stop;
};
BoxWatch boxWatch;

struct ChildText {
    char text[4096];
    Text buttons;
};
// A box is read whole, up to the longest caption and text a title may have.
constexpr std::size_t CaptionRead = 1024;
static_assert(sizeof ChildText::text > TextMax && CaptionRead > CaptionMax, "a box's text or caption read cut off");

BOOL CALLBACK ReadChild(HWND child, LPARAM param)
{
    ChildText& found = *reinterpret_cast<ChildText*>(param);
    char className[32];
    if (GetClassNameA(child, className, sizeof className) == 0 || !IsWindowVisible(child))
        return TRUE;
    if (lstrcmpiA(className, "Button") == 0) {
        char answer[16];
        ButtonAnswer(child, answer, sizeof answer);
        if (!found.buttons.empty())
            found.buttons += ",";
        found.buttons += answer;
    } else if (found.text[0] == '\0' && lstrcmpiA(className, "Static") == 0 &&
               (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        GetWindowTextA(child, found.text, sizeof found.text); // only where the text is not under its usual id
    }
    return TRUE;
}

Text BoxLine(const Text& caption, const Text& text, const Text& buttons, bool icon, bool owned, bool topmost)
{
    return "caption=" + caption + "\ttext=" + text + "\tbuttons=" + buttons + "\ticon=" + (icon ? "shown" : "none") +
        "\towner=" + (owned ? "window" : "none") + "\ttopmost=" + (topmost ? "yes" : "no");
}

BOOL CALLBACK CheckWindow(HWND window, LPARAM)
{
    char className[32];
    if (GetClassNameA(window, className, sizeof className) == 0 || std::strcmp(className, "#32770") != 0)
        return TRUE;
    // A box is filled in before it is shown; read earlier, it could be empty.
    if (!IsWindowVisible(window))
        return TRUE;
    boxWatch.present.push_back(window);
    if (std::find(boxWatch.handled.begin(), boxWatch.handled.end(), window) == boxWatch.handled.end()) {
        char caption[CaptionRead];
        GetWindowTextA(window, caption, sizeof caption);
        static ChildText found;
        found.text[0] = '\0';
        found.buttons.clear();
        if (GetDlgItemTextA(window, MessageTextId, found.text, sizeof found.text) == 0)
            found.text[0] = '\0';
        EnumChildWindows(window, ReadChild, reinterpret_cast<LPARAM>(&found));
        const HWND icon = GetDlgItem(window, MessageIconId);
        // The control stays visible in a box without an icon; only its image tells.
        const bool iconShown = icon != nullptr && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
        const bool topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        EnterCriticalSection(&boxWatch.lock);
        boxWatch.boxes.push_back(
            BoxLine(caption, found.text, found.buttons, iconShown, GetWindow(window, GW_OWNER) != nullptr, topmost));
        LeaveCriticalSection(&boxWatch.lock);
        boxWatch.handled.push_back(window);
    }
    // Answered on every pass until it is gone, in case a message is lost.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

DWORD WINAPI WatchBoxes(LPVOID)
{
    while (InterlockedCompareExchange(&boxWatch.stop, 0, 0) == 0) {
        boxWatch.present.clear();
        EnumWindows(CheckWindow, 0);
        // Forgets boxes that have gone, so that a new one reusing a handle is still seen.
        std::vector<HWND> kept;
        for (HWND window : boxWatch.handled) {
            if (std::find(boxWatch.present.begin(), boxWatch.present.end(), window) != boxWatch.present.end())
                kept.push_back(window);
        }
        boxWatch.handled.swap(kept);
        Sleep(20);
    }
    return 0;
}

class BoxThread {
public:
    BoxThread()
    {
        boxWatch.boxes.clear();
        boxWatch.handled.clear();
        InterlockedExchange(&boxWatch.stop, 0);
        thread = CreateThread(nullptr, 0, WatchBoxes, nullptr, 0, nullptr);
    }
    ~BoxThread() { Stop(); }
    BoxThread(const BoxThread&) = delete;
    BoxThread& operator=(const BoxThread&) = delete;
    std::vector<Text> Stop()
    {
        if (thread != nullptr) {
            InterlockedExchange(&boxWatch.stop, 1);
            WaitForSingleObject(thread, INFINITE);
            CloseHandle(thread);
            thread = nullptr;
        }
        return boxWatch.boxes;
    }

private:
    HANDLE thread;
};

// --- starting programs in a job, and waiting for all they start ---------------

std::vector<DWORD> JobProcesses(HANDLE job)
{
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR more[255];
    } ids = {};
    ids.list.NumberOfAssignedProcesses = 256;
    std::vector<DWORD> found;
    if (QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr)) {
        for (DWORD i = 0; i < ids.list.NumberOfProcessIdsInList; ++i)
            found.push_back(static_cast<DWORD>(ids.list.ProcessIdList[i]));
    }
    return found;
}

// The job's processes that are ours (not Wine's own), by name.
std::vector<Text> Running(HANDLE job)
{
    std::vector<Text> running;
    for (const DWORD id : JobProcesses(job)) {
        const Text image = ImageOf(id);
        if (!WineOwn(image))
            running.push_back(image);
    }
    return running;
}

struct Run {
    DWORD status;
    bool started;
    std::vector<Text> left; // what still ran at the time limit, then ended
};

Text EnvironmentBlock(const std::vector<Text>& settings)
{
    Text block;
    const LPCH strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
        if (std::strncmp(entry, "TEST_", 5) != 0)
            block.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
    for (const Text& setting : settings)
        block.append(setting).push_back('\0');
    block.push_back('\0');
    return block;
}

// Starts APPLICATION with COMMAND_LINE in DIR, in a job, and waits until it
// and everything it started have ended, or the time limit has passed.
Run RunInJob(const Text& application, const Text& commandLine, const Text& dir, const std::vector<Text>& settings)
{
    Run run = {0, false, {}};
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    Text environment = EnvironmentBlock(settings);
    Text line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, environment.data(),
                        dir.c_str(), &startup, &process)) {
        Fail("could not start " + application + ": error " + std::to_string(GetLastError()));
        CloseHandle(job);
        return run;
    }
    run.started = true;
    if (!AssignProcessToJobObject(job, process.hProcess))
        Fail("could not put " + application + " into a job: error " + std::to_string(GetLastError()));
    ResumeThread(process.hThread);
    const DWORD start = GetTickCount();
    const DWORD limit = RunSeconds * 1000;
    if (WaitForSingleObject(process.hProcess, limit) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &run.status);
    else
        run.status = 124;
    while (!Running(job).empty() && GetTickCount() - start < limit)
        Sleep(20);
    run.left = Running(job);
    // Wine's own helpers of the run (a console's host) end a moment later,
    // writing what they keep to the registry: not cut short.
    const DWORD ours = GetTickCount();
    while (!JobProcesses(job).empty() && GetTickCount() - ours < 5000)
        Sleep(20);
    TerminateJobObject(job, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    return run;
}

const char RunLog[] = "C:\\logs\\run.log";

std::vector<std::pair<Text, Text>> ReadRunLog()
{
    std::vector<std::pair<Text, Text>> entries;
    Text bytes;
    ReadBytes(RunLog, bytes);
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == Text::npos)
            end = bytes.size();
        const Text line = bytes.substr(at, end - at);
        const std::size_t blank = line.find(' ');
        if (blank != Text::npos)
            entries.emplace_back(line.substr(0, blank), line.substr(blank + 1));
        at = end + 1;
    }
    return entries;
}

// --- WIN.INI as it should be after the run ------------------------------------

std::vector<Text> IniLines(const Text& bytes)
{
    std::vector<Text> lines;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        if (end == Text::npos)
            end = bytes.size();
        Text line = bytes.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // Wine does not keep empty lines when it rewrites the file.
        if (!line.empty())
            lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

Text Joined(const std::vector<Text>& lines)
{
    Text text;
    for (const Text& line : lines)
        text += line + "\n";
    return text;
}

// BEFORE's lines with the title's key in its section set to VALUE; section
// and key found whatever their letter case, as Windows does.
std::vector<Text> WithEntry(const Text& before, const Text& value)
{
    const Text section = "[" + Lower(ProfileSection) + "]";
    const Text key = Lower(ProfileKey) + "=";
    const Text entry = Text(ProfileKey) + "=" + value;
    std::vector<Text> lines;
    bool inside = false;
    bool done = false;
    for (const Text& line : IniLines(before)) {
        if (line[0] == '[') {
            if (inside && !done) {
                lines.push_back(entry);
                done = true;
            }
            inside = Lower(line) == section;
        } else if (inside && Lower(line).compare(0, key.size(), key) == 0) {
            if (!done)
                lines.push_back(entry);
            done = true;
            continue;
        }
        lines.push_back(line);
    }
    if (!done) {
        if (!inside)
            lines.push_back("[" + Text(ProfileSection) + "]");
        lines.push_back(entry);
    }
    return lines;
}

std::vector<Text> StandardWinIni(const Text* entry)
{
    std::vector<Text> lines = {"[windows]", "load=", "run=", "[" + Text(ProfileSection) + "]", "Language=English"};
    if (entry != nullptr)
        lines.push_back(Text(ProfileKey) + "=" + *entry);
    lines.insert(lines.end(), {"Music=on", "[mail]", "MAPI=1"});
    return lines;
}

// --- one row -------------------------------------------------------------------

Text GameSource()
{
    return Text(SetupDir) + "\\Files\\" + GameExeName;
}

} // namespace

const char SetupDir[] = "C:\\Setup";

Program StandInInstaller()
{
    return {"installer", {{"cmdline", "\"" + Text(InstallerName) + "\""}, {"cwd", SetupDir}, {"console", "own"}}};
}
Program Game(const Text& dir)
{
    return Game(dir, "\"" + dir + "\\" + GameExeName + "\"");
}
Program Game(const Text& dir, const Text& line)
{
    return {"game", {{"cwd", dir}, {"cmdline", line}}};
}
Program RealInstaller(const Text& dir, const char* result)
{
    return {"installer", {{"cmdline", "\"" + Text(InstallerName) + "\""}, {"directory", dir}, {"result", result}}};
}

Text InstalledDir()
{
    return Setting("SCENARIO_INSTALL_DIRECTORY");
}
unsigned InstallDirectoryMax()
{
    return static_cast<unsigned>(std::strtoul(Setting("SCENARIO_INSTALL_DIRECTORY_MAX").c_str(), nullptr, 10));
}
Text TitleName()
{
    return Setting("SCENARIO_TITLE_NAME");
}

Text LongDirectory(std::size_t length)
{
    return "C:\\Games\\" + Text(length - 9, 'd');
}

Text OtherCase(const Text& text)
{
    Text other = text;
    for (char& c : other) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return other == text ? Text() : other;
}

void Check(const Text& what, const Text& expected, const Text& got)
{
    if (expected == got) {
        Print("ok    " + what + ": " + Shown(got) + "\n");
    } else {
        Print("FAIL  " + what + ": expected " + Shown(expected) + ", got " + Shown(got) + "\n");
        ++failures;
    }
}
void Check(const Text& what, long expected, long got)
{
    Check(what, std::to_string(expected), std::to_string(got));
}
void Fail(const Text& what)
{
    Print("FAIL  " + what + "\n");
    ++failures;
}
void Note(const Text& line)
{
    Print("-- " + line + "\n");
}

bool ReadBytes(const Text& path, Text& bytes)
{
    bytes.clear();
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read != 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return true;
}

bool WriteBytes(const Text& path, const Text& bytes)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool done =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && done;
}

bool Exists(const Text& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
Text WinIniPath()
{
    return WindowsDir() + "\\win.ini";
}
Text DescriptorPath()
{
    return WindowsDir().substr(0, 3) + DescriptorFileName;
}

Text HelperPath(const char* name)
{
    char self[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    Text dir(self, length);
    return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

std::size_t LongestPathUnder(const Text& dir)
{
    std::size_t longest = 0;
    for (const auto& [path, state] : ListDrive(dir)) {
        if ((state.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            longest = std::max(longest, path.size() - dir.size() - 1);
    }
    return longest;
}

// NOLINTBEGIN(readability-convert-member-functions-to-static): the rows read as steps of their scenario
void Scenario::Entry(const Text& value)
{
    WinIni(StandardWinIni(&value));
}
void Scenario::NoEntry()
{
    WinIni(StandardWinIni(nullptr));
}
void Scenario::WinIni(const std::vector<Text>& lines)
{
    Text bytes;
    for (const Text& line : lines)
        bytes += line + "\r\n"; // Windows' line ends, as Windows writes the file
    if (!WriteBytes(WinIniPath(), bytes))
        Fail("could not write WIN.INI");
}

void Scenario::Put(const Text& dir)
{
    MakeDirectories(dir);
}
void Scenario::PutFile(const Text& dir, const Text& file)
{
    CopyInto(file, dir);
}
void Scenario::GameIn(const Text& dir)
{
    CopyInto(HelperPath(GameExeName), dir);
}
void Scenario::DecoyAt(const Text& path)
{
    MakeDirectories(path.substr(0, path.find_last_of('\\')));
    if (!CopyFileA(HelperPath("decoy.exe").c_str(), path.c_str(), FALSE))
        Fail("could not put the decoy at " + path);
}
void Scenario::Remove(const Text& path)
{
    DeleteFileA(path.c_str());
}

void Scenario::InstallerEnv(const Text& setting)
{
    runEnvironment.push_back(setting);
}
void Scenario::InstallerInstalls(const Text& dir)
{
    InstallerEnv("TEST_DESCRIPTOR_DIR=" + dir);
    InstallerEnv("TEST_INSTALL_COPY=" + GameSource());
}
void Scenario::InstallerWrites(const Text& bytes)
{
    MakeDirectories("C:\\data");
    if (!WriteBytes("C:\\data\\descriptor", bytes))
        Fail("could not write C:\\data\\descriptor");
    InstallerEnv("TEST_DESCRIPTOR_SOURCE=C:\\data\\descriptor");
}
void Scenario::DescriptorBefore(const Text& bytes)
{
    if (!WriteBytes(DescriptorPath(), bytes))
        Fail("could not write " + DescriptorPath());
}

bool Scenario::UseRealInstaller(const char* variant)
{
    const Text file = installersDir + "\\" + variant + "\\" + InstallerName;
    if (installersDir.empty() || !Exists(file)) {
        Fail("no installer " + file + ": build the win32 preset, and give --installers");
        return false;
    }
    realInstaller = variant;
    return CopyFileA(file.c_str(), (Text(SetupDir) + "\\" + InstallerName).c_str(), FALSE) != 0;
}
void Scenario::InstallsInto(const Text& dir)
{
    InstallerEnv("TEST_INSTALL_DIR=" + dir);
}

void Scenario::WinIniUnwritable()
{
    // Read sharing only: readers go on, a writer is refused.
    const HANDLE held =
        CreateFileA(WinIniPath().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        Fail("could not hold WIN.INI open: error " + std::to_string(GetLastError()));
        return;
    }
    undo.emplace_back([held] { CloseHandle(held); });
}

void Scenario::NotForThisTitle(const Text& why)
{
    skipped = true;
    skipReason = why;
}

Text Scenario::Recorded(const char* who, const char* what) const
{
    Text values;
    const Text prefix = Text(what) + "=";
    for (const auto& [program, entry] : log) {
        if (program == who && entry.compare(0, prefix.size(), prefix) == 0)
            values += (values.empty() ? "" : "\n") + entry.substr(prefix.size());
    }
    return values;
}

namespace {
Run AutoPlay(Scenario& scenario, const std::vector<Text>& settings);
} // namespace

namespace {

void CheckIni(const Ini& expected, const Text& before)
{
    Text after;
    ReadBytes(WinIniPath(), after);
    if (!expected.entry) {
        if (after == before)
            Print("ok    WIN.INI unchanged: the same " + std::to_string(after.size()) + " bytes\n");
        else
            Check("WIN.INI unchanged", before, after);
        return;
    }
    Check("WIN.INI with " + Text(ProfileKey) + "=" + Shown(expected.value) + " in [" + ProfileSection + "]",
          Joined(WithEntry(before, expected.value)), Joined(IniLines(after)));
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): two plain loops over what was expected
void CheckPrograms(const Programs& expected, const std::vector<std::pair<Text, Text>>& log)
{
    Text order;
    Text ran;
    for (const Program& program : expected.list)
        order += (order.empty() ? "" : ",") + program.who;
    for (const auto& entry : log) {
        const Text& who = entry.first;
        if (ran.size() < who.size() || ran.compare(ran.size() - who.size(), who.size(), who) != 0)
            ran += (ran.empty() ? "" : ",") + who;
    }
    Check("programs run, in order", order, ran);
    for (const Program& program : expected.list) {
        for (const auto& [what, value] : program.values) {
            Text values;
            for (const auto& [who, recorded] : log) {
                if (who == program.who && recorded.compare(0, what.size() + 1, what + "=") == 0)
                    values += (values.empty() ? "" : "\n") + recorded.substr(what.size() + 1);
            }
            Check(program.who + " " + what, value, values);
        }
    }
}

void CheckBoxes(const Boxes& expected, const std::vector<Text>& shown)
{
    Text expectedBoxes;
    Text gotBoxes;
    for (const Text& text : expected.texts)
        expectedBoxes += BoxLine(BoxTexts().Caption, text, "OK", true, false, false) + "\n";
    for (const Text& box : shown)
        gotBoxes += box + "\n";
    Check("message boxes", expectedBoxes, gotBoxes);
}

} // namespace

void Scenario::Launch(const Outcome& expected)
{
    ++launches;
    ReadBytes(WinIniPath(), winIniBefore);
    DeleteFileA(RunLog);
    MakeDirectories("C:\\logs");
    Run run = {0, false, {}};
    std::vector<Text> settings = runEnvironment;
    settings.push_back(Text("TEST_LOG=") + RunLog);
    BoxThread boxes;
    if (fromDisc) {
        run = AutoPlay(*this, settings);
    } else {
        const Text launcher = launchDir + "\\Launcher.exe";
        MakeDirectories(launchDir);
        if (!CopyFileA(launcherPath.c_str(), launcher.c_str(), FALSE))
            Fail("could not copy " + launcherPath + " into " + launchDir);
        run = RunInJob(launcher, "Launcher.exe", launchDir, settings);
    }
    const std::vector<Text> shown = boxes.Stop();
    log = ReadRunLog();

    Check("exit status", expected.status.value, static_cast<long>(run.status));
    CheckIni(expected.ini, winIniBefore);
    Check("descriptor after the run", expected.descriptor.kept ? "present" : "absent",
          Exists(DescriptorPath()) ? "present" : "absent");
    CheckPrograms(expected.programs, log);
    CheckBoxes(expected.boxes, shown);
    for (const Text& left : run.left)
        Fail("still running long after the launcher ended (then ended): " + left);
}

// --- the disc in drive D: -------------------------------------------------------

namespace {

const char DiscRoot[] = "D:\\";

// Wine's request to its mount manager (its ddk/mountmgr.h, the Wine part),
// as its own configuration tool makes it: the running mount manager learns
// of the drive at once.
const DWORD DefineUnixDrive = CTL_CODE('m', 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

// Drive D: as a CD-ROM drive over the Unix directory, or removed (no directory).
bool DefineDrive(const Text& unixDir)
{
    std::vector<char> buffer(sizeof(UnixDriveRequest) + unixDir.size() + 1, 0);
    UnixDriveRequest request = {};
    request.size = static_cast<ULONG>(buffer.size());
    request.type = unixDir.empty() ? DRIVE_NO_ROOT_DIR : DRIVE_CDROM;
    request.letter = L'd';
    if (!unixDir.empty()) {
        request.mountPointOffset = sizeof request;
        std::memcpy(buffer.data() + sizeof request, unixDir.c_str(), unixDir.size() + 1);
    }
    std::memcpy(buffer.data(), &request, sizeof request);
    const HANDLE manager = CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) {
        Fail("cannot open Wine's mount manager: error " + std::to_string(GetLastError()));
        return false;
    }
    DWORD returned = 0;
    const BOOL done = DeviceIoControl(manager, DefineUnixDrive, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      nullptr, 0, &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(manager);
    if (!done)
        Fail("the mount manager refused drive D: error " + std::to_string(error));
    return done != 0;
}

const char WineDrivesKey[] = "Software\\Wine\\Drives";

bool KeyExists(HKEY root, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(root, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::vector<std::pair<Text, Text>> DiscListing()
{
    std::vector<std::pair<Text, Text>> listing;
    for (const auto& [path, state] : ListDrive("D:")) {
        Text bytes;
        if ((state.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            ReadBytes(path, bytes);
        listing.emplace_back(path, Describe(state) + " " + std::to_string(std::hash<Text>()(bytes)));
    }
    return listing;
}

// What AutoPlay does when the disc goes in: the program that "open=" in
// [autorun] of AUTORUN.INF names starts with the disc's root as its
// current directory.
Run AutoPlay(Scenario& scenario, const std::vector<Text>& settings)
{
    const Text inf = Text(DiscRoot) + "AUTORUN.INF";
    if (GetDriveTypeA(DiscRoot) != DRIVE_CDROM) {
        scenario.autoplayLine = "autoplay: D: is no CD-ROM drive";
        return {2, false, {}};
    }
    char open[MAX_PATH] = "";
    GetPrivateProfileStringA("autorun", "open", "", open, sizeof open, inf.c_str());
    const Text program = DiscRoot + Text(open);
    if (open[0] == '\0' || !Exists(program)) {
        scenario.autoplayLine = "autoplay: " + inf + " names " + program + ", which is not on the disc";
        return {2, false, {}};
    }
    scenario.autoplayLine = "autoplay: started " + program + " in " + DiscRoot;
    return RunInJob(program, open, DiscRoot, settings);
}

} // namespace

bool Scenario::InsertDisc(bool withoutLauncher)
{
    const Text& dir = withoutLauncher ? discWithoutDir : discDir;
    if (dir.empty()) {
        Fail("no disc: give --disc and --disc-without, the folders tests/disc/image.sh's image extracts to");
        return false;
    }
    const bool drivesKeyBefore = KeyExists(HKEY_LOCAL_MACHINE, WineDrivesKey);
    if (!DefineDrive(dir))
        return false;
    // Removing the drive takes its value out of Wine's drive settings; the
    // key itself, which a new prefix lacks, goes too.
    undo.emplace_back([drivesKeyBefore] {
        DefineDrive(Text());
        if (!drivesKeyBefore)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, WineDrivesKey);
    });
    fromDisc = true;
    discBefore = DiscListing();
    return true;
}

void Scenario::ExpectDiscUntouched()
{
    Text before;
    Text after;
    for (const auto& [path, state] : discBefore)
        before.append(path).append(" ").append(state).append("\n");
    for (const auto& [path, state] : DiscListing())
        after.append(path).append(" ").append(state).append("\n");
    Check("the disc after the run", before, after);
}

bool Scenario::DiscInstallerIsStandIn() const
{
    return discInstaller != "silent";
}

// --- the real installer's lifecycle ---------------------------------------------

namespace {

const char Uninstaller[] = "uninstall.exe";

BOOL CALLBACK AddImage(HMODULE from, LPCSTR type, LPSTR name, LONG_PTR param)
{
    const HRSRC found = FindResourceA(from, name, type);
    const HGLOBAL loaded = found != nullptr ? LoadResource(from, found) : nullptr;
    if (loaded != nullptr)
        reinterpret_cast<Text*>(param)->append(static_cast<const char*>(LockResource(loaded)),
                                               SizeofResource(from, found));
    return TRUE;
}

// A program's icon images, as bytes.
Text IconImages(const Text& path)
{
    Text images;
    const HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return "(cannot be read)";
    EnumResourceNamesA(module, MAKEINTRESOURCEA(3), AddImage, reinterpret_cast<LONG_PTR>(&images));
    FreeLibrary(module);
    return std::to_string(images.size()) + " bytes, " + std::to_string(std::hash<Text>()(images));
}

Text RegistryText(HKEY root, const Text& keyName, const char* value)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyName.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return Text();
    char data[4096];
    DWORD size = sizeof data - 2;
    DWORD type = 0;
    Text text;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        text.assign(data, size);
    RegCloseKey(key);
    while (type == REG_SZ && !text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

const char PendingKey[] = "System\\CurrentControlSet\\Control\\Session Manager";

// The uninstaller's copy cannot delete itself: it asks Windows to delete it
// and its directory at the next start. Those are all it may ask for; the row
// then does what that start would.
void RebootRenamesDone()
{
    const Text pending = RegistryText(HKEY_LOCAL_MACHINE, PendingKey, "PendingFileRenameOperations");
    Text others;
    for (std::size_t at = 0; at < pending.size();) {
        std::size_t end = pending.find('\0', at);
        if (end == Text::npos)
            end = pending.size();
        const Text name = pending.substr(at, end - at);
        if (!name.empty() && !Matches("\\??\\C:\\users\\*\\Temp\\~nsu*.tmp*", name.c_str()))
            others += name + " ";
        at = end + 1;
    }
    Check("files to delete at the next start, other than the uninstaller's copy", "", others);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, PendingKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "PendingFileRenameOperations");
        RegCloseKey(key);
    }
}

} // namespace

void Scenario::ExpectInstalled(const Text& dir, bool installed)
{
    const bool files = Exists(dir + "\\" + GameExeName) && Exists(dir + "\\" + Uninstaller);
    Check(Text(GameExeName) + " and " + Uninstaller + " in " + dir, installed ? "yes" : "no", files ? "yes" : "no");
    if (!installed)
        Check("directory " + dir + " still there", "no", Exists(dir) ? "yes" : "no");
    else if (files)
        Check(Text(Uninstaller) + "'s icon", IconImages(installersDir + "\\" + InstallerName),
              IconImages(dir + "\\" + Uninstaller));
    Check("Add/Remove Programs entry", installed ? "\"" + dir + "\\" + Uninstaller + "\"" : "",
          RegistryText(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + TitleName(),
                       "UninstallString"));
}

void Scenario::Uninstall(const Text& dir)
{
    Note("uninstalled from " + dir);
    const Text program = dir + "\\" + Uninstaller;
    BoxThread boxes;
    const Run run = RunInJob(program, "\"" + program + "\" /S", "C:\\", {});
    Check(Text(Uninstaller) + " exit status", 0, static_cast<long>(run.status));
    Text shown;
    for (const Text& box : boxes.Stop())
        shown += box + "\n";
    Check(Text(Uninstaller) + "'s message boxes", "", shown);
    for (const Text& left : run.left)
        Fail("still running long after the uninstaller ended (then ended): " + left);
    RebootRenamesDone();
    ExpectInstalled(dir, false);
}

void Scenario::ExpectNoEntry(const Text& path, const Text& firstIni, const char* what)
{
    Text bytes;
    ReadBytes(path, bytes);
    Check(Text(what) + " without [" + ProfileSection + "] " + ProfileKey, Joined(IniLines(firstIni)),
          Joined(IniLines(bytes)));
}

Text Scenario::VirtualStoreWinIni()
{
    return Setting("LOCALAPPDATA") + "\\VirtualStore\\windows\\win.ini";
}

// NOLINTEND(readability-convert-member-functions-to-static)

// --- the program ------------------------------------------------------------------

namespace {

struct Totals {
    int passed = 0, failed = 0, skipped = 0;
};

// False when the world as found kept the row from running.
bool RunRow(const Row& row, Totals& totals)
{
    Print(Text("== ") + row.name + "\n");
    failures = 0;
    const std::vector<Text> differences = WorldDifferences();
    if (!differences.empty()) {
        for (const Text& difference : differences)
            Fail("the world as found: " + difference);
        Print(Text("== ") + row.name + ": not run; the world is put back for the next row\n");
        PutWorldBack();
        ++totals.failed;
        return false;
    }
    Scenario scenario;
    if ((row.marks & Win32Only) != 0 && sizeof(void*) == 8) {
        scenario.NotForThisTitle("what it tests exists only as a 32-bit program");
    } else {
        CopyInto(HelperPath(InstallerName), SetupDir);
        CopyInto(HelperPath(GameExeName), Text(SetupDir) + "\\Files");
        scenario.Entry(InstalledDir());
        row.body(scenario);
    }
    for (auto step = scenario.undo.rbegin(); step != scenario.undo.rend(); ++step)
        (*step)();
    PutWorldBack();
    if (scenario.skipped) {
        Print(Text("== ") + row.name + ": skipped: " + scenario.skipReason + "\n");
        if (scenario.launches != 0)
            Fail("the row launched all the same");
    } else if (scenario.launches == 0) {
        Fail("the row never launched the launcher");
    }
    Print(Text("== ") + row.name + ": " + std::to_string(failures) + " failed\n");
    if (failures != 0)
        ++totals.failed;
    else if (scenario.skipped)
        ++totals.skipped;
    else
        ++totals.passed;
    return true;
}

// What a prefix's first use writes to the registry once (a console's
// defaults, the display's setup), done before the registry is recorded: a
// launcher whose installer opens a console, and one that shows a box.
int Settle()
{
    Scenario scenario;
    const Text dir = "C:\\Settle";
    CopyInto(HelperPath(InstallerName), dir);
    scenario.launchDir = dir;
    std::vector<Text> settings = {Text("TEST_LOG=") + RunLog};
    MakeDirectories("C:\\logs");
    CopyInto(launcherPath, dir);
    RunInJob(dir + "\\Launcher.exe", "Launcher.exe", dir, settings);
    scenario.log = ReadRunLog();
    Check("the first installer's console", "own", scenario.Recorded("installer", "console"));
    DeleteFileA((dir + "\\" + InstallerName).c_str());
    BoxThread boxes;
    RunInJob(dir + "\\Launcher.exe", "Launcher.exe", dir, settings);
    Check("the second run's boxes", 1, static_cast<long>(boxes.Stop().size()));
    PutWorldBack();
    return failures == 0 ? 0 : 1;
}

// The check between rows, checked: a row that leaves a file on C:, then one
// that leaves WIN.INI changed, must each have the next row named what was
// left and not run, and the world put back after it.
int SelfTest()
{
    const Row& next = Rows[0];
    const Text leftFile = "C:\\left-by-a-row.txt";
    const Text section = "Left by a row";
    const std::function<void()> leaves[] = {
        [&leftFile] { WriteBytes(leftFile, "left"); },
        [&section] { WriteProfileStringA(section.c_str(), "key", "value"); },
    };
    const Text named[] = {leftFile, "WIN.INI"};
    int wrong = 0;
    for (std::size_t i = 0; i < std::size(leaves); ++i) {
        leaves[i]();
        failures = 0;
        Text found;
        for (const Text& difference : WorldDifferences())
            found += difference + "\n";
        Totals totals;
        const bool ran = RunRow(next, totals);
        failures = 0;
        Check("what the next row found names " + named[i], "yes", found.find(named[i]) != Text::npos ? "yes" : "no");
        Check("the next row ran", "no", ran ? "yes" : "no");
        Check("the next row counted as failed", 1, totals.failed);
        Check("what is left after it", "", WorldDifferences().empty() ? "" : "something");
        wrong += failures;
    }
    Print(Text("self-test: ") + std::to_string(wrong) + " failed\n");
    return wrong == 0 ? 0 : 1;
}

Text Option(const char* argument, const char* name)
{
    const std::size_t length = std::strlen(name);
    return std::strncmp(argument, name, length) == 0 ? Text(argument + length) : Text();
}

// The title's texts as the boxes must show them, and each language's row.
#if TITLE_LANGUAGES > 0
constexpr LanguageTexts Languages[] = {TITLE_LANGUAGE_ROWS};
#endif
constexpr MessageTexts DefaultTexts = {TITLE_Caption,
                                       TITLE_CannotFindInstaller,
                                       TITLE_CannotFindDescriptor,
                                       TITLE_CannotWriteProfile,
                                       TITLE_CannotSetDirectory,
                                       TITLE_CannotFindGame};
const MessageTexts* shownTexts = &DefaultTexts;

// The texts as Windows makes them of the title file's: SCENARIO_TEXT_<key>,
// which suite.sh sets from its UTF-8, in this program's code page.
MessageTexts environmentTexts;
Text environmentText[6];

// The N-th language's texts (0: the default texts) as the boxes must show
// them: the environment's, which must be what the build holds. False,
// saying why, when the title has no such language, Windows does not run in
// it, or the build holds other bytes: the boxes would then be compared with
// texts no player could see.
bool ExpectLanguage(unsigned long n)
{
    const unsigned codepage = GetACP();
    const unsigned language = PRIMARYLANGID(GetUserDefaultLangID());
    std::printf("Windows runs in code page %u, primary language 0x%02x\n", codepage, language);
    const MessageTexts* built = &DefaultTexts;
#if TITLE_LANGUAGES > 0
    if (n > 0 && n <= sizeof Languages / sizeof Languages[0]) {
        const LanguageTexts& row = Languages[n - 1];
        if (row.codepage != codepage || row.primaryLanguage != language) {
            std::fprintf(stderr,
                         "scenarios: language %lu is 0x%02x in code page %u; run in a locale that gives Windows both\n",
                         n, row.primaryLanguage, row.codepage);
            return false;
        }
        built = &row.texts;
    }
#endif
    if (n > TITLE_LANGUAGES) {
        std::fprintf(stderr, "scenarios: the title has %d languages, no language %lu\n", TITLE_LANGUAGES, n);
        return false;
    }
    static const struct {
        const char* key;
        const char* MessageTexts::*text;
    } fields[] = {{"Caption", &MessageTexts::Caption},
                  {"CannotFindInstaller", &MessageTexts::CannotFindInstaller},
                  {"CannotFindDescriptor", &MessageTexts::CannotFindDescriptor},
                  {"CannotWriteProfile", &MessageTexts::CannotWriteProfile},
                  {"CannotSetDirectory", &MessageTexts::CannotSetDirectory},
                  {"CannotFindGame", &MessageTexts::CannotFindGame}};
    static_assert(sizeof fields / sizeof fields[0] == sizeof environmentText / sizeof environmentText[0],
                  "a text for each field");
    bool same = true;
    for (std::size_t k = 0; k < sizeof fields / sizeof fields[0]; ++k) {
        char value[4096];
        if (!GetSetting((Text("SCENARIO_TEXT_") + fields[k].key).c_str(), value, sizeof value)) {
            std::fprintf(stderr, "scenarios: SCENARIO_TEXT_%s must give the text (suite.sh sets it)\n", fields[k].key);
            return false;
        }
        environmentText[k] = value;
        environmentTexts.*fields[k].text = environmentText[k].c_str();
        if (environmentText[k] != built->*fields[k].text) {
            Print("FAIL  " + Text(fields[k].key) + ": the build holds \"" + built->*fields[k].text +
                  "\", Windows makes \"" + environmentText[k] + "\" of the title file's\n");
            same = false;
        }
    }
    shownTexts = &environmentTexts;
    return same;
}

} // namespace

const MessageTexts& BoxTexts()
{
    return *shownTexts;
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one flat list of options
int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY); // the terminal gets UTF-8 as it is
    InitializeCriticalSection(&boxWatch.lock);
    bool list = false;
    bool proof = false;
    bool settle = false;
    bool selfTest = false;
    unsigned long shard = 1;
    unsigned long shards = 1;
    bool languageRows = false;
    unsigned long language = 0;
    std::vector<Text> patterns;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        Text value;
        if (std::strcmp(argument, "--list") == 0)
            list = true;
        else if (std::strcmp(argument, "--proof") == 0)
            proof = true;
        else if (std::strcmp(argument, "--settle") == 0)
            settle = true;
        else if (std::strcmp(argument, "--self-test") == 0)
            selfTest = true;
        else if (!(value = Option(argument, "--launcher=")).empty())
            launcherPath = value;
        else if (!(value = Option(argument, "--installers=")).empty())
            installersDir = value;
        else if (!(value = Option(argument, "--disc=")).empty())
            discDir = value;
        else if (!(value = Option(argument, "--disc-without=")).empty())
            discWithoutDir = value;
        else if (!(value = Option(argument, "--disc-installer=")).empty())
            discInstaller = value;
        else if (!(value = Option(argument, "--language=")).empty()) {
            char* end = nullptr;
            language = std::strtoul(value.c_str(), &end, 10);
            languageRows = true;
            if (*end != '\0') {
                std::fprintf(stderr, "scenarios: --language takes a number, not %s\n", value.c_str());
                return 2;
            }
        } else if (!(value = Option(argument, "--shard=")).empty()) {
            char* end = nullptr;
            shard = std::strtoul(value.c_str(), &end, 10);
            shards = *end == '/' ? std::strtoul(end + 1, &end, 10) : 0;
            if (*end != '\0' || shard == 0 || shard > shards) {
                std::fprintf(stderr, "scenarios: --shard takes I/N, 1 <= I <= N, not %s\n", value.c_str());
                return 2;
            }
        } else if (argument[0] == '-') {
            std::fprintf(stderr, "scenarios: unknown option %s (see the head of tests/wine/Scenario.cpp)\n", argument);
            return 2;
        } else
            patterns.emplace_back(argument);
    }
    std::vector<const Row*> chosen;
    for (std::size_t i = 0; i < RowCount; ++i) {
        const Row& row = Rows[i];
        bool wanted = patterns.empty();
        for (const Text& pattern : patterns)
            wanted = wanted || Matches(pattern.c_str(), row.name);
        if (wanted && (!proof || (row.marks & Proof) != 0) && (!languageRows || (row.marks & Language) != 0))
            chosen.push_back(&row);
    }
    if (list) {
        for (const Row* row : chosen)
            Print(Text(row->name) + ((row->marks & Proof) != 0 ? " (proof)\n" : "\n"));
        return 0;
    }
    if (launcherPath.empty() || !Exists(launcherPath)) {
        std::fprintf(stderr, "scenarios: --launcher=PATH must name Launcher.exe, not '%s'\n", launcherPath.c_str());
        return 2;
    }
    if (InstalledDir().empty()) {
        std::fprintf(stderr, "scenarios: SCENARIO_INSTALL_DIRECTORY must name the title's installation directory\n");
        return 2;
    }
    if (languageRows && !ExpectLanguage(language))
        return 2;
    RecordWorld();
    if (settle)
        return Settle();
    if (selfTest)
        return SelfTest();
    Totals totals;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        if (i % shards == shard - 1)
            RunRow(*chosen[i], totals);
    }
    failures = 0;
    for (const Text& difference : WorldDifferences())
        Fail("the world after the last row: " + difference);
    if (failures != 0)
        ++totals.failed;
    Print(std::to_string(totals.passed) + " passed, " + std::to_string(totals.failed) + " failed, " +
          std::to_string(totals.skipped) + " skipped\n");
    return totals.failed == 0 ? 0 : 1;
}
