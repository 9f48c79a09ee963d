// What descriptor-check asks of the system it runs on: what an open file is,
// and output that a console shows as it reads. Its output is UTF-8: the
// title's texts in it, and the names of the files given, as the system
// spells them.
#pragma once

#include <cstdio>
#include <string>

// What an open file is when it is no regular file ("a device", "a pipe"), or
// null when it is one.
const char* NotRegularKind(std::FILE* file);

// A file name from the command line, as UTF-8 for a line of output.
std::string NameForOutput(const std::string& name);

// Writes UTF-8 text to `stream` (stdout or stderr).
void Print(std::FILE* stream, const std::string& text);
