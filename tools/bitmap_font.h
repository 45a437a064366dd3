// A 5 x 7 pixel font for the labels of the tool's pictures, so that drawing text
// needs no font files on the machine. Upper-case letters, digits and a little
// punctuation; lower-case letters are drawn upper-case.
#pragma once

#include <array>
#include <cstdint>

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;  // one blank column between characters

// Seven rows, top first; bit 4 of each row is the leftmost pixel. A character
// without a glyph gives the blank.
std::array<uint8_t, kGlyphHeight> GlyphRows(char character);
