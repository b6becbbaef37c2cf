#pragma once

#include <QImage>

namespace artwork {

// The three menu screens of the board's 128 x 64 graphic LCD, one bit per pixel.
QImage mainMenuScreen();
QImage timeBaseScreen();
QImage triggerScreen();

} // namespace artwork
