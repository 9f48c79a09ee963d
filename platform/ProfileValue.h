// What WIN.INI does to a value on its way in and out: the one statement of
// the rule, for the host fake's profile calls and for descriptor-check, so
// that the value a test records and the value a publisher is told the game
// starts from cannot come apart.
//
// WriteProfileStringA stores a value without the blanks before it.
// GetProfileStringA gives a stored value back without the blanks at either
// end, then without one pair of matching quotes, double or single, around
// the whole of what is left; blanks inside the quotes stay. A lone quote, or
// quotes that do not match, stay too.
#pragma once

#include <string_view>

namespace profile {

// Blanks as WIN.INI knows them: the C locale's white space, and the DOS
// end-of-file mark (Ctrl-Z), whatever the player's locale.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

// The value as WriteProfileStringA stores it.
constexpr std::string_view AsWritten(std::string_view value)
{
    while (!value.empty() && IsBlank(value.front()))
        value.remove_prefix(1);
    return value;
}

// The stored value without the blanks at either end, before quotes are looked at.
constexpr std::string_view Trimmed(std::string_view stored)
{
    stored = AsWritten(stored);
    while (!stored.empty() && IsBlank(stored.back()))
        stored.remove_suffix(1);
    return stored;
}

// The value as GetProfileStringA gives it back.
constexpr std::string_view AsRead(std::string_view stored)
{
    std::string_view value = Trimmed(stored);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value.remove_prefix(1);
        value.remove_suffix(1);
    }
    return value;
}

// What the launcher starts the game from once it has recorded `value` and read it back.
constexpr std::string_view RoundTrip(std::string_view value)
{
    return AsRead(AsWritten(value));
}

} // namespace profile
