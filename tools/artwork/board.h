#pragma once

#include <QImage>

namespace artwork {

inline constexpr int kBoardWidth = 200;
inline constexpr int kBoardHeight = 271;

// The acquisition board seen from above, as a 200 x 271 colour picture; lcdScreen is shown
// on its display.
QImage boardPicture(const QImage& lcdScreen);

} // namespace artwork
