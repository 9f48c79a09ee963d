// Reads and dismisses message boxes, so that a launcher run under Wine with no
// one at the screen cannot block in one; and tells which programs a run left.
//
//   boxwatch.exe LOG STOPFILE [SECONDS [PROCESSES]]
//
// Every visible dialog box (window class "#32770") is recorded once in LOG as
// "box caption=<caption>\ttext=<message>\tbuttons=<visible buttons' answers>\t
// icon=<shown|none>\towner=<none|window>\ttopmost=<yes|no>" and then answered
// with OK. Which icon is shown cannot be read from another process, only
// whether there is one; topmost marks a system-modal box. The watcher ends when STOPFILE exists, or after SECONDS
// (default 30) so that a forgotten watcher never keeps a test waiting.
//
// With PROCESSES, it first writes there the Windows processes running besides
// itself, "before<TAB>pid<TAB>name<TAB>image path" a line (the file appears
// whole, once written). Once STOPFILE exists it goes on answering boxes until
// every process that was not in that list has ended, so that a run is over
// when it ends; what still runs at the time limit is ended and appended as
// "left<TAB>pid<TAB>name<TAB>image path", and the watcher exits with 3.
// Wine's own programs in the system directory (services, the desktop, a
// console's host) come and go on their own and are never waited for.
#include "HelperLog.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MessageTextId = 0xFFFF; // the static control holding a message box's text
constexpr int MessageIconId = 1088;   // the static control holding its icon
constexpr std::size_t MaxBoxes = 64;

struct Watch {
    const char* log;
    HWND handled[MaxBoxes]; // boxes already recorded and answered
    std::size_t handledCount;
    HWND present[MaxBoxes]; // boxes seen in this pass
    std::size_t presentCount;
};

bool Contains(const HWND* windows, std::size_t count, HWND window)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (windows[i] == window)
            return true;
    }
    return false;
}

struct ChildText {
    char text[512];
    char buttons[256];
};

BOOL CALLBACK ReadChild(HWND child, LPARAM param)
{
    ChildText& found = *reinterpret_cast<ChildText*>(param);
    char className[32];
    if (GetClassNameA(child, className, sizeof className) == 0 || !IsWindowVisible(child))
        return TRUE;
    if (lstrcmpiA(className, "Button") == 0) {
        char answer[16];
        ButtonAnswer(child, answer, sizeof answer);
        if (found.buttons[0] != '\0')
            std::strncat(found.buttons, ",", sizeof found.buttons - std::strlen(found.buttons) - 1);
        std::strncat(found.buttons, answer, sizeof found.buttons - std::strlen(found.buttons) - 1);
    } else if (found.text[0] == '\0' && lstrcmpiA(className, "Static") == 0 &&
               (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
        // Only needed when the text is not under its usual id.
        GetWindowTextA(child, found.text, sizeof found.text);
    }
    return TRUE;
}

BOOL CALLBACK CheckWindow(HWND window, LPARAM param)
{
    Watch& watch = *reinterpret_cast<Watch*>(param);
    char className[32];
    if (GetClassNameA(window, className, sizeof className) == 0 || std::strcmp(className, "#32770") != 0)
        return TRUE;
    // A box is filled in before it is shown; reading it earlier could find it empty.
    if (!IsWindowVisible(window) || watch.presentCount == MaxBoxes)
        return TRUE;
    watch.present[watch.presentCount++] = window;

    if (!Contains(watch.handled, watch.handledCount, window)) {
        char caption[256];
        GetWindowTextA(window, caption, sizeof caption);
        ChildText found = {};
        if (GetDlgItemTextA(window, MessageTextId, found.text, sizeof found.text) == 0)
            found.text[0] = '\0';
        EnumChildWindows(window, ReadChild, reinterpret_cast<LPARAM>(&found));
        const HWND icon = GetDlgItem(window, MessageIconId);
        // The control stays visible in a box without an icon; only its image tells.
        const bool iconShown = icon != nullptr && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
        const bool topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        std::FILE* log = std::fopen(watch.log, "ab");
        if (log != nullptr) {
            std::fprintf(log, "box caption=%s\ttext=%s\tbuttons=%s\ticon=%s\towner=%s\ttopmost=%s\n", caption,
                         found.text, found.buttons, iconShown ? "shown" : "none",
                         GetWindow(window, GW_OWNER) != nullptr ? "window" : "none", topmost ? "yes" : "no");
            std::fclose(log);
        }
        if (watch.handledCount < MaxBoxes)
            watch.handled[watch.handledCount++] = window;
    }
    // Answered on every pass until it is gone, in case a message is lost.
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return TRUE;
}

struct Process {
    DWORD id;
    char name[MAX_PATH];
    char image[MAX_PATH];
};

constexpr std::size_t MaxProcesses = 256;

struct ProcessList {
    Process entries[MaxProcesses];
    std::size_t count;
};

// The running processes but this one; false when Wine cannot tell.
bool ListProcesses(ProcessList& list)
{
    list.count = 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && list.count < MaxProcesses;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        Process& process = list.entries[list.count++];
        process.id = entry.th32ProcessID;
        std::snprintf(process.name, sizeof process.name, "%s", entry.szExeFile);
        std::snprintf(process.image, sizeof process.image, "?");
        const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (handle != nullptr) {
            DWORD size = sizeof process.image;
            if (!QueryFullProcessImageNameA(handle, 0, process.image, &size))
                std::snprintf(process.image, sizeof process.image, "?");
            CloseHandle(handle);
        }
    }
    CloseHandle(snapshot);
    return true;
}

bool Listed(const ProcessList& list, DWORD id)
{
    for (std::size_t i = 0; i < list.count; ++i) {
        if (list.entries[i].id == id)
            return true;
    }
    return false;
}

// Wine's own programs live in the system directory; ours never do.
bool WineOwn(const Process& process)
{
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return length != 0 && length < sizeof system &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, process.image, static_cast<int>(length), system,
                       static_cast<int>(length)) == CSTR_EQUAL &&
        process.image[length] == '\\' && std::strchr(process.image + length + 1, '\\') == nullptr;
}

void WriteProcesses(std::FILE* file, const char* label, const Process& process)
{
    std::fprintf(file, "%s\t%lu\t%s\t%s\n", label, static_cast<unsigned long>(process.id), process.name, process.image);
}

// Writes the list to `path` through a file beside it, so that a reader never
// sees half of it.
bool WriteBefore(const char* path, const ProcessList& list)
{
    char partial[MAX_PATH];
    if (std::snprintf(partial, sizeof partial, "%s.partial", path) >= static_cast<int>(sizeof partial))
        return false;
    std::FILE* file = std::fopen(partial, "wb");
    if (file == nullptr)
        return false;
    for (std::size_t i = 0; i < list.count; ++i)
        WriteProcesses(file, "before", list.entries[i]);
    return std::fclose(file) == 0 && MoveFileExA(partial, path, MOVEFILE_REPLACE_EXISTING) != 0;
}

// True once no process but those of `before` and Wine's own runs; at `last`
// ends the others and appends them to `path`.
bool RunOver(const ProcessList& before, const char* path, bool last)
{
    static ProcessList now;
    if (!ListProcesses(now))
        return true;
    bool over = true;
    for (std::size_t i = 0; i < now.count; ++i) {
        const Process& process = now.entries[i];
        if (Listed(before, process.id) || WineOwn(process))
            continue;
        over = false;
        if (!last)
            break;
        std::FILE* file = std::fopen(path, "ab");
        if (file != nullptr) {
            WriteProcesses(file, "left", process);
            std::fclose(file);
        }
        const HANDLE handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, process.id);
        if (handle != nullptr) {
            TerminateProcess(handle, 1);
            WaitForSingleObject(handle, 5000);
            CloseHandle(handle);
        }
    }
    return over;
}

// Forgets boxes that have gone, so a new box that reuses a handle is still seen.
void ForgetGoneBoxes(Watch& watch)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < watch.handledCount; ++i) {
        if (Contains(watch.present, watch.presentCount, watch.handled[i]))
            watch.handled[kept++] = watch.handled[i];
    }
    watch.handledCount = kept;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: boxwatch.exe LOG STOPFILE [SECONDS [PROCESSES]]\n");
        return 2;
    }
    Watch watch = {};
    watch.log = argv[1];
    const char* stopFile = argv[2];
    const DWORD limit = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 30) * 1000;
    const char* processes = argc > 4 ? argv[4] : nullptr;

    // Large: kept out of the stack.
    static ProcessList before;
    if (processes != nullptr && (!ListProcesses(before) || !WriteBefore(processes, before))) {
        std::fprintf(stderr, "boxwatch: could not list the processes into %s\n", processes);
        return 2;
    }

    const DWORD start = GetTickCount();
    bool stopped = false;
    for (;;) {
        const bool late = GetTickCount() - start >= limit;
        stopped = stopped || GetFileAttributesA(stopFile) != INVALID_FILE_ATTRIBUTES;
        if (stopped) {
            if (processes == nullptr || RunOver(before, processes, late))
                return 0;
            if (late)
                return 3;
        } else if (late) {
            std::fprintf(stderr, "boxwatch: no stop file after %lu s; giving up\n",
                         static_cast<unsigned long>(limit / 1000));
            if (processes != nullptr)
                RunOver(before, processes, true);
            return 1;
        }
        watch.presentCount = 0;
        EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&watch));
        ForgetGoneBoxes(watch);
        Sleep(50);
    }
}
