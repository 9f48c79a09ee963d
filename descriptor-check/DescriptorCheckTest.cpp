// Descriptors in, what descriptor-check says of them out.
#include "DescriptorCheck.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

using W = WarningKind;

struct Row {
    const char* name;
    std::string bytes;
    Verdict verdict;
    std::string value;
    std::vector<WarningKind> warnings; // in the order reported
};

const std::string Dir248 = "C:\\" + std::string(245, 'd');

// One row a line where it fits, as a table reads.
// clang-format off
const Row rows[] = {
    {"plain line", "DestinationPath=C:\\Games\\Quorvale\r\n", Verdict::Usable, "C:\\Games\\Quorvale", {}},
    {"lower-case drive, spaces inside", "[Setup]\nDestinationPath=d:\\Games\\Quorvale Deluxe", Verdict::Usable,
     "d:\\Games\\Quorvale Deluxe", {}},
    {"248 bytes fit", "DestinationPath=" + Dir248 + "\r\n", Verdict::Usable, Dir248, {}},
    {"blanks before the equals sign", "DestinationPath \t=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key in the value is no second key", "DestinationPath=C:\\DestinationPath\n", Verdict::Usable,
     "C:\\DestinationPath", {}},
    {"NUL after the value", "DestinationPath=C:\\Q\0junk\n"s, Verdict::Usable, "C:\\Q", {}},

    {"249 bytes do not", "DestinationPath=" + Dir248 + "e\n", Verdict::Warning, Dir248 + "e",
     {W::LongerThanTheGameFits}},
    {"259 bytes", "DestinationPath=" + Dir248 + std::string(11, 'e'), Verdict::Warning, Dir248 + std::string(11, 'e'),
     {W::LongerThanTheGameFits}},
    {"empty", "DestinationPath=\r\n", Verdict::Warning, "", {W::Empty}},
    {"no drive letter", "DestinationPath=\\Games\\Q\n", Verdict::Warning, "\\Games\\Q", {W::NoDriveLetter}},
    {"digit for a drive", "DestinationPath=1:\\Q\n", Verdict::Warning, "1:\\Q", {W::NoDriveLetter}},
    {"drive letter alone", "DestinationPath=C", Verdict::Warning, "C", {W::NoDriveLetter}},
    {"letter without a colon", "DestinationPath=C\\Games\n", Verdict::Warning, "C\\Games", {W::NoDriveLetter}},
    {"space before the value", "DestinationPath= C:\\Q\n", Verdict::Warning, " C:\\Q", {W::NoDriveLetter}},
    {"trailing space", "DestinationPath=C:\\Q \r\n", Verdict::Warning, "C:\\Q ", {W::TrailingBlanks}},
    {"trailing tab", "DestinationPath=C:\\Q\t\n", Verdict::Warning, "C:\\Q\t", {W::TrailingBlanks}},
    {"CR kept by CR CR LF", "DestinationPath=C:\\Q\r\r\n", Verdict::Warning, "C:\\Q\r", {W::ControlByte}},
    {"key after a blank", " DestinationPath=C:\\Q\n", Verdict::Warning, "C:\\Q", {W::KeyNotAtLineStart}},
    {"key at the end of a word", "MyDestinationPath=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyNotAtLineStart, W::KeyInsideALongerWord}},
    {"key at the start of a word", "DestinationPaths=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::KeyInsideALongerWord, W::TextBeforeTheEqualsSign}},
    {"key with a suffix", "DestinationPath.old=C:\\Old\n", Verdict::Warning, "C:\\Old",
     {W::TextBeforeTheEqualsSign}},
    {"equals sign on a later line", "DestinationPath\nName=C:\\Q\n", Verdict::Warning, "C:\\Q",
     {W::TextBeforeTheEqualsSign}},
    {"first of two keys counts", "DestinationPath=C:\\A\r\nDestinationPath=C:\\B\r\n", Verdict::Warning, "C:\\A",
     {W::AnotherKey}},
    {"second key after a NUL in the value", "DestinationPath=C:\\A\0DestinationPath=C:\\B"s, Verdict::Warning,
     "C:\\A", {W::AnotherKey}},
    {"NUL before the key", "\0\nDestinationPath=C:\\Q\n"s, Verdict::Warning, "C:\\Q", {W::NulBeforeTheValue}},
    {"NUL before the equals sign", "DestinationPath\0=C:\\Q\n"s, Verdict::Warning, "C:\\Q",
     {W::TextBeforeTheEqualsSign, W::NulBeforeTheValue}},
    {"CR inside the key", "Destination\rPath=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key after a dropped CR", "\rDestinationPath=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"key after CRLF", "x\r\nDestinationPath=C:\\Q\n", Verdict::Usable, "C:\\Q", {}},
    {"everything at once", "x DestinationPath  \r\n=  C:\\Q\t\r\nDestinationPath=C:\\R\r\n", Verdict::Warning,
     "  C:\\Q\t",
     {W::NoDriveLetter, W::TrailingBlanks, W::KeyNotAtLineStart, W::TextBeforeTheEqualsSign, W::AnotherKey}},

    {"empty file", "", Verdict::Refused, "", {}},
    {"no key", "[Setup]\nPath=C:\\Q\n", Verdict::Refused, "", {}},
    {"key in another case", "destinationpath=C:\\Q\n", Verdict::Refused, "", {}},
    {"key after Ctrl-Z", "\x1a" "DestinationPath=C:\\Q\n", Verdict::Refused, "", {}},
    {"no equals sign", "DestinationPath C:\\Q\n", Verdict::Refused, "", {}},
    {"260-byte value", "DestinationPath=" + std::string(260, 'v'), Verdict::Refused, "", {}},
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

class CheckTable : public ::testing::TestWithParam<Row> {};

TEST_P(CheckTable, SaysWhatTheLauncherRecordsAndWhy)
{
    const Row& row = GetParam();
    // Exactly the file's bytes, with no NUL after them.
    std::vector<char> bytes(row.bytes.begin(), row.bytes.end());
    const CheckResult result = CheckDescriptor(bytes.empty() ? nullptr : bytes.data(), bytes.size());

    EXPECT_EQ(static_cast<int>(row.verdict), static_cast<int>(result.verdict)) << Report("file", result);
    EXPECT_EQ(Visible(row.value), Visible(result.value));
    std::vector<WarningKind> kinds;
    for (const Warning& warning : result.warnings)
        kinds.push_back(warning.kind);
    EXPECT_EQ(Names(row.warnings), Names(kinds)) << Report("file", result);
    EXPECT_EQ(row.verdict == Verdict::Refused, !result.refusal.empty()) << result.refusal;
}

INSTANTIATE_TEST_SUITE_P(Descriptor, CheckTable, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

// What a publisher reads: the lines for a value with a warning and for a refusal.
TEST(CheckReport, ShowsTheValueTheReasonsAndWhyNot)
{
    const std::string warned = "x DestinationPath=C:\\Games \t\r\nDestinationPath=D:\\\r\n";
    EXPECT_EQ("m.ini: recorded: \"C:\\Games <09>\" (10 bytes)\n"
              "m.ini: warning: the value ends in 2 space or tab byte(s), which the launcher keeps (nothing is "
              "trimmed): the first start looks for the game in a directory of that name\n"
              "m.ini: warning: DestinationPath on line 1 is not at the start of its line\n"
              "m.ini: warning: DestinationPath occurs again on line 2; the launcher takes the one on line 1\n",
              Report("m.ini", CheckDescriptor(warned.data(), warned.size())));

    const std::string refused = "a\nDestinationPath\n";
    EXPECT_EQ("m.ini: refused: \"Cannot find path descriptor!\": DestinationPath on line 2 has no \"=\" after it\n",
              Report("m.ini", CheckDescriptor(refused.data(), refused.size())));
    const std::string hidden = "DestinationPath\r\x1a=C:\\Q\r\n";
    EXPECT_EQ("m.ini: refused: \"Cannot find path descriptor!\": DestinationPath on line 1 has no \"=\" after it (the "
              "data ends at the Ctrl-Z at offset 16)\n",
              Report("m.ini", CheckDescriptor(hidden.data(), hidden.size())));
    EXPECT_EQ("\"<01>\\<22><3C><3E><7F><E9>~ \"", Visible("\x01\\\"<>\x7f\xe9~ "));
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
