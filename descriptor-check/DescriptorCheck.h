// What the launcher will make of a descriptor's bytes, and what would keep the
// game from starting from the value it records.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Exit statuses of descriptor-check, one per file; the worst of them is the
// program's.
enum class Verdict {
    Usable = 0,      // recorded, and nothing stands in the way of the game
    Warning = 2,     // recorded, but the game may not start from it
    Refused = 1,     // the launcher records nothing
    Unreadable = 64, // the file (or the command line) could not be checked
};

// The worse of two verdicts: Unreadable, then Refused, then Warning.
Verdict Worse(Verdict a, Verdict b);

enum class WarningKind {
    LongerThanTheGameFits, // over the directory length the game's command line holds
    Empty,
    NoDriveLetter,  // does not start with a drive letter and a colon
    TrailingBlanks, // ends in spaces or tabs, which are kept
    ControlByte,    // a byte no directory name can hold
    KeyNotAtLineStart,
    KeyInsideALongerWord,
    TextBeforeTheEqualsSign, // more than blanks between the key and its "="
    AnotherKey,              // a second DestinationPath after the value
    NulBeforeTheValue,       // text tools stop there; the launcher reads on
};

struct Warning {
    WarningKind kind;
    std::string text;
};

struct CheckResult {
    Verdict verdict;
    std::string value;   // what the launcher records (Usable or Warning)
    std::string refusal; // why it records nothing (Refused)
    std::vector<Warning> warnings;
};

// The longest directory whose game command line ("<dir>\Quor.exe", quoted)
// fits the launcher's buffer.
std::size_t LongestGameDirectory();

// Checks the descriptor's raw bytes as the launcher reads them.
CheckResult CheckDescriptor(const char* bytes, std::size_t size);

// The value in quotes, with every byte outside printable ASCII, and the quote
// and angle brackets themselves, shown as <hh>, so that blanks at the end and
// control bytes can be seen. No Windows path holds "<", so nothing is ambiguous.
std::string Visible(const std::string& value);

// The lines descriptor-check prints for one file, each starting with its name.
std::string Report(const std::string& name, const CheckResult& result);
