// The descriptor's bytes in, the installation directory (or why there is none) out.
#include "Descriptor.h"
#include "LetterCase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

struct Row {
    const char* name;
    std::string bytes;
    DescriptorStatus status;
    std::string value;
    // Why the row cannot hold for this build's title (its key too short for
    // the row's trick, say); empty when it does.
    std::string notForThisKey = {};
};

// The rows take the key from the build's title, and a row that needs some
// trick of the key (a piece of it, another case) makes it from the key.
const std::string Key = DescriptorKey;
// The longest value the buffer holds with its NUL.
const std::size_t Longest = PathBufferSize - 1;

std::string Line(const std::string& value)
{
    return Key + "=" + value;
}

// The key's first bytes, and the rest: both non-empty unless the key has one byte.
const std::size_t Split = Key.size() > 1 ? Key.size() / 2 : 1;
const std::string Left = Key.substr(0, Split);
const std::string Right = Key.substr(Split);

// "<key>=C:\Q" once for every other case of the key (lower, upper, swapped).
std::string KeyInOtherCases()
{
    std::string lines;
    std::vector<std::string> seen;
    for (const auto& [toLower, toUpper] : {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
        const std::string other = ChangedCase(Key, toLower, toUpper);
        if (other != Key && std::find(seen.begin(), seen.end(), other) == seen.end()) {
            seen.push_back(other);
            lines += other + "=C:\\Q\n";
        }
    }
    return lines;
}

// For a row that must not find the key: why it would, when its bytes hold it.
std::string UnlessItHoldsTheKey(const std::string& bytes)
{
    return bytes.find(Key) == std::string::npos ? "" : "its bytes hold the key";
}

const std::string NoKeyLine = "[Setup]\n" + Key.substr(1) + "=C:\\Q\n";
const std::string KeySplitByNul = Left + "\0"s + Right + "=C:\\Q";

const Row rows[] = {
    {"plain line", Line("C:\\Games\\Game\n"), DescriptorStatus::Found, "C:\\Games\\Game"},
    {"CRLF line ending", "[Setup]\r\n" + Line("C:\\Q\r\nNext=1\r\n"), DescriptorStatus::Found, "C:\\Q"},
    {"last line without line feed", Line("C:\\Q"), DescriptorStatus::Found, "C:\\Q"},
    {"spaces around the equals sign", Key + " = C:\\Q \n", DescriptorStatus::Found, " C:\\Q "},
    {"tab ends nothing", Line("\tC:\\Q\t\n"), DescriptorStatus::Found, "\tC:\\Q\t"},
    {"key inside a longer word", "My" + Key + "s=C:\\Q\n", DescriptorStatus::Found, "C:\\Q"},
    {"first occurrence wins", "x" + Line("first\n") + Line("second\n"), DescriptorStatus::Found, "first"},
    {"equals sign on a later line", Key + "\nOther\nName=C:\\Q\n", DescriptorStatus::Found, "C:\\Q"},
    {"equals sign after a NUL", Key + "\0=C:\\Q"s, DescriptorStatus::Found, "C:\\Q"},
    {"equals signs in the value", Line("=a=b\n"), DescriptorStatus::Found, "=a=b"},
    {"false starts before the key", Key.substr(0, 1) + Left + Line("C:\\Q"), DescriptorStatus::Found, "C:\\Q"},
    {"empty value", Line("\nC:\\Q\n"), DescriptorStatus::Found, ""},
    {"empty value at the end", Line(""), DescriptorStatus::Found, ""},
    {"NUL before the key", "\0\0"s + Line("C:\\Q"), DescriptorStatus::Found, "C:\\Q"},
    {"NUL inside the value", Line("C:\\Q\0rest\n"s), DescriptorStatus::Found, "C:\\Q"},
    {"NUL inside the value, a long line after it", Line("C:\\Q\0"s + std::string(300, 'r') + "\n"),
     DescriptorStatus::Found, "C:\\Q"},
    {"lone CR at the end", Line("C:\\Q\r"), DescriptorStatus::Found, "C:\\Q"},
    {"two CRs in a row keep the second", Line("C:\\Q\r\rX\n"), DescriptorStatus::Found, "C:\\Q\rX"},
    {"CR CR LF", Line("C:\\Q\r\r\n"), DescriptorStatus::Found, "C:\\Q\r"},
    {"CR inside the key is dropped", Left + "\r" + Right + "=C:\\Q", DescriptorStatus::Found, "C:\\Q"},
    {"Ctrl-Z ends the value", Line("C:\\Q\x1arest"), DescriptorStatus::Found, "C:\\Q"},
    {"Ctrl-Z after a CR ends the value", Line("C:\\Q\r\x1arest"), DescriptorStatus::Found, "C:\\Q"},
    {"high bytes are data", Line("C:\\J\xe9u\xff\n"), DescriptorStatus::Found, "C:\\J\xe9u\xff"},

    {"empty file", "", DescriptorStatus::NoKey, ""},
    {"no key", NoKeyLine, DescriptorStatus::NoKey, "", UnlessItHoldsTheKey(NoKeyLine)},
    {"key in another case", KeyInOtherCases(), DescriptorStatus::NoKey, "",
     KeyInOtherCases().empty() ? "the key has no letters" : ""},
    {"Ctrl-Z before the key", "\x1a" + Line("C:\\Q\n"), DescriptorStatus::NoKey, ""},
    {"CR Ctrl-Z before the key", "\r\x1a" + Line("C:\\Q\n"), DescriptorStatus::NoKey, ""},
    {"key cut short at the end", Key.substr(0, Key.size() - 1), DescriptorStatus::NoKey, ""},
    {"key split by a NUL", KeySplitByNul, DescriptorStatus::NoKey, "",
     Key.size() < 2 ? "a key of one byte cannot be split" : UnlessItHoldsTheKey(KeySplitByNul)},

    {"key with nothing after it", Key, DescriptorStatus::NoSeparator, ""},
    {"key with no equals sign after it", "A=1\n" + Key + " C:\\Q\n", DescriptorStatus::NoSeparator, ""},
    {"equals sign hidden by Ctrl-Z", Key + "\x1a=C:\\Q", DescriptorStatus::NoSeparator, ""},

    {"longest value is kept whole", Line(std::string(Longest, 'v') + "\n"), DescriptorStatus::Found,
     std::string(Longest, 'v')},
    {"longest value at the end of the data", Line(std::string(Longest, 'v')), DescriptorStatus::Found,
     std::string(Longest, 'v')},
    {"longest value after dropped CRs", Line(std::string(Longest, 'v') + "\r\n\r\n"), DescriptorStatus::Found,
     std::string(Longest, 'v')},
    {"value one byte too long is refused", Line(std::string(Longest + 1, 'v') + "\n"), DescriptorStatus::TooLong, ""},
    {"very long value is refused", Line(std::string(100000, 'v')), DescriptorStatus::TooLong, ""},
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

class DescriptorTable : public ::testing::TestWithParam<Row> {};

TEST_P(DescriptorTable, GivesTheValueOrWhyNot)
{
    const Row& row = GetParam();
    if (!row.notForThisKey.empty())
        GTEST_SKIP() << "not for the key \"" << Key << "\": " << row.notForThisKey;
    // Exactly the file's bytes, with no NUL after them.
    std::vector<char> bytes(row.bytes.begin(), row.bytes.end());
    const DescriptorValue result = ParseDescriptor(bytes.empty() ? nullptr : bytes.data(), bytes.size());

    EXPECT_EQ(row.status, result.status);
    const std::size_t length = strnlen(result.text, sizeof result.text);
    ASSERT_LT(length, sizeof result.text) << "value is not NUL-terminated";
    EXPECT_EQ(row.value, std::string(result.text, length));
}

INSTANTIATE_TEST_SUITE_P(Descriptor, DescriptorTable, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             std::string name;
                             for (const char c : std::string(info.param.name))
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

} // namespace
