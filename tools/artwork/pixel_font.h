#pragma once

#include <QString>
#include <functional>

namespace artwork {

// The board's graphic LCD draws text in a 5 x 8 cell (the last row for descenders) with one
// column of spacing; the same face serves for the silkscreen of the drawn board.
inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 8;
inline constexpr int kAdvance = kGlyphWidth + 1;

int textWidth(const QString& text);

// Calls plot(x, y) for every lit pixel of text whose cell starts at (left, top).
void drawText(int left, int top, const QString& text, const std::function<void(int, int)>& plot);

} // namespace artwork
