// Reading the installation directory out of the descriptor's bytes.
#pragma once

#include "Launcher.h"

#include <cstddef>

enum class DescriptorStatus {
    Found,       // text holds the value
    NoKey,       // the key does not occur in the data
    NoSeparator, // the key occurs but no "=" follows it anywhere
    TooLong,     // the value does not fit the buffer; refused, never truncated
};

struct DescriptorValue {
    DescriptorStatus status;
    char text[PathBufferSize]; // NUL-terminated value when status is Found, else empty
    // Where the parts lie in the raw bytes, for a tool that explains the
    // result; each is a place where a TextReader over the bytes stands between
    // two reads. keyOffset: the key's first byte (unless NoKey); valueOffset:
    // the value's first byte, after the "=" (Found and TooLong); valueEnd: the
    // byte after the one that ended the value, or the size (Found).
    std::size_t keyOffset;
    std::size_t valueOffset;
    std::size_t valueEnd;
};

// Reads the raw bytes as a text-mode read would: a CR is dropped and the byte
// after it taken as it is; Ctrl-Z, alone or after a CR, ends the data. A copy
// of a reader reads on from the same place, which the key search relies on.
class TextReader {
public:
    TextReader(const char* bytes, std::size_t size)
        : next_(reinterpret_cast<const unsigned char*>(bytes)), end_(next_ + size)
    {
    }

    // The next byte of data, or -1 at the end of the data.
    int Read()
    {
        if (next_ == end_)
            return -1;
        unsigned char c = *next_++;
        if (c == CarriageReturn) {
            if (next_ == end_)
                return -1;
            c = *next_++;
        }
        if (c == EndOfText) {
            next_ = end_;
            return -1;
        }
        return c;
    }

    // How far into `bytes` the reader stands.
    std::size_t Offset(const char* bytes) const { return next_ - reinterpret_cast<const unsigned char*>(bytes); }

private:
    static constexpr unsigned char CarriageReturn = 13;
    static constexpr unsigned char EndOfText = 26; // Ctrl-Z

    const unsigned char* next_;
    const unsigned char* end_;
};

// Sees the file's raw bytes as a text-mode read would (a CR is dropped and the
// byte after it taken as it is; Ctrl-Z ends the data), finds the first
// occurrence of the key in that data and takes the text after the next "=" up
// to a line feed, a NUL or the end. Reads exactly `size` bytes, which need not
// end in a NUL; `bytes` may be null when `size` is 0.
DescriptorValue ParseDescriptor(const char* bytes, std::size_t size);

// Reads the file at `path` whole into a new buffer from the process heap
// (null when the file is empty), which the caller releases with HeapFree.
// False, with nothing to release, when the file cannot be opened or read or
// is too big to hold.
bool ReadWholeFile(const char* path, char*& data, std::size_t& size);
