// Window titles as the desktop shows them: read back from the X server, where Qt may have
// added to what the program asked for.
#include "support/Modal.h"
#include "support/Window.h"
#include "ui/Dialogs.h"
#include "ui/FormAbout.h"
#include "ui/Sauvegarde.h"

#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

using testing_support::onNextModal;

// _NET_WM_NAME of the window, the title window managers and task bars show.
QString desktopTitle(QWidget* window)
{
    if (!QTest::qWaitForWindowExposed(window)) return QStringLiteral("(never shown)");
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // In the C locale xprop writes the bytes of non-ASCII letters as octal escapes.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(environment);
    xprop.start(QStringLiteral("xprop"),
                {"-id", QString::number(window->winId()), "-notype", QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(10000) || xprop.exitCode() != 0)
        return QStringLiteral("(xprop failed: %1)").arg(QString::fromLocal8Bit(xprop.readAllStandardError()));
    // _NET_WM_NAME = "the title"
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const QString start = QStringLiteral(" = \"");
    const qsizetype at = line.indexOf(start);
    if (at < 0 || !line.endsWith(u'"')) return QStringLiteral("(no title: %1)").arg(line);
    return line.mid(at + start.size(), line.size() - at - start.size() - 1);
}

class DesktopTitles : public testing_support::WindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "runs on an X server: start it through tests/support/on_xvfb.sh";
        WindowTest::SetUp();
    }
};

TEST_F(DesktopTitles, AreExactlyWhatTheProgramNames)
{
    w->show();
    EXPECT_EQ(desktopTitle(w.get()), QStringLiteral("Vantor LCD"));
    w->about_Click();
    ASSERT_TRUE(w->aboutWindow);
    EXPECT_EQ(desktopTitle(w->aboutWindow), QStringLiteral("About"));

    ui::QtDialogs real;
    int ret = 0;
    struct Case
    {
        const char* what;
        std::function<void()> open;
        QString title;
    };
    const Case modals[] = {
        {"save dialog",
         [&] {
             // Closed unanswered: nothing is asked of the contents.
             Sauvegarde::SauveImage(w.get(), real, {}, ret);
         },
         QStringLiteral("Enregistre le trac\u00e9")},
        {"open dialog",
         [&] {
             real.openFileName(w.get(), QStringLiteral("Ouvre une trame enregistr\u00e9e"),
                               QStringLiteral("Donn\u00e9es CSV (*.csv)|*.csv"));
         },
         QStringLiteral("Ouvre une trame enregistr\u00e9e")},
        {"question box",
         [&] { real.question(w.get(), QStringLiteral("Replacer le fichier existant - x ?")); },
         QStringLiteral("Vantor LCD")},
        {"warning box", [&] { real.warning(w.get(), QStringLiteral("COM1 erreur")); },
         QStringLiteral("Vantor LCD")},
    };
    for (const Case& c : modals) {
        SCOPED_TRACE(c.what);
        QString title;
        onNextModal([&](QWidget* modal) {
            title = desktopTitle(modal);
            modal->close();
        });
        c.open();
        EXPECT_EQ(title, c.title);
    }
}

} // namespace
