// What the launcher will make of a descriptor's bytes, and what would keep the
// game from starting from the directory it records.
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

// Each is judged on the directory the game starts from, after WIN.INI's round
// trip, except the key's own place in the file.
enum class WarningKind {
    LongerThanTheGameFits, // over the directory length the game's command line holds
    Empty,
    NoDriveLetter,     // does not start with a drive letter and a colon
    TrailingBlanks,    // ends in spaces or tabs inside quotes, which WIN.INI keeps
    ControlByte,       // a byte from 1 to 31, which no name can hold
    ReservedCharacter, // < > " | ? *, or a colon past the drive's, which no name can hold
    KeyNotAtLineStart,
    KeyInsideALongerWord,
    TextBeforeTheEqualsSign, // more than blanks between the key and its "="
    AnotherKey,              // the key again after the value
    NulBeforeTheValue,       // text tools stop there; the launcher reads on
};

// What WIN.INI drops from the value on its way in and out, which does no harm.
enum class NoteKind {
    BlanksBefore,
    BlanksAfter,
    Quotes, // one pair of matching quotes around the whole value
};

struct Warning {
    WarningKind kind;
    std::string text;
};

struct Note {
    NoteKind kind;
    std::string text;
};

struct CheckResult {
    Verdict verdict;
    std::string value;     // what the launcher records (Usable or Warning)
    std::string directory; // what the game starts from: the value as WIN.INI gives it back
    std::string refusal;   // why it records nothing (Refused)
    std::vector<Warning> warnings;
    std::vector<Note> notes;
    std::size_t mostHeld; // the most bytes of the file held at once
};

// The file's bytes, in pieces of any size, as a file or a test hands them over.
class Source {
public:
    Source() = default;
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    virtual ~Source() = default;
    // Up to `size` bytes into `buffer`; 0 at the end.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

// The longest directory whose game command line ("<dir>\<GameExeName>",
// quoted) fits the launcher's buffer.
std::size_t LongestGameDirectory();

// How much is read at a time. What is held at once is at most two pieces and
// the text from the key to the end of its value (all that stands between the
// key and its "=", when that is far).
inline constexpr std::size_t PieceSize = 65536;

// Checks the descriptor's bytes as the launcher reads them, in pieces.
CheckResult CheckDescriptor(Source& source);
// The same on bytes in memory.
CheckResult CheckDescriptor(const char* bytes, std::size_t size);

// The value in quotes, with every byte outside printable ASCII, and the quote
// and angle brackets themselves, shown as <hh>, so that blanks at the end and
// control bytes can be seen. No Windows path holds "<", so nothing is ambiguous.
std::string Visible(const std::string& value);

// The lines descriptor-check prints for one file, each starting with its name;
// UTF-8 text when the name is.
std::string Report(const std::string& name, const CheckResult& result);
