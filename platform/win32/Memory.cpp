// The memory functions that GCC may call on its own, for copying and zeroing
// records, even where the source calls none. The launcher links no C runtime
// (Windows 95 as first released has no msvcrt.dll), so they are here. Built
// with -ffreestanding and -fno-tree-loop-distribute-patterns (see
// cmake/shipped.cmake), or the compiler would turn these loops back into
// calls to themselves. Should it ever want another such function, the link
// fails with its name.
#include <cstddef>

extern "C" void* memcpy(void* destination, const void* source, std::size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    const unsigned char* from = static_cast<const unsigned char*>(source);
    while (count-- != 0)
        *to++ = *from++;
    return destination;
}

extern "C" void* memset(void* destination, int value, std::size_t count)
{
    unsigned char* to = static_cast<unsigned char*>(destination);
    while (count-- != 0)
        *to++ = static_cast<unsigned char>(value);
    return destination;
}
