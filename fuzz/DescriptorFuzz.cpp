// Any bytes in, ParseDescriptor's answer checked against a second, plain
// reading of the same rules; a difference aborts with both answers.
#include "Descriptor.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The longest value the buffer holds with its NUL.
constexpr std::size_t Longest = PathBufferSize - 1;

// Deliberately naive: translate everything first, then search with
// std::string. Shares nothing with the parser but the rules.
struct Expected {
    DescriptorStatus status;
    std::string value;
    std::size_t length; // of the text after the "=", before the limit applies
};

void Model(const std::uint8_t* bytes, std::size_t size, std::string& data, Expected& expected)
{
    // Text-mode translation. A CR is dropped and switches off the CR test for
    // the next byte only; Ctrl-Z stops the data, even right after a CR.
    data.resize(size); // the data is never longer than the bytes
    std::size_t kept = 0;
    bool afterCarriageReturn = false;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\r' && !afterCarriageReturn) {
            afterCarriageReturn = true;
            continue;
        }
        afterCarriageReturn = false;
        if (c == '\x1a')
            break;
        data[kept++] = c;
    }
    data.resize(kept);

    static const std::string key = DescriptorKey;
    static const std::string lineEnds("\n\0", 2);
    expected.value.clear();
    expected.length = 0;
    const std::size_t keyAt = data.find(key);
    if (keyAt == std::string::npos) {
        expected.status = DescriptorStatus::NoKey;
        return;
    }
    const std::size_t equalsAt = data.find('=', keyAt + key.size());
    if (equalsAt == std::string::npos) {
        expected.status = DescriptorStatus::NoSeparator;
        return;
    }
    const std::size_t valueAt = equalsAt + 1;
    const std::size_t endAt = data.find_first_of(lineEnds, valueAt);
    const std::size_t length = (endAt == std::string::npos ? data.size() : endAt) - valueAt;
    expected.length = length;
    if (length > Longest) {
        expected.status = DescriptorStatus::TooLong;
        return;
    }
    expected.status = DescriptorStatus::Found;
    expected.value.assign(data, valueAt, length);
}

// Coverage tells loop trip counts apart only in coarse steps (128 and more
// look alike), so without these branches the fuzzer would not keep inputs
// whose value lies at or next to the limit.
void MarkLength(std::size_t length)
{
    static volatile unsigned shorter;
    static volatile unsigned near;
    static volatile unsigned atLimit;
    static volatile unsigned oneOver;
    static volatile unsigned longer;
    if (length < Longest - 3)
        ++shorter;
    else if (length < Longest)
        ++near;
    else if (length == Longest)
        ++atLimit;
    else if (length == Longest + 1)
        ++oneOver;
    else
        ++longer;
}

const char* StatusName(DescriptorStatus status)
{
    switch (status) {
    case DescriptorStatus::Found:
        return "Found";
    case DescriptorStatus::NoKey:
        return "NoKey";
    case DescriptorStatus::NoSeparator:
        return "NoSeparator";
    case DescriptorStatus::TooLong:
        return "TooLong";
    }
    return "(not a status)";
}

void PrintEscaped(const char* label, const void* bytes, std::size_t size)
{
    std::fprintf(stderr, "%s (%zu bytes): \"", label, size);
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char c = static_cast<const unsigned char*>(bytes)[i];
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    std::fputs("\"\n", stderr);
}

[[noreturn]] void Mismatch(const char* what, const std::uint8_t* bytes, std::size_t size, const Expected& expected,
                           const DescriptorValue& got)
{
    std::fprintf(stderr, "\nParseDescriptor disagrees with the model: %s\n", what);
    PrintEscaped("input", bytes, size);
    std::fprintf(stderr, "expected %s (the text after the \"=\" is %zu bytes), ", StatusName(expected.status),
                 expected.length);
    PrintEscaped("value", expected.value.data(), expected.value.size());
    std::fprintf(stderr, "got      %s, ", StatusName(got.status));
    PrintEscaped("buffer", got.text, sizeof got.text);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    // Reused across runs, so that the model costs no allocation once warm.
    static std::string data;
    static Expected expected;
    Model(bytes, size, data, expected);
    MarkLength(expected.length);

    // Exactly the fuzzer's bytes, with no NUL promised after them; an empty
    // input comes as a null pointer, which the parser accepts.
    const DescriptorValue got = ParseDescriptor(size == 0 ? nullptr : reinterpret_cast<const char*>(bytes), size);

    if (got.status != expected.status)
        Mismatch("status", bytes, size, expected, got);
    // The whole buffer: the value, then zeros to the end, whatever the status.
    if (expected.value.size() >= sizeof got.text ||
        std::memcmp(got.text, expected.value.data(), expected.value.size()) != 0)
        Mismatch("value", bytes, size, expected, got);
    static const char zeros[sizeof got.text] = {};
    if (std::memcmp(got.text + expected.value.size(), zeros, sizeof got.text - expected.value.size()) != 0)
        Mismatch("bytes after the value are not all zero", bytes, size, expected, got);
    return 0;
}
