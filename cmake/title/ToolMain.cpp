// The reader as a program; the title's tests call title::Tool in their own
// process instead (tests/title).
#include "TitleTool.h"

#include <cstdio>

int main(int argc, char** argv)
{
    std::string out;
    std::string err;
    const int status = title::Tool(std::vector<std::string>(argv + 1, argv + argc), out, err);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return status;
}
