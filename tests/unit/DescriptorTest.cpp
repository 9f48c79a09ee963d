// The descriptor's bytes in, the installation directory (or why there is none) out.
#include "Descriptor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

struct Row {
    const char* name;
    std::string bytes;
    DescriptorStatus status;
    std::string value;
};

const Row rows[] = {
    {"plain line", "DestinationPath=C:\\Games\\Quorvale\n", DescriptorStatus::Found, "C:\\Games\\Quorvale"},
    {"CRLF line ending", "[Setup]\r\nDestinationPath=C:\\Q\r\nNext=1\r\n", DescriptorStatus::Found, "C:\\Q"},
    {"last line without line feed", "DestinationPath=C:\\Q", DescriptorStatus::Found, "C:\\Q"},
    {"spaces around the equals sign", "DestinationPath = C:\\Q \n", DescriptorStatus::Found, " C:\\Q "},
    {"tab ends nothing", "DestinationPath=\tC:\\Q\t\n", DescriptorStatus::Found, "\tC:\\Q\t"},
    {"key inside a longer word", "MyDestinationPaths=C:\\Q\n", DescriptorStatus::Found, "C:\\Q"},
    {"first occurrence wins", "xDestinationPath=first\nDestinationPath=second\n", DescriptorStatus::Found, "first"},
    {"equals sign on a later line", "DestinationPath\nOther\nName=C:\\Q\n", DescriptorStatus::Found, "C:\\Q"},
    {"equals sign after a NUL", "DestinationPath\0=C:\\Q"s, DescriptorStatus::Found, "C:\\Q"},
    {"equals signs in the value", "DestinationPath==a=b\n", DescriptorStatus::Found, "=a=b"},
    {"a false start on D", "DDestinationDestinationPath=C:\\Q", DescriptorStatus::Found, "C:\\Q"},
    {"empty value", "DestinationPath=\nC:\\Q\n", DescriptorStatus::Found, ""},
    {"empty value at the end", "DestinationPath=", DescriptorStatus::Found, ""},
    {"NUL before the key", "\0\0DestinationPath=C:\\Q"s, DescriptorStatus::Found, "C:\\Q"},
    {"NUL inside the value", "DestinationPath=C:\\Q\0rest\n"s, DescriptorStatus::Found, "C:\\Q"},
    {"NUL inside the value, a long line after it", "DestinationPath=C:\\Q\0"s + std::string(300, 'r') + "\n",
     DescriptorStatus::Found, "C:\\Q"},
    {"lone CR at the end", "DestinationPath=C:\\Q\r", DescriptorStatus::Found, "C:\\Q"},
    {"two CRs in a row keep the second", "DestinationPath=C:\\Q\r\rX\n", DescriptorStatus::Found, "C:\\Q\rX"},
    {"CR CR LF", "DestinationPath=C:\\Q\r\r\n", DescriptorStatus::Found, "C:\\Q\r"},
    {"CR inside the key is dropped", "Destination\rPath=C:\\Q", DescriptorStatus::Found, "C:\\Q"},
    {"Ctrl-Z ends the value", "DestinationPath=C:\\Q\x1arest", DescriptorStatus::Found, "C:\\Q"},
    {"Ctrl-Z after a CR ends the value", "DestinationPath=C:\\Q\r\x1arest", DescriptorStatus::Found, "C:\\Q"},
    {"high bytes are data", "DestinationPath=C:\\J\xe9u\xff\n", DescriptorStatus::Found, "C:\\J\xe9u\xff"},

    {"empty file", "", DescriptorStatus::NoKey, ""},
    {"no key", "[Setup]\nPath=C:\\Q\n", DescriptorStatus::NoKey, ""},
    {"key in another case", "destinationpath=C:\\Q\nDESTINATIONPATH=C:\\Q\n", DescriptorStatus::NoKey, ""},
    // The literal is split so that the D is not read as a hex digit of the escape.
    // clang-format off
    {"Ctrl-Z before the key", "\x1a" "DestinationPath=C:\\Q\n", DescriptorStatus::NoKey, ""},
    {"CR Ctrl-Z before the key", "\r\x1a" "DestinationPath=C:\\Q\n", DescriptorStatus::NoKey, ""},
    // clang-format on
    {"key cut short at the end", "DestinationPat", DescriptorStatus::NoKey, ""},
    {"key split by a NUL", "Destination\0Path=C:\\Q"s, DescriptorStatus::NoKey, ""},

    {"key with nothing after it", "DestinationPath", DescriptorStatus::NoSeparator, ""},
    {"key with no equals sign after it", "A=1\nDestinationPath C:\\Q\n", DescriptorStatus::NoSeparator, ""},
    {"equals sign hidden by Ctrl-Z", "DestinationPath\x1a=C:\\Q", DescriptorStatus::NoSeparator, ""},

    {"259-byte value is kept whole", "DestinationPath=" + std::string(259, 'v') + "\n", DescriptorStatus::Found,
     std::string(259, 'v')},
    {"259 bytes at the end of the data", "DestinationPath=" + std::string(259, 'v'), DescriptorStatus::Found,
     std::string(259, 'v')},
    {"259 bytes after dropped CRs", "DestinationPath=" + std::string(259, 'v') + "\r\n\r\n", DescriptorStatus::Found,
     std::string(259, 'v')},
    {"260-byte value is refused", "DestinationPath=" + std::string(260, 'v') + "\n", DescriptorStatus::TooLong, ""},
    {"very long value is refused", "DestinationPath=" + std::string(100000, 'v'), DescriptorStatus::TooLong, ""},
};

void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}

class DescriptorTable : public ::testing::TestWithParam<Row> {};

TEST_P(DescriptorTable, GivesTheValueOrWhyNot)
{
    const Row& row = GetParam();
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
