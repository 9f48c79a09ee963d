// The launcher's own parser gives the value and where its parts lie; the
// warnings are read off those places, never from a second reading of the rules.
#include "DescriptorCheck.h"

#include "Descriptor.h"
#include "Launcher.h"

#include <cstdio>

namespace {

constexpr std::size_t KeyLength = sizeof DescriptorKey - 1;

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

// Line numbers count the line feeds before a place; a text-mode read keeps
// every one of them.
std::size_t LineAt(const char* bytes, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset; ++i)
        line += bytes[i] == '\n';
    return line;
}

std::string Number(std::size_t n)
{
    return std::to_string(n);
}

// Text quoted in a warning, cut short when long.
std::string Excerpt(const std::string& text)
{
    constexpr std::size_t Shown = 40;
    if (text.size() <= Shown)
        return Visible(text);
    return Visible(text.substr(0, Shown)) + "... (" + Number(text.size()) + " bytes)";
}

void Warn(CheckResult& result, WarningKind kind, const std::string& text)
{
    result.warnings.push_back({kind, text});
}

void CheckValue(const std::string& value, CheckResult& result)
{
    if (value.empty()) {
        Warn(result, WarningKind::Empty, "the value is empty: there is no directory to start the game from");
        return;
    }
    if (value.size() > LongestGameDirectory())
        Warn(result, WarningKind::LongerThanTheGameFits,
             "the value is " + Number(value.size()) + " bytes; the game's command line (\"<directory>\\" + GameExeName +
                 "\") fits a directory of at most " + Number(LongestGameDirectory()) +
                 " bytes, so the game never starts");
    const bool driveLetter = value.size() >= 2 &&
        ((value[0] >= 'A' && value[0] <= 'Z') || (value[0] >= 'a' && value[0] <= 'z')) && value[1] == ':';
    if (!driveLetter)
        Warn(result, WarningKind::NoDriveLetter, "the value does not start with a drive letter and a colon (C:)");

    std::size_t kept = value.size();
    while (kept > 0 && IsBlank(value[kept - 1]))
        --kept;
    if (kept < value.size())
        Warn(result, WarningKind::TrailingBlanks,
             "the value ends in " + Number(value.size() - kept) +
                 " space or tab byte(s), which the launcher keeps (nothing is trimmed): the first start looks "
                 "for the game in a directory of that name");
    for (std::size_t i = 0; i < kept; ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7f) {
            Warn(result, WarningKind::ControlByte,
                 "the value holds a control byte (" + Visible(value.substr(i, 1)) + " at byte " + Number(i + 1) +
                     "), which no directory name can hold");
            break;
        }
    }
}

void CheckKey(const char* bytes, std::size_t size, const DescriptorValue& parsed, CheckResult& result)
{
    const std::string line = Number(LineAt(bytes, parsed.keyOffset));
    const std::string before = TextBetween(bytes, 0, parsed.keyOffset);
    const int previous = before.empty() ? -1 : static_cast<unsigned char>(before.back());
    // The key, what stands between it and the "=", and the "=".
    const std::string keyToValue = TextBetween(bytes, parsed.keyOffset, parsed.valueOffset);
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
                     Number(LineAt(bytes, parsed.valueOffset)) + "; between them stands " + Excerpt(between));
            break;
        }
    }

    for (std::size_t i = 0; i < parsed.valueOffset; ++i) {
        if (bytes[i] == '\0') {
            Warn(result, WarningKind::NulBeforeTheValue,
                 "a NUL byte (offset " + Number(i) +
                     ") comes before the value: text tools stop reading there, the launcher reads on");
            break;
        }
    }

    // The parser itself finds the next occurrence, in what follows the value.
    const DescriptorValue another = ParseDescriptor(bytes + parsed.valueEnd, size - parsed.valueEnd);
    if (another.status != DescriptorStatus::NoKey)
        Warn(result, WarningKind::AnotherKey,
             std::string(DescriptorKey) + " occurs again on line " +
                 Number(LineAt(bytes, parsed.valueEnd + another.keyOffset)) + "; the launcher takes the one on line " +
                 line);
}

} // namespace

Verdict Worse(Verdict a, Verdict b)
{
    return Rank(a) >= Rank(b) ? a : b;
}

std::size_t LongestGameDirectory()
{
    // Two quotes, the backslash, the program's name and the NUL.
    return PathBufferSize - 3 - (sizeof GameExeName - 1) - 1;
}

CheckResult CheckDescriptor(const char* bytes, std::size_t size)
{
    CheckResult result = {Verdict::Refused, {}, {}, {}};
    const DescriptorValue parsed = ParseDescriptor(bytes, size);
    const std::string refusal = "\"Cannot find path descriptor!\": ";
    // Any Ctrl-Z ends the data, even after a CR: what follows it is not read.
    std::string cutShort;
    for (std::size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\x1a') {
            cutShort = " (the data ends at the Ctrl-Z at offset " + Number(i) + ")";
            break;
        }
    }
    switch (parsed.status) {
    case DescriptorStatus::NoKey:
        result.refusal = refusal + "no " + DescriptorKey + " in the data" +
            (size == 0 ? std::string(" (the file is empty)") : cutShort);
        return result;
    case DescriptorStatus::NoSeparator:
        result.refusal = refusal + DescriptorKey + " on line " + Number(LineAt(bytes, parsed.keyOffset)) +
            " has no \"=\" after it" + cutShort;
        return result;
    case DescriptorStatus::TooLong:
        result.refusal = refusal + "the value after " + DescriptorKey + " on line " +
            Number(LineAt(bytes, parsed.keyOffset)) + " is over " + Number(PathBufferSize - 1) + " bytes";
        return result;
    case DescriptorStatus::Found:
        break;
    }

    result.value = parsed.text;
    CheckValue(result.value, result);
    CheckKey(bytes, size, parsed, result);
    result.verdict = result.warnings.empty() ? Verdict::Usable : Verdict::Warning;
    return result;
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
    std::string lines =
        name + ": recorded: " + Visible(result.value) + " (" + Number(result.value.size()) + " bytes)\n";
    for (const Warning& warning : result.warnings)
        lines += name + ": warning: " + warning.text + "\n";
    return lines;
}
