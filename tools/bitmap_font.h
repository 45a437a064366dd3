// A 5 x 7 pixel font for the labels of the tool's pictures, so that drawing text
// needs no font files on the machine. Upper-case letters, digits and a little
// punctuation; lower-case letters are drawn upper-case.
#pragma once

#include <array>
#include <cstdint>

constexpr int GLYPH_WIDTH = 5;
constexpr int GLYPH_HEIGHT = 7;
constexpr int GLYPH_ADVANCE = 6;  // one blank column between characters

// Seven rows, top first; bit 4 of each row is the leftmost pixel. A character
// without a glyph gives the blank.
std::array<uint8_t, GLYPH_HEIGHT> GlyphRows(char character);
