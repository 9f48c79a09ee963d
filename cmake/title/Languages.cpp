// The languages a title may give texts in, each with what Windows reports
// for it: the primary language of GetUserDefaultLangID and the ANSI code page
// of GetACP. Only single-byte code pages (874, 1250 to 1258), the launcher's
// and the installer's; a language whose Windows has no ANSI code page of
// those (Japanese, Chinese, Korean, Armenian, Georgian, Hindi...) has none.
#include "TitleTool.h"

#include <cstdio>

namespace title {

// Windows gives Croatian, Bosnian and Serbian one primary language, 0x1a,
// and Norwegian's three codes one, 0x14: only the code page tells them
// apart, so a title may hold at most one of each pair of id and code page.
// clang-format off
const LanguageRow LanguageRows[] = {
    {"af", "Afrikaans", 0x36, 1252, "Afrikaans"},
    {"ar", "Arabic", 0x01, 1256, "Arabic"},
    {"az-Cyrl", "Azerbaijani, Cyrillic", 0x2c, 1251, ""},
    {"az-Latn", "Azerbaijani, Latin", 0x2c, 1254, ""},
    {"be", "Belarusian", 0x23, 1251, "Belarusian"},
    {"bg", "Bulgarian", 0x02, 1251, "Bulgarian"},
    {"bs-Cyrl", "Bosnian, Cyrillic", 0x1a, 1251, ""},
    {"bs-Latn", "Bosnian, Latin", 0x1a, 1250, "Bosnian"},
    {"ca", "Catalan", 0x03, 1252, "Catalan"},
    {"cs", "Czech", 0x05, 1250, "Czech"},
    {"cy", "Welsh", 0x52, 1252, "Welsh"},
    {"da", "Danish", 0x06, 1252, "Danish"},
    {"de", "German", 0x07, 1252, "German"},
    {"el", "Greek", 0x08, 1253, "Greek"},
    {"en", "English", 0x09, 1252, ""},
    {"es", "Spanish", 0x0a, 1252, "Spanish"},
    {"et", "Estonian", 0x25, 1257, "Estonian"},
    {"eu", "Basque", 0x2d, 1252, "Basque"},
    {"fa", "Persian", 0x29, 1256, "Farsi"},
    {"fi", "Finnish", 0x0b, 1252, "Finnish"},
    {"fo", "Faroese", 0x38, 1252, ""},
    {"fr", "French", 0x0c, 1252, "French"},
    {"ga", "Irish", 0x3c, 1252, "Irish"},
    {"gl", "Galician", 0x56, 1252, "Galician"},
    {"he", "Hebrew", 0x0d, 1255, "Hebrew"},
    {"hr", "Croatian", 0x1a, 1250, "Croatian"},
    {"hu", "Hungarian", 0x0e, 1250, "Hungarian"},
    {"id", "Indonesian", 0x21, 1252, "Indonesian"},
    {"is", "Icelandic", 0x0f, 1252, "Icelandic"},
    {"it", "Italian", 0x10, 1252, "Italian"},
    {"kk", "Kazakh", 0x3f, 1251, ""},
    {"ky", "Kyrgyz", 0x40, 1251, ""},
    {"lb", "Luxembourgish", 0x6e, 1252, "Luxembourgish"},
    {"lt", "Lithuanian", 0x27, 1257, "Lithuanian"},
    {"lv", "Latvian", 0x26, 1257, "Latvian"},
    {"mk", "Macedonian", 0x2f, 1251, "Macedonian"},
    {"mn", "Mongolian", 0x50, 1251, "Mongolian"},
    {"ms", "Malay", 0x3e, 1252, "Malay"},
    {"nb", "Norwegian, Bokmal", 0x14, 1252, "Norwegian"},
    {"nl", "Dutch", 0x13, 1252, "Dutch"},
    {"nn", "Norwegian, Nynorsk", 0x14, 1252, "NorwegianNynorsk"},
    {"no", "Norwegian", 0x14, 1252, "Norwegian"},
    {"pl", "Polish", 0x15, 1250, "Polish"},
    {"pt", "Portuguese", 0x16, 1252, "Portuguese"},
    {"rm", "Romansh", 0x17, 1252, ""},
    {"ro", "Romanian", 0x18, 1250, "Romanian"},
    {"ru", "Russian", 0x19, 1251, "Russian"},
    {"sk", "Slovak", 0x1b, 1250, "Slovak"},
    {"sl", "Slovenian", 0x24, 1250, "Slovenian"},
    {"sq", "Albanian", 0x1c, 1250, "Albanian"},
    {"sr-Cyrl", "Serbian, Cyrillic", 0x1a, 1251, "Serbian"},
    {"sr-Latn", "Serbian, Latin", 0x1a, 1250, "SerbianLatin"},
    {"sv", "Swedish", 0x1d, 1252, "Swedish"},
    {"sw", "Swahili", 0x41, 1252, ""},
    {"tg", "Tajik", 0x28, 1251, ""},
    {"th", "Thai", 0x1e, 874, "Thai"},
    {"tk", "Turkmen", 0x42, 1250, ""},
    {"tr", "Turkish", 0x1f, 1254, "Turkish"},
    {"tt", "Tatar", 0x44, 1251, "Tatar"},
    {"uk", "Ukrainian", 0x22, 1251, "Ukrainian"},
    {"ur", "Urdu", 0x20, 1256, ""},
    {"uz-Cyrl", "Uzbek, Cyrillic", 0x43, 1251, ""},
    {"uz-Latn", "Uzbek, Latin", 0x43, 1254, ""},
    {"vi", "Vietnamese", 0x2a, 1258, "Vietnamese"},
};
// clang-format on
const std::size_t LanguageRowCount = sizeof LanguageRows / sizeof LanguageRows[0];

const LanguageRow* FindLanguage(const std::string& code)
{
    for (std::size_t i = 0; i < LanguageRowCount; ++i) {
        if (EqualIgnoringCase(code, LanguageRows[i].code))
            return &LanguageRows[i];
    }
    return nullptr;
}

std::string LanguageTable()
{
    std::string table =
        "| Code | Language | Primary language id | Code page | Installer's pages |\n|---|---|---|---|---|\n";
    for (std::size_t i = 0; i < LanguageRowCount; ++i) {
        const LanguageRow& row = LanguageRows[i];
        char line[160];
        std::snprintf(line, sizeof line, "| `%s` | %s | 0x%02x | %d | %s |\n", row.code, row.english, row.primary,
                      row.codepage, *row.nsis != '\0' ? row.nsis : "English");
        table += line;
    }
    return table;
}

} // namespace title
