// The choice of a title's language at run time, on the fake's GetACP and
// GetUserDefaultLangID. Built against tests/unit/languages/title.ini, whose
// every text names its language and key and holds three letters of its own
// code page: each case runs the launcher into all five boxes and reads back
// whose caption and text each shows, and in which bytes.
#include "FakePlatform.h"
#include "Launcher.h"
#include "Scratch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

static_assert(TITLE_LANGUAGES == 8, "the test title's languages");

const std::string DescriptorFile = std::string("C:\\") + DescriptorFileName;
const std::string GameDir = "C:\\Games\\Game";

// A language's letters in its code page, as the title file's UTF-8 becomes.
struct Letters {
    const char* code;
    const char* bytes;
};
const Letters LettersOf[] = {
    {"de", "\xe4\xf6\xfc"}, {"pl", "\xb9\xea\xb3"}, {"cs", "\xe8\xf8\x9e"},      {"ru", "\xb8\xe6\xe8"},
    {"uk", "\xbf\xba\xb4"}, {"el", "\xf3\xf6\xdc"}, {"sr-Latn", "\xf0\x9a\xe6"}, {"sr-Cyrl", "\x90\xbc\x9e"},
};

// What a box of that language says for that key, byte for byte.
std::string Expected(const std::string& code, const std::string& key)
{
    if (code == "default")
        return "default " + key;
    for (const Letters& letters : LettersOf) {
        if (code == letters.code) {
            std::string text = code;
            text += " " + key + " ";
            return text + letters.bytes;
        }
    }
    ADD_FAILURE() << "no letters for " << code;
    return "";
}

struct Box {
    std::string caption;
    std::string text;
};

// One launcher run on a fresh fake, for one of the five boxes.
class Languages : public ::testing::Test {
protected:
    static void InstallerWrites(const std::string& bytes)
    {
        fake::State().installer = [bytes] { std::ofstream(DescriptorFile, std::ios::binary) << bytes; };
    }

    // The machine each box comes from; the key is the text the box must show.
    static void Prepare(const std::string& key)
    {
        auto& state = fake::State();
        if (key == "CannotFindInstaller")
            return; // no entry, no installer
        if (key == "CannotFindDescriptor") {
            InstallerWrites("[Setup]\r\nOther=C:\\Games\r\n");
        } else if (key == "CannotWriteProfile") {
            InstallerWrites(DescriptorKey + ("=" + GameDir) + "\r\n");
            state.profileWritable = false;
        } else if (key == "CannotSetDirectory") {
            state.profile[ProfileSection][ProfileKey] = GameDir; // a directory that is not there
        } else if (key == "CannotFindGame") {
            state.profile[ProfileSection][ProfileKey] = GameDir;
            state.directories = {GameDir, "c:."}; // but no game in it
        }
    }

    // Runs the launcher on a Windows of this code page and language into
    // the box of this key; the boxes it showed.
    static std::vector<Box> Run(platform::UINT codepage, platform::LANGID language, const std::string& key)
    {
        fake::Reset();
        fs::remove_all(DescriptorFile);
        fake::State().codepage = codepage;
        fake::State().userLanguage = language;
        Prepare(key);
        char commandLine[] = "";
        try {
            LaunchMain(nullptr, nullptr, commandLine, 1);
        } catch (const fake::ProcessExit&) {
            // The installer hand-off's failures end the process.
        }
        std::vector<Box> boxes;
        for (const auto& box : fake::State().messageBoxes)
            boxes.push_back({box.caption, box.text});
        return boxes;
    }

    ScratchDirectory scratch{"language-test"};
};

const char* const Keys[] = {"CannotFindInstaller", "CannotFindDescriptor", "CannotWriteProfile", "CannotSetDirectory",
                            "CannotFindGame"};

// A Windows, and whose texts it must be shown.
struct Case {
    const char* what;
    platform::UINT codepage;
    platform::LANGID language; // GetUserDefaultLangID's, sublanguage and all
    const char* shown;         // the language's code, or "default"
};

const Case Cases[] = {
    // Each language under its own code page; a sublanguage is the language.
    {"German, 1252", 1252, 0x0407, "de"},
    {"German of Austria, 1252", 1252, 0x0c07, "de"},
    {"Polish, 1250", 1250, 0x0415, "pl"},
    {"Czech, 1250", 1250, 0x0405, "cs"},
    {"Russian, 1251", 1251, 0x0419, "ru"},
    {"Ukrainian, 1251", 1251, 0x0422, "uk"},
    {"Greek, 1253", 1253, 0x0408, "el"},
    // Serbian: the code page picks the script, whatever the sublanguage says.
    {"Serbian Latin, 1250", 1250, 0x081a, "sr-Latn"},
    {"Serbian Cyrillic, 1251", 1251, 0x0c1a, "sr-Cyrl"},
    {"Serbian Latin's id, 1251", 1251, 0x081a, "sr-Cyrl"},
    {"Serbian Cyrillic's id, 1250", 1250, 0x0c1a, "sr-Latn"},
    // Croatian is Serbian's primary language to Windows: on 1250 it reads
    // the Latin texts, the closest the title has.
    {"Croatian, 1250", 1250, 0x041a, "sr-Latn"},
    // The language matches, the code page does not: its letters would be
    // others there.
    {"German, 1250", 1250, 0x0407, "default"},
    {"Polish, 1252", 1252, 0x0415, "default"},
    {"Czech, 1251", 1251, 0x0405, "default"},
    {"Russian, 1252", 1252, 0x0419, "default"},
    {"Ukrainian, 1250", 1250, 0x0422, "default"},
    {"Greek, 1252", 1252, 0x0408, "default"},
    {"Greek, 1251", 1251, 0x0408, "default"},
    {"Serbian, 1252", 1252, 0x081a, "default"},
    {"German, 932", 932, 0x0407, "default"},
    // The code page matches, the language does not: not its neighbour's.
    {"French, 1252", 1252, 0x040c, "default"},
    {"English, 1252", 1252, 0x0409, "default"},
    {"Slovak, 1250", 1250, 0x041b, "default"},
    {"Hungarian, 1250", 1250, 0x040e, "default"},
    {"Bulgarian, 1251", 1251, 0x0402, "default"},
    {"Belarusian, 1251", 1251, 0x0423, "default"},
    {"Turkish, 1254", 1254, 0x041f, "default"},
    {"Japanese, 932", 932, 0x0411, "default"},
    // A primary language 0x07 hidden in the sublanguage bits is not German.
    {"sublanguage 0x07 of language 0, 1252", 1252, 0x1c00, "default"},
};

TEST_F(Languages, EveryBoxShowsTheCaptionAndTextOfOneLanguage)
{
    for (const Case& c : Cases) {
        for (const char* key : Keys) {
            SCOPED_TRACE(std::string(c.what) + ", " + key);
            const std::vector<Box> boxes = Run(c.codepage, c.language, key);
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ(Expected(c.shown, "Caption"), boxes[0].caption);
            EXPECT_EQ(Expected(c.shown, key), boxes[0].text);
        }
    }
}

// Windows is asked once, first, and the choice holds for the whole run.
TEST_F(Languages, AsksWindowsOnceAtStart)
{
    Run(1250, 0x0415, "CannotFindGame");
    const std::vector<std::string>& calls = fake::State().calls;
    ASSERT_LE(2u, calls.size());
    EXPECT_EQ((std::vector<std::string>{"GetACP", "GetUserDefaultLangID"}),
              std::vector<std::string>(calls.begin(), calls.begin() + 2));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "GetACP"));
    EXPECT_EQ(1, std::count(calls.begin(), calls.end(), "GetUserDefaultLangID"));
}

} // namespace
