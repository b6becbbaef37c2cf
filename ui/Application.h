#pragma once

#include <QString>

class QApplication;

namespace ui {

// The program's name: window caption and the title of every message box.
inline const QString kProgramName = QStringLiteral("Vantor LCD");

// One look on every desktop (Fusion, its own palette, an Arial-metric sans at 11 px): the fixed-geometry
// panel was laid out for this style and font, so a dark or oversized desktop theme must not make captions
// overflow their controls.
void setUpApplication(QApplication& app);

} // namespace ui
