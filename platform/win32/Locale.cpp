// The player's code page and language, which pick a title's texts. A file of
// their own, so that a program that never asks (a title without languages)
// links neither and imports neither.
#include "Platform.h"

#include <windows.h>

namespace platform {

static_assert(sizeof(LANGID) == sizeof(::LANGID), "LANGID must match Windows");
static_assert(PrimaryLangId(0x0c1a) == PRIMARYLANGID(0x0c1a), "PrimaryLangId must match Windows");

UINT GetACP()
{
    return ::GetACP();
}

LANGID GetUserDefaultLangID()
{
    return ::GetUserDefaultLangID();
}

} // namespace platform
