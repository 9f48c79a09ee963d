// The languages a title may give texts in, each with what Windows reports
// for it: the primary language of GetUserDefaultLangID and the ANSI code page
// of GetACP. Only single-byte code pages (874, 1250 to 1258), the launcher's
// and the installer's; a language whose Windows has no ANSI code page of
// those (Japanese, Chinese, Korean, Armenian, Georgian, Hindi...) has none.
#include "TitleTool.h"

#include <cstdio>

namespace title {

// The locale is the Unix one (Debian's locales-all) in which Wine 8 reports
// that language and code page, for the tests; "" where it has none (Bosnian,
// Kazakh, Azerbaijani, Serbian in Cyrillic, Uzbek in Latin letters...).
// Windows gives Croatian, Bosnian and Serbian one primary language, 0x1a,
// and Norwegian's three codes one, 0x14: only the code page tells them
// apart, so a title may hold at most one of each pair of id and code page.
// clang-format off
const LanguageRow LanguageRows[] = {
    {"af", "Afrikaans", 0x36, 1252, "Afrikaans", "af_ZA.UTF-8"},
    {"ar", "Arabic", 0x01, 1256, "Arabic", "ar_EG.UTF-8"},
    {"az-Cyrl", "Azerbaijani, Cyrillic", 0x2c, 1251, "", ""},
    {"az-Latn", "Azerbaijani, Latin", 0x2c, 1254, "", ""},
    {"be", "Belarusian", 0x23, 1251, "Belarusian", "be_BY.UTF-8"},
    {"bg", "Bulgarian", 0x02, 1251, "Bulgarian", "bg_BG.UTF-8"},
    {"bs-Cyrl", "Bosnian, Cyrillic", 0x1a, 1251, "", ""},
    {"bs-Latn", "Bosnian, Latin", 0x1a, 1250, "Bosnian", ""},
    {"ca", "Catalan", 0x03, 1252, "Catalan", "ca_ES.UTF-8"},
    {"cs", "Czech", 0x05, 1250, "Czech", "cs_CZ.UTF-8"},
    {"cy", "Welsh", 0x52, 1252, "Welsh", "cy_GB.UTF-8"},
    {"da", "Danish", 0x06, 1252, "Danish", "da_DK.UTF-8"},
    {"de", "German", 0x07, 1252, "German", "de_DE.UTF-8"},
    {"el", "Greek", 0x08, 1253, "Greek", "el_GR.UTF-8"},
    {"en", "English", 0x09, 1252, "", "en_US.UTF-8"},
    {"es", "Spanish", 0x0a, 1252, "Spanish", "es_ES.UTF-8"},
    {"et", "Estonian", 0x25, 1257, "Estonian", "et_EE.UTF-8"},
    {"eu", "Basque", 0x2d, 1252, "Basque", "eu_ES.UTF-8"},
    {"fa", "Persian", 0x29, 1256, "Farsi", "fa_IR.UTF-8"},
    {"fi", "Finnish", 0x0b, 1252, "Finnish", "fi_FI.UTF-8"},
    {"fo", "Faroese", 0x38, 1252, "", "fo_FO.UTF-8"},
    {"fr", "French", 0x0c, 1252, "French", "fr_FR.UTF-8"},
    {"ga", "Irish", 0x3c, 1252, "Irish", "ga_IE.UTF-8"},
    {"gl", "Galician", 0x56, 1252, "Galician", "gl_ES.UTF-8"},
    {"he", "Hebrew", 0x0d, 1255, "Hebrew", "he_IL.UTF-8"},
    {"hr", "Croatian", 0x1a, 1250, "Croatian", "hr_HR.UTF-8"},
    {"hu", "Hungarian", 0x0e, 1250, "Hungarian", "hu_HU.UTF-8"},
    {"id", "Indonesian", 0x21, 1252, "Indonesian", "id_ID.UTF-8"},
    {"is", "Icelandic", 0x0f, 1252, "Icelandic", "is_IS.UTF-8"},
    {"it", "Italian", 0x10, 1252, "Italian", "it_IT.UTF-8"},
    {"kk", "Kazakh", 0x3f, 1251, "", ""},
    {"ky", "Kyrgyz", 0x40, 1251, "", "ky_KG.UTF-8"},
    {"lb", "Luxembourgish", 0x6e, 1252, "Luxembourgish", "lb_LU.UTF-8"},
    {"lt", "Lithuanian", 0x27, 1257, "Lithuanian", "lt_LT.UTF-8"},
    {"lv", "Latvian", 0x26, 1257, "Latvian", "lv_LV.UTF-8"},
    {"mk", "Macedonian", 0x2f, 1251, "Macedonian", "mk_MK.UTF-8"},
    {"mn", "Mongolian", 0x50, 1251, "Mongolian", "mn_MN.UTF-8"},
    {"ms", "Malay", 0x3e, 1252, "Malay", "ms_MY.UTF-8"},
    {"nb", "Norwegian, Bokmal", 0x14, 1252, "Norwegian", "nb_NO.UTF-8"},
    {"nl", "Dutch", 0x13, 1252, "Dutch", "nl_NL.UTF-8"},
    {"nn", "Norwegian, Nynorsk", 0x14, 1252, "NorwegianNynorsk", "nn_NO.UTF-8"},
    {"no", "Norwegian", 0x14, 1252, "Norwegian", "nb_NO.UTF-8"},
    {"pl", "Polish", 0x15, 1250, "Polish", "pl_PL.UTF-8"},
    {"pt", "Portuguese", 0x16, 1252, "Portuguese", "pt_PT.UTF-8"},
    {"rm", "Romansh", 0x17, 1252, "", "rm_CH.UTF-8"},
    {"ro", "Romanian", 0x18, 1250, "Romanian", "ro_RO.UTF-8"},
    {"ru", "Russian", 0x19, 1251, "Russian", "ru_RU.UTF-8"},
    {"sk", "Slovak", 0x1b, 1250, "Slovak", "sk_SK.UTF-8"},
    {"sl", "Slovenian", 0x24, 1250, "Slovenian", "sl_SI.UTF-8"},
    {"sq", "Albanian", 0x1c, 1250, "Albanian", "sq_AL.UTF-8"},
    {"sr-Cyrl", "Serbian, Cyrillic", 0x1a, 1251, "Serbian", ""},
    {"sr-Latn", "Serbian, Latin", 0x1a, 1250, "SerbianLatin", "sr_RS@latin"},
    {"sv", "Swedish", 0x1d, 1252, "Swedish", "sv_SE.UTF-8"},
    {"sw", "Swahili", 0x41, 1252, "", "sw_KE.UTF-8"},
    {"tg", "Tajik", 0x28, 1251, "", "tg_TJ.UTF-8"},
    {"th", "Thai", 0x1e, 874, "Thai", "th_TH.UTF-8"},
    {"tk", "Turkmen", 0x42, 1250, "", "tk_TM.UTF-8"},
    {"tr", "Turkish", 0x1f, 1254, "Turkish", "tr_TR.UTF-8"},
    {"tt", "Tatar", 0x44, 1251, "Tatar", "tt_RU.UTF-8"},
    {"uk", "Ukrainian", 0x22, 1251, "Ukrainian", "uk_UA.UTF-8"},
    {"ur", "Urdu", 0x20, 1256, "", "ur_PK.UTF-8"},
    {"uz-Cyrl", "Uzbek, Cyrillic", 0x43, 1251, "", "uz_UZ@cyrillic"},
    {"uz-Latn", "Uzbek, Latin", 0x43, 1254, "", ""},
    {"vi", "Vietnamese", 0x2a, 1258, "Vietnamese", "vi_VN.UTF-8"},
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
        "| Code | Language | Primary language id | Code page | Installer's pages | Tested under Wine in |\n"
        "|---|---|---|---|---|---|\n";
    for (std::size_t i = 0; i < LanguageRowCount; ++i) {
        const LanguageRow& row = LanguageRows[i];
        char line[192];
        std::snprintf(line, sizeof line, "| `%s` | %s | 0x%02x | %d | %s | %s |\n", row.code, row.english, row.primary,
                      row.codepage, *row.nsis != '\0' ? row.nsis : "English", *row.locale != '\0' ? row.locale : "-");
        table += line;
    }
    return table;
}

} // namespace title
