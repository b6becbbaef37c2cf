#pragma once

#include <QImage>

namespace artwork {

// The program's icon: a small oscilloscope screen with a green trace, drawn for a square
// of `size` pixels (the strokes are fitted to the size, not scaled from one master).
QImage programIcon(int size);

} // namespace artwork
