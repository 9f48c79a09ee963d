// The title file's lines: sections, keys and values, each key matched whole.
#include "TitleTool.h"

#include <cstdio>

namespace title {

namespace {

struct KeyRow {
    Section section;
    const char* name;
};
// clang-format off
const KeyRow Keys[KeyCount] = {
    {TitleSection, "name"}, {TitleSection, "codepage"}, {TitleSection, "icon"},
    {Settings, "DescriptorFileName"}, {Settings, "GameExeName"}, {Settings, "ProfileSection"},
    {Settings, "ProfileKey"}, {Settings, "NotInstalledMarker"}, {Settings, "InstallerName"},
    {Settings, "DescriptorKey"},
    {Messages, "Caption"}, {Messages, "CannotFindInstaller"}, {Messages, "CannotFindDescriptor"},
    {Messages, "CannotWriteProfile"}, {Messages, "CannotSetDirectory"}, {Messages, "CannotFindGame"},
    {Installer, "files"}, {Installer, "directory"},
    {Disc, "volume"},
};
const char* const Sections[SectionCount] = {"title", "settings", "messages", "installer", "disc"};
// clang-format on
constexpr int NoSection = -1;
constexpr int UnknownSection = -2;
// The first language's section; the next is one more, and so on.
constexpr int LanguageSection = SectionCount;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

int SectionNamed(const std::string& name)
{
    for (int section = 0; section < SectionCount; ++section) {
        if (name == Sections[section])
            return section;
    }
    return UnknownSection;
}

std::string KeysOf(int section)
{
    std::string list;
    for (const KeyRow& row : Keys) {
        if (row.section != section)
            continue;
        list += list.empty() ? "" : " ";
        list += row.name;
    }
    return list;
}

} // namespace

const char* KeyName(Key key)
{
    return Keys[key].name;
}

Section SectionOf(Key key)
{
    return Keys[key].section;
}

const char* SectionName(Section section)
{
    return Sections[section];
}

std::string Language::where(Key key) const
{
    return "[messages " + std::string(row->code) + "] " + Keys[key].name;
}

void Title::Refuse(int line, const std::string& where, const std::string& why)
{
    refusals.push_back({line, where, why});
}

void Title::Refuse(Key key, const std::string& why)
{
    Refuse(values[key].line, std::string("[") + Sections[Keys[key].section] + "] " + Keys[key].name, why);
}

namespace {

// What a title may call a language that is not in the table: the codes of
// the same language that are (sr: sr-Latn, sr-Cyrl), or all of them.
std::string CodesLike(const std::string& code)
{
    std::string same;
    std::string all;
    for (std::size_t i = 0; i < LanguageRowCount; ++i) {
        const std::string known = LanguageRows[i].code;
        all += (all.empty() ? "" : " ") + known;
        const std::size_t dash = known.find('-');
        if (dash != std::string::npos && EqualIgnoringCase(code, known.substr(0, dash).c_str()))
            same += (same.empty() ? "" : " or ") + known;
    }
    if (!same.empty())
        return "Windows writes it in two scripts, each with its code page: give " + same;
    return "the codes are ISO 639-1, with the script where Windows has two: " + all;
}

// A [messages LANG] line: a language of the table, each given once.
int ReadLanguage(Title& title, int number, const std::string& name, const std::string& code)
{
    const LanguageRow* row = FindLanguage(code);
    if (row == nullptr) {
        title.Refuse(number, "[" + Shown(name) + "]", "unknown language \"" + Shown(code) + "\"; " + CodesLike(code));
        return UnknownSection;
    }
    for (const Language& language : title.languages) {
        if (language.row == row) {
            title.Refuse(number, "[" + name + "]",
                         "language given twice (first on line " + std::to_string(language.line) + ")");
            return UnknownSection;
        }
    }
    Language language;
    language.row = row;
    language.line = number;
    title.languages.push_back(language);
    return LanguageSection + static_cast<int>(title.languages.size()) - 1;
}

// A [section] line: the section the keys after it belong to.
int ReadSection(Title& title, int number, const std::string& name)
{
    const std::string messages = Sections[Messages];
    if (name.size() > messages.size() && name.compare(0, messages.size(), messages) == 0 &&
        IsBlank(name[messages.size()]))
        return ReadLanguage(title, number, name, Trimmed(name.substr(messages.size())));
    const int section = SectionNamed(name);
    if (section == UnknownSection)
        title.Refuse(number, "[" + Shown(name) + "]",
                     "unknown section (the sections are [title], [settings], [messages], [messages LANG], "
                     "[installer] and [disc])");
    else if (title.sectionLine[section] != 0)
        title.Refuse(number, "[" + name + "]",
                     "section given twice (first on line " + std::to_string(title.sectionLine[section]) + ")");
    else
        title.sectionLine[section] = number;
    return section;
}

// A key's value from line NUMBER into its slot, or refused when the key was
// given before.
void Store(Title& title, Value& slot, int number, const std::string& where, const std::string& value)
{
    if (slot.line != 0)
        title.Refuse(number, where, "key given twice (first on line " + std::to_string(slot.line) + ")");
    else
        slot = {value, number};
}

// A key of a [messages LANG] section: its name or one of the six texts.
void ReadLanguageKey(Language& language, Title& title, int number, const std::string& key, const std::string& value)
{
    const std::string inSection = "[messages " + std::string(language.row->code) + "] ";
    int found = KeyCount;
    for (int k = Name; k <= LastMessage; ++k) {
        if (LanguageKey(k) && key == Keys[k].name)
            found = k;
    }
    if (found == KeyCount) {
        title.Refuse(number, inSection + Shown(key),
                     "unknown key (the keys of a language are: name " + KeysOf(Messages) + ")");
        return;
    }
    Store(title, language.values[found], number, inSection + key, value);
}

// A key = value line of a section, matched against that section's keys whole.
void ReadKey(Title& title, int number, int section, const std::string& line)
{
    const std::size_t equals = line.find('=');
    std::string inSection =
        section >= 0 && section < LanguageSection ? std::string("[") + Sections[section] + "] " : "";
    if (section >= LanguageSection)
        inSection = "[messages " + std::string(title.languages[section - LanguageSection].row->code) + "] ";
    if (equals == std::string::npos) {
        title.Refuse(number, inSection + Shown(line), "not a comment, a [section] or a key = value line");
        return;
    }
    const std::string key = Trimmed(line.substr(0, equals));
    if (section == NoSection) {
        title.Refuse(number, Shown(key), "a key before any [section]");
        return;
    }
    if (section == UnknownSection)
        return;
    if (section >= LanguageSection) {
        ReadLanguageKey(title.languages[section - LanguageSection], title, number, key,
                        Trimmed(line.substr(equals + 1)));
        return;
    }
    int found = KeyCount;
    for (int k = 0; k < KeyCount; ++k) {
        if (Keys[k].section == section && key == Keys[k].name)
            found = k;
    }
    if (found == KeyCount) {
        title.Refuse(number, inSection + Shown(key),
                     "unknown key (the keys of [" + std::string(Sections[section]) + "] are: " + KeysOf(section) + ")");
        return;
    }
    Store(title, title.values[found], number, inSection + key, Trimmed(line.substr(equals + 1)));
}

// Every key of [title], [settings] and [messages], with a value.
void RefuseMissing(Title& title)
{
    for (int k = 0; k < KeyCount; ++k) {
        const Section of = Keys[k].section;
        if (of != TitleSection && of != Settings && of != Messages)
            continue;
        if (title.values[k].line == 0) {
            const int line = title.sectionLine[of] != 0 ? title.sectionLine[of] : title.lines;
            title.Refuse(line, std::string("[") + Sections[of] + "] " + Keys[k].name,
                         "missing: every key of [title], [settings] and [messages] must be given");
        } else if (title.values[k].text.empty()) {
            title.Refuse(static_cast<Key>(k), "empty: every key of [title], [settings] and [messages] needs a value");
        }
    }
}

// Each language's six texts; its name may be left out, for [title] name.
void RefuseMissingTexts(Title& title)
{
    for (const Language& language : title.languages) {
        for (int k = Name; k <= LastMessage; ++k) {
            const Key key = static_cast<Key>(k);
            const Value& value = language.values[k];
            if (!LanguageKey(k))
                continue;
            if (value.line == 0 && k != Name)
                title.Refuse(language.line, language.where(key), "missing: every text of a language must be given");
            else if (value.line != 0 && value.text.empty())
                title.Refuse(value.line, language.where(key),
                             k == Name ? "empty: leave it out for [title] name" : "empty: every text needs a value");
        }
    }
}

} // namespace

void Read(Title& title, const std::string& bytes)
{
    int section = NoSection;
    int number = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end;
        std::string line = bytes.substr(start, end - start);
        start = end + 1;
        ++number;
        if (number == 1 && line.compare(0, 3, "\xef\xbb\xbf") == 0)
            line.erase(0, 3);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trimmed(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
            section = ReadSection(title, number, line.substr(1, line.size() - 2));
        else
            ReadKey(title, number, section, line);
    }
    title.lines = number;
    RefuseMissing(title);
    RefuseMissingTexts(title);
}

long NextCodePoint(const std::string& text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at);
    int more = 0;
    long point = 0;
    long least = 0;
    if (first < 0x80) {
        ++at;
        return first;
    }
    if ((first & 0xe0) == 0xc0) {
        more = 1, point = first & 0x1f, least = 0x80;
    } else if ((first & 0xf0) == 0xe0) {
        more = 2, point = first & 0x0f, least = 0x800;
    } else if ((first & 0xf8) == 0xf0) {
        more = 3, point = first & 0x07, least = 0x10000;
    } else {
        return -1;
    }
    if (at + more >= text.size())
        return -1;
    for (int i = 1; i <= more; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return -1;
        point = (point << 6) | (byte(at + i) & 0x3f);
    }
    // Overlong forms, surrogates and what lies past Unicode are not UTF-8.
    if (point < least || (point >= 0xd800 && point <= 0xdfff) || point > 0x10ffff)
        return -1;
    at += more + 1;
    return point;
}

std::string Named(long codePoint)
{
    char number[16];
    std::snprintf(number, sizeof number, "U+%04lX", static_cast<unsigned long>(codePoint));
    if (codePoint < 0x20 || codePoint == 0x7f || (codePoint >= 0x80 && codePoint < 0xa0))
        return std::string(number) + " (a control character)";
    std::string utf8;
    if (codePoint < 0x80) {
        utf8 += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        utf8 += static_cast<char>(0xc0 | (codePoint >> 6));
        utf8 += static_cast<char>(0x80 | (codePoint & 0x3f));
    } else if (codePoint < 0x10000) {
        utf8 += static_cast<char>(0xe0 | (codePoint >> 12));
        utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3f));
        utf8 += static_cast<char>(0x80 | (codePoint & 0x3f));
    } else {
        utf8 += static_cast<char>(0xf0 | (codePoint >> 18));
        utf8 += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3f));
        utf8 += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3f));
        utf8 += static_cast<char>(0x80 | (codePoint & 0x3f));
    }
    return "\"" + utf8 + "\" (" + number + ")";
}

std::string Shown(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

bool EqualIgnoringCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace title
