// The launcher's own parser gives the value and where its parts lie; the
// warnings are read off those places, never from a second reading of the
// rules. WIN.INI's round trip is ProfileValue.h, the rule the host fake's
// profile calls follow too.
//
// The file is read in pieces. The parser runs on the part held, which starts
// where a text-mode read of the whole file stands between two reads, so that
// it reads there what it would read of the whole; of the bytes dropped before
// it only their line feeds, their first NUL and their last data byte are kept.
#include "DescriptorCheck.h"

#include "Descriptor.h"
#include "Launcher.h"
#include "ProfileValue.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t KeyLength = sizeof DescriptorKey - 1;
constexpr std::size_t None = static_cast<std::size_t>(-1);

// The title's reader works out the same limit for the installer and the tests:
// two quotes, the backslash, the program's name and the NUL fill the rest.
static_assert(GameDirectoryMax == PathBufferSize - 3 - (sizeof GameExeName - 1) - 1,
              "the game's directory limit in Title.h is not the one the launcher's buffer gives");

int Rank(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Usable:
        return 0;
    case Verdict::Warning:
        return 1;
    case Verdict::Refused:
        return 2;
    case Verdict::Unreadable:
        break;
    }
    return 3;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsWordByte(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The data a text-mode read gives of bytes[begin, end), where both are places
// the parser reported.
std::string TextBetween(const char* bytes, std::size_t begin, std::size_t end)
{
    std::string text;
    TextReader reader(bytes + begin, end - begin);
    for (int c; (c = reader.Read()) >= 0;)
        text += static_cast<char>(c);
    return text;
}

std::string Number(std::size_t n)
{
    return std::to_string(n);
}

// "1 byte", "2 bytes".
std::string Count(std::size_t n, const std::string& what)
{
    return Number(n) + " " + what + (n == 1 ? "" : "s");
}

// Text quoted in a warning, cut short when long.
std::string Excerpt(const std::string& text)
{
    constexpr std::size_t Shown = 40;
    if (text.size() <= Shown)
        return Visible(text);
    return Visible(text.substr(0, Shown)) + "... (" + Count(text.size(), "byte") + ")";
}

// Where `byte` first occurs in bytes[0, size), or None; and how often.
std::size_t FirstOf(const char* bytes, std::size_t size, char byte)
{
    const void* found = size == 0 ? nullptr : std::memchr(bytes, byte, size);
    return found == nullptr ? None : static_cast<std::size_t>(static_cast<const char*>(found) - bytes);
}

std::size_t CountOf(const char* bytes, std::size_t size, char byte)
{
    std::size_t count = 0;
    for (std::size_t at; (at = FirstOf(bytes, size, byte)) != None; ++count) {
        bytes += at + 1;
        size -= at + 1;
    }
    return count;
}

// The part of the file held: its bytes from `offset` on, as far as read or to
// where the data ends, and what is still known of the bytes before them.
class Window {
public:
    explicit Window(Source& source) : source_(source) {}

    const char* Bytes() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    std::size_t Size() const { return bytes_.size(); }
    // What is held runs to the end of the data: the file's end or its first Ctrl-Z.
    bool AtEnd() const { return atEnd_; }
    DescriptorValue Parse() const { return ParseDescriptor(Bytes(), Size()); }

    // Reads a piece more, or as much again as is held, so that holding a long
    // stretch whole costs a number of parses that grows with its logarithm.
    void More()
    {
        const std::size_t held = bytes_.size();
        const std::size_t wanted = std::max(PieceSize, held);
        bytes_.resize(held + wanted);
        const std::size_t got = source_.Read(bytes_.data() + held, wanted);
        bytes_.resize(held + got);
        atEnd_ = got == 0;
        // Any Ctrl-Z ends the data, even after a CR: what follows it is not read.
        const std::size_t ctrlZ = FirstOf(bytes_.data() + held, got, '\x1a');
        if (ctrlZ != None) {
            ctrlZOffset = offset + held + ctrlZ;
            bytes_.resize(held + ctrlZ);
            atEnd_ = true;
        }
        mostHeld = std::max(mostHeld, bytes_.size());
    }

    // Drops the bytes before the first place at or after `target` where a
    // text-mode read stands between two reads; a place the parser reported is
    // one. A CR takes the byte after it, so the CRs of a run pair off from the
    // run's start, and a place after an odd number of them lies inside a pair:
    // the next one does not, unless that CR waits for a byte still to come.
    void DropBefore(std::size_t target)
    {
        std::size_t place = std::min(target, Size());
        std::size_t crs = 0;
        while (crs < place && bytes_[place - 1 - crs] == '\r')
            ++crs;
        if (crs % 2 == 1)
            place = place < Size() ? place + 1 : place - 1;
        firstNul_ = NulBefore(place);
        lines_ += CountOf(Bytes(), place, '\n');
        if (place > 0)
            lastData_ = static_cast<unsigned char>(bytes_[place - 1]);
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(place));
        offset += place;
    }

    // Line numbers count the line feeds before a place; a text-mode read keeps
    // every one of them.
    std::size_t LineAt(std::size_t place) const { return 1 + lines_ + CountOf(Bytes(), place, '\n'); }

    // The file offset of the first NUL byte before a place, or None.
    std::size_t NulBefore(std::size_t place) const
    {
        if (firstNul_ != None)
            return firstNul_;
        const std::size_t nul = FirstOf(Bytes(), place, '\0');
        return nul == None ? None : offset + nul;
    }

    // The data byte before a place the parser reported, or -1 at the file's start.
    int DataBefore(std::size_t place) const
    {
        const std::string before = TextBetween(Bytes(), 0, place);
        return before.empty() ? lastData_ : static_cast<unsigned char>(before.back());
    }

    std::size_t offset = 0;         // of the first byte held, in the file
    std::size_t ctrlZOffset = None; // of the Ctrl-Z that ends the data, in the file
    std::size_t mostHeld = 0;

private:
    Source& source_;
    std::vector<char> bytes_;
    bool atEnd_ = false;
    std::size_t lines_ = 0;       // line feeds before `offset`
    std::size_t firstNul_ = None; // file offset of the first NUL before `offset`
    int lastData_ = -1;           // the data byte before `offset`
};

// Reads on until the key stands at the start of what is held, or the data ends
// without it.
DescriptorValue FindKey(Window& window)
{
    for (;;) {
        const DescriptorValue parsed = window.Parse();
        if (parsed.status != DescriptorStatus::NoKey) {
            if (parsed.keyOffset == 0)
                return parsed;
            window.DropBefore(parsed.keyOffset);
            continue;
        }
        if (window.AtEnd())
            return parsed;
        // A CR may stand before each byte of a key, so one spans at most twice
        // its length: one that starts before the last 2 * KeyLength - 1 bytes
        // held would have ended in them, and any after may end in the next piece.
        constexpr std::size_t Kept = 2 * KeyLength - 1;
        if (window.Size() > Kept)
            window.DropBefore(window.Size() - Kept);
        window.More();
    }
}

// Reads on until the value is whole: ended by a line feed or a NUL, too long,
// or at the end of the data.
DescriptorValue WholeValue(Window& window, DescriptorValue parsed)
{
    while (!window.AtEnd() && parsed.status != DescriptorStatus::TooLong &&
           !(parsed.status == DescriptorStatus::Found && parsed.valueEnd < window.Size())) {
        window.More();
        parsed = window.Parse();
    }
    return parsed;
}

class MemorySource : public Source {
public:
    MemorySource(const char* bytes, std::size_t size) : next_(bytes), left_(size) {}

    std::size_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t count = std::min(size, left_);
        std::copy(next_, next_ + count, buffer);
        next_ += count;
        left_ -= count;
        return count;
    }

private:
    const char* next_;
    std::size_t left_;
};

void Warn(CheckResult& result, WarningKind kind, const std::string& text)
{
    result.warnings.push_back({kind, text});
}

void CheckDirectory(const std::string& directory, CheckResult& result)
{
    if (directory.empty()) {
        Warn(result, WarningKind::Empty, "the directory the game starts from is empty");
        return;
    }
    if (directory.size() > LongestGameDirectory())
        Warn(result, WarningKind::LongerThanTheGameFits,
             "the directory the game starts from is " + Count(directory.size(), "byte") +
                 "; the game's command line (\"<directory>\\" + GameExeName + "\") fits a directory of at most " +
                 Count(LongestGameDirectory(), "byte") + ", so the game never starts");
    const bool driveLetter = directory.size() >= 2 &&
        ((directory[0] >= 'A' && directory[0] <= 'Z') || (directory[0] >= 'a' && directory[0] <= 'z')) &&
        directory[1] == ':';
    if (!driveLetter)
        Warn(result, WarningKind::NoDriveLetter,
             "the directory the game starts from does not start with a drive letter and a colon (C:)");

    // WIN.INI trims the blanks at the ends; only quotes keep any there.
    std::size_t kept = directory.size();
    while (kept > 0 && IsBlank(directory[kept - 1]))
        --kept;
    if (kept < directory.size())
        Warn(result, WarningKind::TrailingBlanks,
             "the directory the game starts from ends in " + Count(directory.size() - kept, "space or tab byte") +
                 ", which WIN.INI keeps inside the quotes: the game is looked for in a directory of that name");
    // Windows' naming rules: no byte from 1 to 31 (DEL is allowed), none of
    // < > : " / \ | ? *; the backslash and the slash separate the names, the
    // colon belongs to the drive.
    for (std::size_t i = 0; i < kept; ++i) {
        const unsigned char c = static_cast<unsigned char>(directory[i]);
        if (c < 0x20) {
            Warn(result, WarningKind::ControlByte,
                 "the directory holds a control byte (" + Visible(directory.substr(i, 1)) + " at byte " +
                     Number(i + 1) + "), which no directory name can hold");
            break;
        }
    }
    for (std::size_t i = 0; i < directory.size(); ++i) {
        const char c = directory[i];
        const bool reserved = c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*' ||
            (c == ':' && !(i == 1 && driveLetter));
        if (reserved) {
            Warn(result, WarningKind::ReservedCharacter,
                 "the directory holds " + Visible(directory.substr(i, 1)) + " at byte " + Number(i + 1) +
                     ", which no directory name can hold (Windows forbids < > : \" | ? * in names)");
            break;
        }
    }
}

// What WIN.INI drops of the value, on the way in and on the way back.
void NoteRoundTrip(const std::string& value, CheckResult& result)
{
    const std::string_view whole = value;
    const std::string_view written = profile::AsWritten(whole);
    const std::string_view trimmed = profile::Trimmed(written);
    const std::size_t before = whole.size() - written.size();
    const std::size_t after = written.size() - trimmed.size();
    if (before > 0)
        result.notes.push_back({NoteKind::BlanksBefore,
                                "WIN.INI stores the value without the " + Count(before, "blank byte") + " before it (" +
                                    Visible(value.substr(0, before)) + ")"});
    if (after > 0)
        result.notes.push_back({NoteKind::BlanksAfter,
                                "WIN.INI gives the value back without the " + Count(after, "blank byte") +
                                    " after it (" + Visible(std::string(written.substr(trimmed.size()))) + ")"});
    if (profile::AsRead(written).size() != trimmed.size())
        result.notes.push_back({NoteKind::Quotes,
                                std::string("WIN.INI gives the value back without the ") +
                                    (trimmed.front() == '"' ? "double" : "single") + " quotes around it"});
}

void CheckKey(Window& window, const DescriptorValue& parsed, CheckResult& result)
{
    const std::string line = Number(window.LineAt(parsed.keyOffset));
    const int previous = window.DataBefore(parsed.keyOffset);
    // The key, what stands between it and the "=", and the "=".
    const std::string keyToValue = TextBetween(window.Bytes(), parsed.keyOffset, parsed.valueOffset);
    const std::string between = keyToValue.substr(KeyLength, keyToValue.size() - KeyLength - 1);
    const int next = between.empty() ? '=' : static_cast<unsigned char>(between[0]);

    if (previous >= 0 && previous != '\n')
        Warn(result, WarningKind::KeyNotAtLineStart,
             std::string(DescriptorKey) + " on line " + line + " is not at the start of its line");
    if (IsWordByte(previous) || IsWordByte(next))
        Warn(result, WarningKind::KeyInsideALongerWord,
             std::string(DescriptorKey) + " on line " + line + " is part of a longer word");
    for (const char c : between) {
        if (!IsBlank(c)) {
            Warn(result, WarningKind::TextBeforeTheEqualsSign,
                 "the value starts after the first \"=\" that follows " + std::string(DescriptorKey) + ", on line " +
                     Number(window.LineAt(parsed.valueOffset)) + "; between them stands " + Excerpt(between));
            break;
        }
    }

    const std::size_t nul = window.NulBefore(parsed.valueOffset);
    if (nul != None)
        Warn(result, WarningKind::NulBeforeTheValue,
             "a NUL byte (offset " + Number(nul) +
                 ") comes before the value: text tools stop reading there, the launcher reads on");

    // The parser itself finds the next occurrence, in what follows the value.
    window.DropBefore(parsed.valueEnd);
    const DescriptorValue another = FindKey(window);
    if (another.status != DescriptorStatus::NoKey)
        Warn(result, WarningKind::AnotherKey,
             std::string(DescriptorKey) + " occurs again on line " + Number(window.LineAt(another.keyOffset)) +
                 "; the launcher takes the one on line " + line);
}

void Judge(Window& window, const DescriptorValue& parsed, CheckResult& result)
{
    const std::string refusal = std::string("\"") + TITLE_CannotFindDescriptor_utf8 + "\": ";
    const std::string cutShort = window.ctrlZOffset == None
        ? std::string()
        : " (the data ends at the Ctrl-Z at offset " + Number(window.ctrlZOffset) + ")";
    switch (parsed.status) {
    case DescriptorStatus::NoKey:
        result.refusal = refusal + "no " + DescriptorKey + " in the data" +
            (window.offset + window.Size() == 0 && window.ctrlZOffset == None ? std::string(" (the file is empty)")
                                                                              : cutShort);
        return;
    case DescriptorStatus::NoSeparator:
        result.refusal = refusal + DescriptorKey + " on line " + Number(window.LineAt(parsed.keyOffset)) +
            " has no \"=\" after it" + cutShort;
        return;
    case DescriptorStatus::TooLong:
        result.refusal = refusal + "the value after " + DescriptorKey + " on line " +
            Number(window.LineAt(parsed.keyOffset)) + " is over " + Count(PathBufferSize - 1, "byte");
        return;
    case DescriptorStatus::Found:
        break;
    }

    result.value = parsed.text;
    result.directory = std::string(profile::RoundTrip(result.value));
    NoteRoundTrip(result.value, result);
    CheckDirectory(result.directory, result);
    CheckKey(window, parsed, result);
    result.verdict = result.warnings.empty() ? Verdict::Usable : Verdict::Warning;
}

} // namespace

Verdict Worse(Verdict a, Verdict b)
{
    return Rank(a) >= Rank(b) ? a : b;
}

std::size_t LongestGameDirectory()
{
    return GameDirectoryMax;
}

CheckResult CheckDescriptor(Source& source)
{
    CheckResult result = {Verdict::Refused, {}, {}, {}, {}, {}, 0};
    Window window(source);
    const DescriptorValue parsed = WholeValue(window, FindKey(window));
    Judge(window, parsed, result);
    result.mostHeld = window.mostHeld;
    return result;
}

CheckResult CheckDescriptor(const char* bytes, std::size_t size)
{
    MemorySource source(bytes, size);
    return CheckDescriptor(source);
}

std::string Visible(const std::string& value)
{
    std::string shown = "\"";
    for (const char byte : value) {
        const unsigned char c = static_cast<unsigned char>(byte);
        if (c < 0x20 || c >= 0x7f || c == '"' || c == '<' || c == '>') {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            shown += hex;
        } else {
            shown += byte;
        }
    }
    return shown + "\"";
}

std::string Report(const std::string& name, const CheckResult& result)
{
    if (result.verdict == Verdict::Refused)
        return name + ": refused: " + result.refusal + "\n";
    std::string lines = name + ": recorded: " + Visible(result.value) + " (" + Count(result.value.size(), "byte") +
        ")\n" + name + ": game starts from: " + Visible(result.directory) + " (" +
        Count(result.directory.size(), "byte") + ")\n";
    for (const Note& note : result.notes)
        lines += name + ": note: " + note.text + "\n";
    for (const Warning& warning : result.warnings)
        lines += name + ": warning: " + warning.text + "\n";
    return lines;
}
