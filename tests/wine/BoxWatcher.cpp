// Reads and dismisses message boxes, so that a launcher run under Wine with no
// one at the screen cannot block in one.
//
//   boxwatch.exe LOG STOPFILE [SECONDS]
//
// Every visible dialog box (window class "#32770") is recorded once in LOG as
// "box caption=<caption>\ttext=<message>\tbuttons=<visible buttons>\t
// icon=<shown|none>\towner=<none|window>\ttopmost=<yes|no>" and then answered
// with OK. Which icon is shown cannot be read from another process, only
// whether there is one; topmost marks a system-modal box. The watcher ends when STOPFILE exists, or after SECONDS
// (default 30) so that a forgotten watcher never keeps a test waiting.
#include "HelperLog.h"

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
        char label[64];
        GetWindowTextA(child, label, sizeof label);
        // Drop the "&" that marks the access key, so the log shows the label as seen.
        char plain[64];
        std::size_t length = 0;
        for (const char* c = label; *c != '\0' && length + 1 < sizeof plain; ++c) {
            if (*c != '&')
                plain[length++] = *c;
        }
        plain[length] = '\0';
        if (found.buttons[0] != '\0')
            std::strncat(found.buttons, ",", sizeof found.buttons - std::strlen(found.buttons) - 1);
        std::strncat(found.buttons, plain, sizeof found.buttons - std::strlen(found.buttons) - 1);
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
        const bool iconShown = icon != nullptr && IsWindowVisible(icon);
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

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: boxwatch.exe LOG STOPFILE [SECONDS]\n");
        return 2;
    }
    Watch watch = {};
    watch.log = argv[1];
    const char* stopFile = argv[2];
    const DWORD limit = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 30) * 1000;

    const DWORD start = GetTickCount();
    while (GetFileAttributesA(stopFile) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start >= limit) {
            std::fprintf(stderr, "boxwatch: no stop file after %lu s; giving up\n",
                         static_cast<unsigned long>(limit / 1000));
            return 1;
        }
        watch.presentCount = 0;
        EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&watch));
        // Forget boxes that have gone, so a new box that reuses a handle is still seen.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < watch.handledCount; ++i) {
            if (Contains(watch.present, watch.presentCount, watch.handled[i]))
                watch.handled[kept++] = watch.handled[i];
        }
        watch.handledCount = kept;
        Sleep(50);
    }
    return 0;
}
