// What the helper programs share: settings from the environment and a log of
// what happened, one line per event, appended so that several programs can
// write to the same file one after another.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdio>

// The variable's value; false (and an empty text) when it is unset or does
// not fit, so that a missing setting is never mistaken for a cut-off one.
inline bool GetSetting(const char* name, char* value, DWORD size)
{
    const DWORD length = GetEnvironmentVariableA(name, value, size);
    if (length == 0 || length >= size) {
        value[0] = '\0';
        return false;
    }
    return true;
}

// Appends "<who> <what>=<value>\n" to the file at `path`. Binary mode, so the
// scripts that read the log see plain line feeds.
inline void AppendLogLine(const char* path, const char* who, const char* what, const char* value)
{
    std::FILE* log = std::fopen(path, "ab");
    if (log == nullptr)
        return;
    std::fprintf(log, "%s %s=%s\n", who, what, value);
    std::fclose(log);
}

// A message box's button by the answer it gives ("OK" for IDOK), not by its
// label, which is Windows' own in Windows' language ("ОК" in Russian, "U redu"
// in Serbian).
inline void ButtonAnswer(HWND button, char* answer, std::size_t size)
{
    static const char* const answers[] = {"none", "OK", "Cancel", "Abort", "Retry",    "Ignore",
                                          "Yes",  "No", "Close",  "Help",  "TryAgain", "Continue"};
    const int id = GetDlgCtrlID(button);
    if (id > 0 && id < static_cast<int>(sizeof answers / sizeof answers[0]))
        std::snprintf(answer, size, "%s", answers[id]);
    else
        std::snprintf(answer, size, "id %d", id);
}
