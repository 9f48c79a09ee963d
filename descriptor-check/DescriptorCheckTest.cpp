// Descriptors in, what descriptor-check says of them out. Every name, text and
// limit comes from the build's title.
#include "DescriptorCheck.h"

#include "Launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using W = WarningKind;
using N = NoteKind;

struct Row {
    const char* name;
    std::string bytes;
    Verdict verdict;
    std::string value;
    std::vector<WarningKind> warnings; // in the order reported
    std::vector<NoteKind> notes = {};
    std::optional<std::string> directory = {}; // when it is not the value
    bool applies = true;                       // to this title's key
};

const std::string K = DescriptorKey;
const std::size_t KeyLength = K.size();

bool IsWord(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

// The key with the case of each letter turned.
std::string OtherCase(std::string key)
{
    for (char& c : key)
        c = static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                  ? std::tolower(static_cast<unsigned char>(c))
                                  : std::toupper(static_cast<unsigned char>(c)));
    return key;
}

// The longest directory the game starts from, and one byte more.
const std::string DirMax = "C:\\" + std::string(GameDirectoryMax - 3, 'd');
const std::string DirOver = DirMax + "e";
// The longest value the launcher records, and one byte more.
const std::string LongestValue(PathBufferSize - 1, 'v');

// Text longer than a key can span, and many short lines.
const std::string Far(3 * KeyLength + 7, 'x');
std::string ManyLines()
{
    std::string lines;
    for (std::size_t i = 0; i < 3 * KeyLength; ++i)
        lines += "y\r\n";
    return lines;
}
const std::string Lines = ManyLines();

// The key with a CR before each of its bytes, which a text-mode read drops:
// twice as many bytes as the key.
std::string Interleaved(const std::string& key)
{
    std::string text;
    for (const char c : key)
        text += std::string("\r") + c;
    return text;
}
const std::string NoKeyLine = "[Setup]\nDirectory=C:\\Q\n";

// One row a line where it fits, as a table reads.
// clang-format off
const Row rows[] = {
    {"plain line", K + "=C:\\Games\\Q\r\n", Verdict::Usable, "C:\\Games\\Q", {}},
    {"lower-case drive, spaces inside", "[Setup]\n" + K + "=d:\\Games\\Q Deluxe", Verdict::Usable, "d:\\Games\\Q Deluxe",
     {}},
    {"longest directory fits", K + "=" + DirMax + "\r\n", Verdict::Usable, DirMax, {}},
    {"blanks before the equals sign", K + " \t=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key in the value is no second key", K + "=C:\\" + K + "\n", Verdict::Usable, "C:\\" + K, {}},
    {"NUL after the value", K + "=C:\\Q\0junk\n"s, Verdict::Usable, "C:\\Q", {}},
    {"DEL is a name's byte", K + "=C:\\Q\x7f\n", Verdict::Usable, "C:\\Q\x7f", {}},
    {"slash for a backslash", K + "=C:/Games/Q\n", Verdict::Usable, "C:/Games/Q", {}},
    {"apostrophe at the end", K + "=C:\\Q'\n", Verdict::Usable, "C:\\Q'", {}},
    {"bytes of the code page", K + "=C:\\Spiele\\W\xe4" "chter\n", Verdict::Usable, "C:\\Spiele\\W\xe4" "chter", {}},

    // What WIN.INI drops on the way does no harm.
    {"blanks around the equals sign and after", K + " = C:\\Games\\Q \r\n", Verdict::Usable, " C:\\Games\\Q ", {},
     {N::BlanksBefore, N::BlanksAfter}, "C:\\Games\\Q"},
    {"double quotes", K + "=\"C:\\Games\\Q\"\r\n", Verdict::Usable, "\"C:\\Games\\Q\"", {}, {N::Quotes},
     "C:\\Games\\Q"},
    {"tab after", K + "=C:\\Games\\Q\t\n", Verdict::Usable, "C:\\Games\\Q\t", {}, {N::BlanksAfter}, "C:\\Games\\Q"},
    {"single quotes", K + "='C:\\Q'\n", Verdict::Usable, "'C:\\Q'", {}, {N::Quotes}, "C:\\Q"},
    {"CR kept by CR CR LF", K + "=C:\\Q\r\r\n", Verdict::Usable, "C:\\Q\r", {}, {N::BlanksAfter}, "C:\\Q"},
    {"vertical tab and form feed after", K + "=C:\\Q\v\f", Verdict::Usable, "C:\\Q\v\f", {}, {N::BlanksAfter}, "C:\\Q"},
    {"form feed before", K + "=\fC:\\Q", Verdict::Usable, "\fC:\\Q", {}, {N::BlanksBefore}, "C:\\Q"},
    {"blanks outside the quotes", K + "= \t\"C:\\Q\"  \n", Verdict::Usable, " \t\"C:\\Q\"  ", {},
     {N::BlanksBefore, N::BlanksAfter, N::Quotes}, "C:\\Q"},
    {"longest directory with blanks and quotes", K + "= \"" + DirMax + "\" \n", Verdict::Usable,
     " \"" + DirMax + "\" ", {}, {N::BlanksBefore, N::BlanksAfter, N::Quotes}, DirMax},

    {"one byte over the longest directory", K + "=" + DirOver + "\n", Verdict::Warning, DirOver,
     {W::LongerThanTheGameFits}},
    {"longest value recorded", K + "=" + LongestValue, Verdict::Warning, LongestValue,
     {W::LongerThanTheGameFits, W::NoDriveLetter}},
    {"over the longest directory inside quotes", K + "=\"" + DirOver + "\"", Verdict::Warning, "\"" + DirOver + "\"",
     {W::LongerThanTheGameFits}, {N::Quotes}, DirOver},
    {"empty", K + "=\r\n", Verdict::Warning, "", {W::Empty}},
    {"blanks only", K + "= \t \r\n", Verdict::Warning, " \t ", {W::Empty}, {N::BlanksBefore}, ""},
    {"empty double quotes", K + "=\"\"\n", Verdict::Warning, "\"\"", {W::Empty}, {N::Quotes}, ""},
    {"empty single quotes", K + "=''\n", Verdict::Warning, "''", {W::Empty}, {N::Quotes}, ""},
    {"a double quote alone", K + "=\"\n", Verdict::Warning, "\"", {W::NoDriveLetter, W::ReservedCharacter}},
    {"a single quote alone", K + "='\n", Verdict::Warning, "'", {W::NoDriveLetter}},
    {"quote at the start only", K + "=\"C:\\Q\n", Verdict::Warning, "\"C:\\Q",
     {W::NoDriveLetter, W::ReservedCharacter}},
    {"quote at the end only", K + "=C:\\Q\"\n", Verdict::Warning, "C:\\Q\"", {W::ReservedCharacter}},
    {"quotes that differ", K + "=\"C:\\Q'\n", Verdict::Warning, "\"C:\\Q'", {W::NoDriveLetter, W::ReservedCharacter}},
    {"two pairs of quotes", K + "=\"\"C:\\Q\"\"\n", Verdict::Warning, "\"\"C:\\Q\"\"",
     {W::NoDriveLetter, W::ReservedCharacter}, {N::Quotes}, "\"C:\\Q\""},
    {"blanks inside the quotes", K + "=\" C:\\Q \"\n", Verdict::Warning, "\" C:\\Q \"",
     {W::NoDriveLetter, W::TrailingBlanks, W::ReservedCharacter}, {N::Quotes}, " C:\\Q "},
    {"tab inside the quotes at the end", K + "='C:\\Q\t'\n", Verdict::Warning, "'C:\\Q\t'", {W::TrailingBlanks},
     {N::Quotes}, "C:\\Q\t"},
    {"no drive letter", K + "=\\Games\\Q\n", Verdict::Warning, "\\Games\\Q", {W::NoDriveLetter}},
    {"digit for a drive", K + "=1:\\Q\n", Verdict::Warning, "1:\\Q", {W::NoDriveLetter, W::ReservedCharacter}},
    {"drive letter alone", K + "=C", Verdict::Warning, "C", {W::NoDriveLetter}},
    {"letter without a colon", K + "=C\\Games\n", Verdict::Warning, "C\\Games", {W::NoDriveLetter}},
    {"byte 1", K + "=C:\\\x01Q\n", Verdict::Warning, "C:\\\x01Q", {W::ControlByte}},
    {"byte 31", K + "=C:\\Q\x1f\n", Verdict::Warning, "C:\\Q\x1f", {W::ControlByte}},
    {"vertical tab inside", K + "=C:\\Q\vR\n", Verdict::Warning, "C:\\Q\vR", {W::ControlByte}},
    {"less than", K + "=C:\\Q<R\n", Verdict::Warning, "C:\\Q<R", {W::ReservedCharacter}},
    {"greater than", K + "=C:\\Q>R\n", Verdict::Warning, "C:\\Q>R", {W::ReservedCharacter}},
    {"bar", K + "=C:\\Q|R\n", Verdict::Warning, "C:\\Q|R", {W::ReservedCharacter}},
    {"question mark", K + "=C:\\Q?\n", Verdict::Warning, "C:\\Q?", {W::ReservedCharacter}},
    {"asterisk", K + "=C:\\*\n", Verdict::Warning, "C:\\*", {W::ReservedCharacter}},
    {"a second colon", K + "=C:\\Q:R\n", Verdict::Warning, "C:\\Q:R", {W::ReservedCharacter}},
    {"key after a blank", " " + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::KeyNotAtLineStart}},
    {"key right after a NUL", "\0"s + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyNotAtLineStart, W::NulBeforeTheValue}},
    {"key at the end of a word", "My" + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyNotAtLineStart, W::KeyInsideALongerWord}, {}, {}, IsWord(K.front())},
    {"digit before the key", "2" + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyNotAtLineStart, W::KeyInsideALongerWord}, {}, {}, IsWord(K.front())},
    {"key at the start of a word", K + "s=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyInsideALongerWord, W::TextBeforeTheEqualsSign}, {}, {}, IsWord(K.back())},
    {"digit after the key", K + "2=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyInsideALongerWord, W::TextBeforeTheEqualsSign}, {}, {}, IsWord(K.back())},
    {"key with a suffix", K + ".old=C:\\Old\n", Verdict::Warning, "C:\\Old", {W::TextBeforeTheEqualsSign}},
    {"equals sign on a later line", K + "\nName=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::TextBeforeTheEqualsSign}},
    {"first of two keys counts", K + "=C:\\A\r\n" + K + "=C:\\B\r\n", Verdict::Warning, "C:\\A", {W::AnotherKey}},
    {"second key after a NUL in the value", K + "=C:\\A\0"s + K + "=C:\\B", Verdict::Warning, "C:\\A",
     {W::AnotherKey}},
    {"second key without its equals sign", K + "=C:\\A\n" + K, Verdict::Warning, "C:\\A", {W::AnotherKey}},
    {"NUL before the key", "\0\n"s + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::NulBeforeTheValue}},
    {"NUL before the equals sign", K + "\0=C:\\Q\n"s, Verdict::Warning, "C:\\Q",
     {W::TextBeforeTheEqualsSign, W::NulBeforeTheValue}},
    {"CR inside the key", K.substr(0, 1) + "\r" + K.substr(1) + "=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key after a dropped CR", "\r" + K + "=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key after CRLF", "x\r\n" + K + "=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    // A CR takes the byte after it, so CRs pair off: two give one, and three one and the key's first byte.
    {"key after three CRs", "\r\r\r" + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::KeyNotAtLineStart}},
    {"key after four CRs", "\n\r\r\r\r" + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::KeyNotAtLineStart}},
    {"five CRs after the value", K + "=C:\\Q\r\r\r\r\r\n", Verdict::Usable, "C:\\Q\r\r", {}, {N::BlanksAfter},
     "C:\\Q"},
    // Far enough in that the bytes before are no longer held when read in pieces.
    {"NUL far before the key", Far + "\0\n"s + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::NulBeforeTheValue}},
    {"key after many lines", Lines + " " + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::KeyNotAtLineStart}},
    {"key right after a long word", Far + K + "=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyNotAtLineStart, W::KeyInsideALongerWord}, {}, {}, IsWord(K.front())},
    {"a CR before each byte of the key, far in", Far + "\n" + Interleaved(K) + "=C:\\Q\n", Verdict::Usable, "C:\\Q",
     {}},
    {"second key many lines on", K + "=C:\\A\n" + Lines + K + "=C:\\B", Verdict::Warning, "C:\\A", {W::AnotherKey}},
    {"everything at once", "x " + K + "  \r\n=  C:\\Q\t\r\n" + K + "=C:\\R\r\n", Verdict::Warning, "  C:\\Q\t",
     {W::KeyNotAtLineStart, W::TextBeforeTheEqualsSign, W::AnotherKey}, {N::BlanksBefore, N::BlanksAfter}, "C:\\Q"},

    {"empty file", "", Verdict::Refused, "", {}},
    {"no key", NoKeyLine, Verdict::Refused, "", {}, {}, {}, NoKeyLine.find(K) == std::string::npos},
    {"key in another case", OtherCase(K) + "=C:\\Q\n", Verdict::Refused, "", {}, {}, {}, OtherCase(K) != K},
    {"key after Ctrl-Z", "\x1a" + K + "=C:\\Q\n", Verdict::Refused, "", {}},
    {"Ctrl-Z after a CR inside the key", K.substr(0, 1) + "\r\x1a" + K.substr(1) + "=C:\\Q\n", Verdict::Refused, "", {}},
    {"no equals sign", K + " C:\\Q\n", Verdict::Refused, "", {}},
    {"no key before a Ctrl-Z far in", Far + "\x1a" + K + "=C:\\Q\n", Verdict::Refused, "", {}},
    {"no equals sign before a Ctrl-Z far in", K + Far + "\x1a=C:\\Q\n", Verdict::Refused, "", {}},
    {"value one byte over the longest", K + "=" + LongestValue + "v", Verdict::Refused, "", {}},
    {"over the longest with blanks WIN.INI would drop", K + "= " + LongestValue, Verdict::Refused, "", {}},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

std::string Names(const std::vector<WarningKind>& kinds)
{
    static const char* const names[] = {"LongerThanTheGameFits",
                                        "Empty",
                                        "NoDriveLetter",
                                        "TrailingBlanks",
                                        "ControlByte",
                                        "ReservedCharacter",
                                        "KeyNotAtLineStart",
                                        "KeyInsideALongerWord",
                                        "TextBeforeTheEqualsSign",
                                        "AnotherKey",
                                        "NulBeforeTheValue"};
    std::string text;
    for (const WarningKind kind : kinds)
        text += std::string(text.empty() ? "" : " ") + names[static_cast<int>(kind)];
    return "[" + text + "]";
}

std::string Names(const std::vector<NoteKind>& kinds)
{
    static const char* const names[] = {"BlanksBefore", "BlanksAfter", "Quotes"};
    std::string text;
    for (const NoteKind kind : kinds)
        text += std::string(text.empty() ? "" : " ") + names[static_cast<int>(kind)];
    return "[" + text + "]";
}

// Hands the bytes over at most `piece` at a time.
class PieceSource : public Source {
public:
    PieceSource(const std::string& bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}

    std::size_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t count = std::min({size, piece_, bytes_.size() - next_});
        std::copy_n(bytes_.data() + next_, count, buffer);
        next_ += count;
        return count;
    }

private:
    const std::string& bytes_;
    std::size_t piece_;
    std::size_t next_ = 0;
};

class CheckTable : public ::testing::TestWithParam<Row> {};

TEST_P(CheckTable, SaysWhatTheLauncherRecordsAndWhy)
{
    const Row& row = GetParam();
    if (!row.applies)
        GTEST_SKIP() << "not for the key " << K;
    // Exactly the file's bytes, with no NUL after them.
    std::vector<char> bytes(row.bytes.begin(), row.bytes.end());
    const CheckResult result = CheckDescriptor(bytes.empty() ? nullptr : bytes.data(), bytes.size());

    EXPECT_EQ(static_cast<int>(row.verdict), static_cast<int>(result.verdict)) << Report("file", result);
    EXPECT_EQ(Visible(row.value), Visible(result.value));
    EXPECT_EQ(Visible(row.directory.value_or(row.value)), Visible(result.directory));
    std::vector<WarningKind> kinds;
    for (const Warning& warning : result.warnings)
        kinds.push_back(warning.kind);
    EXPECT_EQ(Names(row.warnings), Names(kinds)) << Report("file", result);
    std::vector<NoteKind> notes;
    for (const Note& note : result.notes)
        notes.push_back(note.kind);
    EXPECT_EQ(Names(row.notes), Names(notes)) << Report("file", result);
    EXPECT_EQ(row.verdict == Verdict::Refused, !result.refusal.empty()) << result.refusal;
}

// Read in pieces of any size, a file gives the same report as read whole: the
// key, the value and every place they tell of may fall across pieces.
TEST_P(CheckTable, SaysTheSameReadInPieces)
{
    const Row& row = GetParam();
    const std::string whole = Report("file", CheckDescriptor(row.bytes.data(), row.bytes.size()));
    for (std::size_t piece = 1; piece <= 2 * KeyLength + 3; ++piece) {
        PieceSource source(row.bytes, piece);
        EXPECT_EQ(whole, Report("file", CheckDescriptor(source))) << "in pieces of " << piece << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Descriptor, CheckTable, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// What a publisher reads: the lines for a value with notes and warnings, and
// for a refusal.
TEST(CheckReport, ShowsTheValuesTheReasonsAndWhyNot)
{
    const std::string warned = "x " + K + "= \"C:\\Games \t\"\r\n\r\n" + K + "=D:\\\r\n";
    EXPECT_EQ("m.ini: recorded: \" <22>C:\\Games <09><22>\" (13 bytes)\n"
              "m.ini: game starts from: \"C:\\Games <09>\" (10 bytes)\n"
              "m.ini: note: WIN.INI stores the value without the 1 blank byte before it (\" \")\n"
              "m.ini: note: WIN.INI gives the value back without the double quotes around it\n"
              "m.ini: warning: the directory the game starts from ends in 2 space or tab bytes, which WIN.INI keeps "
              "inside the quotes: the game is looked for in a directory of that name\n"
              "m.ini: warning: " +
                  K + " on line 1 is not at the start of its line\n" + "m.ini: warning: " + K +
                  " occurs again on line 3; the launcher takes the one on line 1\n",
              Report("m.ini", CheckDescriptor(warned.data(), warned.size())));

    const std::string trimmed = K + "=C:\\Q\r\r\n";
    EXPECT_EQ("m.ini: recorded: \"C:\\Q<0D>\" (5 bytes)\n"
              "m.ini: game starts from: \"C:\\Q\" (4 bytes)\n"
              "m.ini: note: WIN.INI gives the value back without the 1 blank byte after it (\"<0D>\")\n",
              Report("m.ini", CheckDescriptor(trimmed.data(), trimmed.size())));

    const std::string over = K + "=" + DirOver + "*";
    EXPECT_EQ("m.ini: recorded: \"" + DirOver + "*\" (" + std::to_string(DirOver.size() + 1) +
                  " bytes)\n"
                  "m.ini: game starts from: \"" +
                  DirOver + "*\" (" + std::to_string(DirOver.size() + 1) +
                  " bytes)\n"
                  "m.ini: warning: the directory the game starts from is " +
                  std::to_string(DirOver.size() + 1) + " bytes; the game's command line (\"<directory>\\" +
                  GameExeName + "\") fits a directory of at most " + std::to_string(GameDirectoryMax) +
                  " bytes, so the game never starts\n"
                  "m.ini: warning: the directory holds \"*\" at byte " +
                  std::to_string(DirOver.size() + 1) +
                  ", which no directory name can hold (Windows forbids < > : \" | ? * in names)\n",
              Report("m.ini", CheckDescriptor(over.data(), over.size())));

    const std::string refusal = std::string("m.ini: refused: \"") + TITLE_CannotFindDescriptor_utf8 + "\": ";
    const std::string refused = "a\n" + K + "\n";
    EXPECT_EQ(refusal + K + " on line 2 has no \"=\" after it\n",
              Report("m.ini", CheckDescriptor(refused.data(), refused.size())));
    const std::string hidden = K + "\r\x1a=C:\\Q\r\n";
    EXPECT_EQ(refusal + K + " on line 1 has no \"=\" after it (the data ends at the Ctrl-Z at offset " +
                  std::to_string(KeyLength + 1) + ")\n",
              Report("m.ini", CheckDescriptor(hidden.data(), hidden.size())));
    EXPECT_EQ("\"<01>\\<22><3C><3E><7F><E9>~ \"", Visible("\x01\\\"<>\x7f\xe9~ "));
}

// A large file is read in pieces, and only a piece and the key's line are held;
// the lines and offsets it reports count every byte before.
TEST(CheckPieces, HoldsAPieceOfALargeFileAndCountsAcrossPieces)
{
    const std::size_t filler = 5 * PieceSize + 17;
    std::string bytes(filler, 'x');
    bytes += "\0\r\n"s + K + "=C:\\Big\r\n";
    for (int line = 0; line < 100000; ++line)
        bytes += "y\r\n";
    bytes += K + "=C:\\Again\r\n";

    PieceSource source(bytes, PieceSize);
    const CheckResult result = CheckDescriptor(source);

    EXPECT_EQ("C:\\Big", result.directory);
    EXPECT_LE(result.mostHeld, PieceSize + 2 * KeyLength - 1) << "bytes held at once";
    ASSERT_EQ(2u, result.warnings.size()) << Report("file", result);
    EXPECT_EQ("a NUL byte (offset " + std::to_string(filler) +
                  ") comes before the value: text tools stop reading there, the launcher reads on",
              result.warnings[0].text);
    EXPECT_EQ(K + " occurs again on line 100003; the launcher takes the one on line 2", result.warnings[1].text);
}

TEST(CheckVerdict, WorstOfSeveralFiles)
{
    const Verdict order[] = {Verdict::Usable, Verdict::Warning, Verdict::Refused, Verdict::Unreadable};
    for (int a = 0; a < 4; ++a) {
        for (int b = 0; b < 4; ++b) {
            const Verdict expected = order[a > b ? a : b];
            EXPECT_EQ(static_cast<int>(expected), static_cast<int>(Worse(order[a], order[b])))
                << static_cast<int>(order[a]) << " with " << static_cast<int>(order[b]);
        }
    }
}

} // namespace
