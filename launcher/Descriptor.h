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
