// Rows built from the title's own values: its names in another letter case.
#pragma once

#include <string>

// The text with a to z (or A to Z, or both) in the other case; nothing else changes.
inline std::string ChangedCase(std::string text, bool toLower, bool toUpper)
{
    for (char& c : text) {
        if (toLower && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        else if (toUpper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}
