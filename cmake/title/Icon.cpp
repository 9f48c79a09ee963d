// The launcher's one icon: 32x32 pixels in 16 colours, the only kind every
// Windows from 95 on draws. It comes from a text grid or from a .ico, and
// goes into the program as two raw resources (an image and its group), so
// that no path reaches the resource script, and into an .ico for NSIS.
#include "TitleTool.h"

#include <cstdio>

namespace title {

namespace {

constexpr long Size = 32;
constexpr long Colours = 16;
constexpr long HeaderSize = 40;
constexpr long PixelBytes = Size * Size / 2;
constexpr long MaskBytes = Size * 4;
constexpr long ImageSize = HeaderSize + Colours * 4 + PixelBytes + MaskBytes;
constexpr long IcoHeader = 6 + 16;
static_assert(ImageSize == 744, "a 32x32 16-colour image with its mask");

// COUNT (at most 4) little-endian bytes of VALUE.
void Append(std::vector<unsigned char>& bytes, unsigned long value, int count)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>((value >> (8 * i)) & 0xff));
}

unsigned long At(const std::string& bytes, std::size_t offset, int count)
{
    unsigned long value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// A pixel's palette index; a clear one (.) has 0, and its mask bit set.
unsigned Pixel(char c)
{
    return c == '.' ? 0u : static_cast<unsigned>(HexDigit(c)) & 0xfu;
}

// The header of the image, the palette, the pixels and the mask.
std::vector<unsigned char> Image(const std::vector<unsigned char>& palette, const std::vector<std::string>& rows)
{
    std::vector<unsigned char> image;
    Append(image, HeaderSize, 4);
    Append(image, Size, 4);
    Append(image, Size * 2, 4); // pixels and mask together
    Append(image, 1, 2);        // planes
    Append(image, 4, 2);        // bits per pixel
    Append(image, 0, 4);        // no compression
    Append(image, PixelBytes + MaskBytes, 4);
    for (int unused = 0; unused < 4; ++unused)
        Append(image, 0, 4); // resolution and colour counts
    image.insert(image.end(), palette.begin(), palette.end());
    // Both bottom row first: a pixel is 4 bits, the left one high; the mask
    // a bit each, the left one highest, most significant byte first.
    std::vector<unsigned char> mask;
    for (int y = Size - 1; y >= 0; --y) {
        unsigned long bits = 0;
        for (int x = 0; x < Size; x += 2) {
            const char left = rows[y][x];
            const char right = rows[y][x + 1];
            image.push_back(static_cast<unsigned char>((Pixel(left) << 4) | Pixel(right)));
            bits |= (left == '.' ? 1ul : 0ul) << (31 - x);
            bits |= (right == '.' ? 1ul : 0ul) << (30 - x);
        }
        for (const int shift : {24, 16, 8, 0})
            mask.push_back(static_cast<unsigned char>((bits >> shift) & 0xff));
    }
    image.insert(image.end(), mask.begin(), mask.end());
    return image;
}

// The group's directory: its header and the one entry, without the last field.
std::vector<unsigned char> IconDirectory(std::size_t imageSize)
{
    std::vector<unsigned char> bytes;
    Append(bytes, 0, 2); // reserved
    Append(bytes, 1, 2); // an icon
    Append(bytes, 1, 2); // of one image
    Append(bytes, Size, 1);
    Append(bytes, Size, 1);
    Append(bytes, Colours, 1);
    Append(bytes, 0, 1);
    Append(bytes, 1, 2); // planes
    Append(bytes, 4, 2); // bits per pixel
    Append(bytes, imageSize, 4);
    return bytes;
}

// "palette <index> <RRGGBB>", the next index, onto the palette; or why not.
std::string PaletteLine(const std::string& line, std::vector<unsigned char>& palette)
{
    const int index = line.size() > 8 ? HexDigit(line[8]) : -1;
    bool good = line.size() == 16 && line[9] == ' ' && index >= 0 && (line[8] < 'a' || line[8] > 'f');
    for (std::size_t i = 10; good && i < 16; ++i)
        good = HexDigit(line[i]) >= 0;
    if (!good)
        return "a palette line is \"palette <0 to F> <RRGGBB>\": " + Shown(line);
    if (index != static_cast<int>(palette.size() / 4))
        return "palette entries come in order 0 to F: " + line;
    // Blue, green, red and a zero byte.
    for (const int at : {14, 12, 10})
        palette.push_back(static_cast<unsigned char>(HexDigit(line[at]) * 16 + HexDigit(line[at + 1])));
    palette.push_back(0);
    return "";
}

// A row of 32 pixels onto the rows; or why not.
std::string RowLine(const std::string& line, std::vector<std::string>& rows)
{
    for (const char c : line) {
        if (c != '.' && HexDigit(c) < 0)
            return "neither a palette line nor a row of pixels (0 to F, or . for clear): " + Shown(line);
    }
    if (line.find_first_of("abcdef") != std::string::npos)
        return "a pixel is 0 to 9 or A to F, in capitals: " + line;
    if (line.size() != static_cast<std::size_t>(Size))
        return "a row has " + std::to_string(line.size()) + " pixels, not 32";
    rows.push_back(line);
    return "";
}

// windres takes raw data as 16-bit words, low byte first, twelve a line.
std::string Words(const std::vector<unsigned char>& bytes)
{
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char word[16];
        std::snprintf(word, sizeof word, " 0x%02X%02X", bytes[i + 1], bytes[i]);
        if (i != 0)
            text += ",";
        if (i % 24 == 0)
            text += "\n   ";
        text += word;
    }
    return text;
}

} // namespace

std::vector<std::string> ImageFromGrid(const std::string& grid, const std::string& name,
                                       std::vector<unsigned char>& image)
{
    std::vector<std::string> reasons;
    std::vector<unsigned char> palette;
    std::vector<std::string> rows;
    int number = 0;
    for (std::size_t start = 0; start < grid.size();) {
        std::size_t end = grid.find('\n', start);
        end = end == std::string::npos ? grid.size() : end;
        std::string line = grid.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const std::string why = line.compare(0, 8, "palette ") == 0 ? PaletteLine(line, palette) : RowLine(line, rows);
        if (!why.empty()) {
            reasons.push_back(name + ":" + std::to_string(number) + ": ");
            reasons.back() += why;
        }
    }
    if (reasons.empty() && (palette.size() != static_cast<std::size_t>(Colours) * 4 || rows.size() != Size)) {
        reasons.push_back(name + ": " + std::to_string(palette.size() / 4) + " palette lines and ");
        reasons.back() += std::to_string(rows.size()) + " rows; the grid has 16 and 32";
    }
    if (reasons.empty())
        image = Image(palette, rows);
    return reasons;
}

std::vector<std::string> ImageFromIco(const std::string& ico, const std::string& name,
                                      std::vector<unsigned char>& image)
{
    std::vector<std::string> reasons;
    const auto refuse = [&](const std::string& why) { reasons.push_back(name + ": " + why); };
    if (ico.size() < IcoHeader || At(ico, 0, 2) != 0 || At(ico, 2, 2) != 1) {
        refuse("not an icon file (.ico): " + std::to_string(ico.size()) +
               " bytes, without the 22 of an icon's header and first entry");
        return reasons;
    }
    const unsigned long count = At(ico, 4, 2);
    const unsigned width = static_cast<unsigned char>(ico[6]) == 0 ? 256 : static_cast<unsigned char>(ico[6]);
    const unsigned height = static_cast<unsigned char>(ico[7]) == 0 ? 256 : static_cast<unsigned char>(ico[7]);
    const unsigned long size = At(ico, 14, 4);
    const unsigned long offset = At(ico, 18, 4);
    if (count != 1 || width != Size || height != Size) {
        refuse("holds " + std::to_string(count) + " image(s), the first " + std::to_string(width) + "x" +
               std::to_string(height) + "; the launcher's icon is exactly one image of 32x32 pixels in 16 colours");
        return reasons;
    }
    if (offset < IcoHeader || offset > ico.size() || size > ico.size() - offset) {
        refuse("its entry says " + std::to_string(size) + " bytes at offset " + std::to_string(offset) +
               ", which do not lie inside its " + std::to_string(ico.size()) + " bytes after the directory");
        return reasons;
    }
    if (size < HeaderSize || At(ico, offset, 4) != HeaderSize) {
        refuse("its image has no 40-byte bitmap header (a PNG image, say)");
        return reasons;
    }
    const auto field = [&](int at, int bytes) { return At(ico, offset + at, bytes); };
    const long bitmapWidth = static_cast<int>(field(4, 4));
    const long bitmapHeight = static_cast<int>(field(8, 4));
    if (bitmapWidth != Size || bitmapHeight != Size * 2)
        refuse("its image is " + std::to_string(bitmapWidth) + "x" + std::to_string(bitmapHeight) +
               "; a 32x32 icon's bitmap is 32x64, the colours above the mask, bottom row first");
    if (field(12, 2) != 1)
        refuse("its image has " + std::to_string(field(12, 2)) + " planes, not 1");
    if (field(14, 2) != 4)
        refuse("its image has " + std::to_string(field(14, 2)) + " bits a pixel, not 4 (16 colours)");
    if (field(16, 4) != 0)
        refuse("its image is compressed (kind " + std::to_string(field(16, 4)) +
               "); Windows 95 draws only an uncompressed icon");
    if (size != ImageSize)
        refuse("its entry says " + std::to_string(size) + " bytes; a 32x32 16-colour image with its mask has " +
               std::to_string(ImageSize) + " (40 of header, 64 of palette, 512 of pixels, 128 of mask)");
    if (reasons.empty())
        image.assign(ico.begin() + static_cast<long>(offset), ico.begin() + static_cast<long>(offset + size));
    return reasons;
}

std::string IcoFile(const std::vector<unsigned char>& image)
{
    std::vector<unsigned char> bytes = IconDirectory(image.size());
    Append(bytes, IcoHeader, 4); // where the image starts
    bytes.insert(bytes.end(), image.begin(), image.end());
    return {bytes.begin(), bytes.end()};
}

std::string ResourceScript(const std::vector<unsigned char>& image)
{
    std::vector<unsigned char> group = IconDirectory(image.size());
    Append(group, 1, 2); // the image's resource id
    return "// Generated by cmake/title from the title's icon; edit that instead.\n1 3\n{" + Words(image) +
        "\n}\n\n1 14\n{" + Words(group) + "\n}\n";
}

} // namespace title
