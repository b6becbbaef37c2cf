#include "ui/Application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace ui {
namespace {

const QString kToolkitCatalogue = QStringLiteral("qtbase_fr");

void installToolkitFrench(QApplication& app, const QString& folder)
{
    // Ours, found by name, so that setting up again does not stack a second catalogue.
    delete app.findChild<QTranslator*>(kToolkitCatalogue, Qt::FindDirectChildrenOnly);
    auto* catalogue = new QTranslator(&app);
    catalogue->setObjectName(kToolkitCatalogue);
    if (catalogue->load(kToolkitCatalogue, folder)) {
        QApplication::installTranslator(catalogue);
    } else {
        delete catalogue;
    }
}

} // namespace

void setUpApplication(QApplication& app)
{
    setUpApplication(app, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

void setUpApplication(QApplication& app, const QString& translationsFolder)
{
    // No display name: Qt would append it to every window title ("About — Vantor LCD"). The
    // application name gives the X window class, and the desktop file name ties the windows to
    // vantorlcd.desktop.
    QApplication::setApplicationName(kProgramName);
    QGuiApplication::setDesktopFileName(QStringLiteral("vantorlcd"));
    installToolkitFrench(app, translationsFolder);
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(style);
        QApplication::setPalette(style->standardPalette());
    }
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::PreferDefault);
    QApplication::setFont(font);
}

} // namespace ui
