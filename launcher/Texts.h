// The texts of the message boxes, and the choice of a title's language at
// run time.
#pragma once

#include "Platform.h"

#include <cstddef>

// A box's caption and the five texts, all of one language: a box takes its
// caption and its text from one of these, never from two.
struct MessageTexts {
    const char* Caption;
    const char* CannotFindInstaller;
    const char* CannotFindDescriptor;
    const char* CannotWriteProfile;
    const char* CannotSetDirectory;
    const char* CannotFindGame;
};

// A language's texts, in its code page, and what a Windows set to that
// language reports.
struct LanguageTexts {
    platform::WORD primaryLanguage;
    platform::UINT codepage;
    MessageTexts texts;
};

// The texts of the language that is the user's and whose code page is the
// system's; the defaults when none is both. The language alone is not
// enough: its texts would show as other letters in another code page.
const MessageTexts& ChooseTexts(const LanguageTexts* languages, std::size_t count, const MessageTexts& defaults,
                                platform::WORD primaryLanguage, platform::UINT codepage);

// The texts the boxes show, for a title with languages: ChooseShownTexts
// asks Windows and chooses (LaunchMain does so first); ShownTexts gives the
// choice, making it when none has been made.
void ChooseShownTexts();
const MessageTexts& ShownTexts();
