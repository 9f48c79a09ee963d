// A terminal here takes UTF-8, and file names are the bytes given.
#include "System.h"

#include <sys/stat.h>

const char* NotRegularKind(std::FILE* file)
{
    struct stat status;
    if (::fstat(fileno(file), &status) != 0 || S_ISREG(status.st_mode))
        return nullptr; // a read will say what is wrong
    if (S_ISDIR(status.st_mode))
        return "a directory";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return "a device";
    if (S_ISFIFO(status.st_mode))
        return "a pipe";
    if (S_ISSOCK(status.st_mode))
        return "a socket";
    return "something else";
}

std::string NameForOutput(const std::string& name)
{
    return name;
}

void Print(std::FILE* stream, const std::string& text)
{
    std::fputs(text.c_str(), stream);
}
