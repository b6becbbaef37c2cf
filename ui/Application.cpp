#include "ui/Application.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

namespace ui {

void setUpApplication(QApplication& app)
{
    QApplication::setApplicationName(kProgramName);
    QApplication::setApplicationDisplayName(kProgramName);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::PreferDefault);
    QApplication::setFont(font);
    Q_UNUSED(app);
}

} // namespace ui
