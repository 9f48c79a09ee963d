// Runs a program with no one at the screen: reads and answers the message
// boxes shown meanwhile, so that a launcher run under Wine cannot block in
// one, and waits for all that the program starts.
//
//   boxwatch.exe LOG SECONDS [--hold FILE] PROGRAM
//
// PROGRAM starts in this program's current directory and environment, in a
// job, so that what it starts (the installer, the game) is followed too.
// Every visible dialog box (window class "#32770") is recorded once in LOG as
// "box caption=<caption>\ttext=<message>\tbuttons=<visible buttons' answers>\t
// icon=<shown|none>\towner=<none|window>\ttopmost=<yes|no>" and then answered
// with OK; with --hold, boxes are left alone until FILE exists, so that a
// picture of one can be taken first. Which icon is shown cannot be read from
// another process, only whether there is one; topmost marks a system-modal box.
//
// Exits with PROGRAM's exit status once it and all it started have ended.
// What still runs after SECONDS is ended and named on standard error; the
// status is then 124 when PROGRAM was among it (as timeout(1) says), 125 when
// PROGRAM could not be started. Wine's own programs in the system directory (a
// console's host) come and go on their own and are never waited for.
#include "HelperLog.h"

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

// Wine's own programs live in the system directory; ours never do.
bool WineOwn(const char* image)
{
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, sizeof system);
    return length != 0 && length < sizeof system &&
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image, static_cast<int>(length), system,
                       static_cast<int>(length)) == CSTR_EQUAL &&
        image[length] == '\\' && std::strchr(image + length + 1, '\\') == nullptr;
}

// How many of the job's processes are ours; with `end`, ends each, naming it.
std::size_t Ours(HANDLE job, bool end)
{
    static struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST list;
        ULONG_PTR room[255];
    } members;
    members.list.NumberOfAssignedProcesses = 256;
    if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, &members, sizeof members, nullptr))
        return 0;
    std::size_t ours = 0;
    for (DWORD i = 0; i < members.list.NumberOfProcessIdsInList; ++i) {
        const DWORD id = static_cast<DWORD>(members.list.ProcessIdList[i]);
        const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, id);
        char image[MAX_PATH] = "?";
        DWORD size = sizeof image;
        if (process != nullptr && !QueryFullProcessImageNameA(process, 0, image, &size))
            std::snprintf(image, sizeof image, "?");
        if (!WineOwn(image)) {
            ++ours;
            if (end) {
                std::fprintf(stderr, "boxwatch: still running at the time limit, ended: %lu %s\n",
                             static_cast<unsigned long>(id), image);
                TerminateProcess(process, 1);
            }
        }
        if (process != nullptr)
            CloseHandle(process);
    }
    return ours;
}

} // namespace

int main(int argc, char** argv)
{
    const bool held = argc == 6 && std::strcmp(argv[3], "--hold") == 0;
    if (argc != 4 && !held) {
        std::fprintf(stderr, "usage: boxwatch.exe LOG SECONDS [--hold FILE] PROGRAM\n");
        return 125;
    }
    Watch watch = {};
    watch.log = argv[1];
    const DWORD limit = std::strtoul(argv[2], nullptr, 10) * 1000;
    const char* hold = held ? argv[4] : nullptr;
    const char* program = argv[argc - 1];

    char commandLine[MAX_PATH + 2];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"", program);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    const HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr ||
        !CreateProcessA(program, commandLine, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &started)) {
        std::fprintf(stderr, "boxwatch: could not start %s: error %lu\n", program, GetLastError());
        return 125;
    }
    if (!AssignProcessToJobObject(job, started.hProcess)) {
        std::fprintf(stderr, "boxwatch: could not put %s into a job: error %lu\n", program, GetLastError());
        TerminateProcess(started.hProcess, 1);
        return 125;
    }
    ResumeThread(started.hThread);

    const DWORD start = GetTickCount();
    while ((WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT || Ours(job, false) != 0) &&
           GetTickCount() - start < limit) {
        if (hold == nullptr || GetFileAttributesA(hold) != INVALID_FILE_ATTRIBUTES) {
            watch.presentCount = 0;
            EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&watch));
            ForgetGoneBoxes(watch);
        }
        Sleep(50);
    }
    DWORD status = 124;
    if (WaitForSingleObject(started.hProcess, 0) == WAIT_OBJECT_0)
        GetExitCodeProcess(started.hProcess, &status);
    Ours(job, true);
    return static_cast<int>(status);
}
