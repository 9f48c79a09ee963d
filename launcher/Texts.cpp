// The title's languages and the choice among them.
#include "Texts.h"

#include "Launcher.h"

const MessageTexts& ChooseTexts(const LanguageTexts* languages, std::size_t count, const MessageTexts& defaults,
                                platform::WORD primaryLanguage, platform::UINT codepage)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (languages[i].primaryLanguage == primaryLanguage && languages[i].codepage == codepage)
            return languages[i].texts;
    }
    return defaults;
}

#if TITLE_LANGUAGES > 0

namespace {

constexpr LanguageTexts Languages[] = {TITLE_LANGUAGE_ROWS};
constexpr MessageTexts Defaults = {TITLE_Caption,
                                   TITLE_CannotFindInstaller,
                                   TITLE_CannotFindDescriptor,
                                   TITLE_CannotWriteProfile,
                                   TITLE_CannotSetDirectory,
                                   TITLE_CannotFindGame};

// Set once a run; constant-initialised, so no constructor runs for it.
const MessageTexts* shown = nullptr;

} // namespace

void ChooseShownTexts()
{
    const platform::UINT codepage = platform::GetACP();
    const platform::WORD language = platform::PrimaryLangId(platform::GetUserDefaultLangID());
    shown = &ChooseTexts(Languages, sizeof Languages / sizeof Languages[0], Defaults, language, codepage);
}

const MessageTexts& ShownTexts()
{
    if (shown == nullptr)
        ChooseShownTexts();
    return *shown;
}

#endif
