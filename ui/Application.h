#pragma once

#include <QString>

class QApplication;

namespace ui {

// The program's name: main window caption and the title of every message box.
inline const QString kProgramName = QStringLiteral("Vantor LCD");

// One look on every desktop (Fusion, its own palette, an Arial-metric sans at 11 px): the fixed-geometry
// panel was laid out for this style and font, so a dark or oversized desktop theme must not make captions
// overflow their controls.
//
// The panel is French whatever the user's locale, so the toolkit's own texts (dialog buttons, the save
// dialog) come from Qt's French catalogue, qtbase_fr.qm in Qt's translations folder. Without the catalogue
// they stay English and the program works as well. Numbers keep following the user's locale.
void setUpApplication(QApplication& app);

// The same with the catalogue looked for in translationsFolder. Called again, it replaces the catalogue an
// earlier call installed (or removes it when the new folder has none).
void setUpApplication(QApplication& app, const QString& translationsFolder);

} // namespace ui
