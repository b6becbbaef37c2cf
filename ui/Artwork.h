#pragma once

#include <QIcon>
#include <QImage>

// The pictures the program ships, drawn by tools/artwork and compiled in as resources.
namespace Artwork {

// The program's own icon, 32 x 32 (larger sizes for the desktop are in it too).
QIcon windowIcon();

enum class BoardScreen { MainMenu, TimeBase, Trigger };

// A menu screen of the acquisition board's graphic LCD: 128 x 64, one bit per pixel.
QImage boardScreen(BoardScreen screen);

// The acquisition board seen from above: 200 x 271, colour.
QImage boardPicture();

} // namespace Artwork
