// The program as a native Wayland client: on a compositor of its own (a headless Weston, see
// tests/support/on_weston.sh) against the simulated board.
#include "support/Board.h"
#include "support/FakeDialogs.h"
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class OnWayland : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (qEnvironmentVariableIsSet("VANTOR_NO_WAYLAND"))
            GTEST_SKIP() << qPrintable(qEnvironmentVariable("VANTOR_NO_WAYLAND"));
        if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
            GTEST_SKIP() << "no Wayland compositor: run through tests/support/on_weston.sh";
        if (QGuiApplication::platformName() != QStringLiteral("wayland"))
            GTEST_SKIP() << "Qt's Wayland platform plugin is missing (package qt6-wayland); the tests run on "
                         << qPrintable(QGuiApplication::platformName());
        ASSERT_FALSE(board.path().isEmpty()) << "the simulated board did not start";
    }

    Board board{{QStringLiteral("--rate"), QStringLiteral("real")}};
};

TEST_F(OnWayland, WindowShowsDecodedFrames)
{
    qputenv("VANTOR_COM1", board.path().toLocal8Bit());
    FakeDialogs dialogs;
    ui::FormPrinc w(dialogs);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w)) << "the compositor shows the window";
    // Each decoded frame shows "Rx OK", which the next frame's start may replace before the test
    // looks: count the frames instead.
    EXPECT_TRUE(waitFor([&] { return w.framesDecoded >= 2; }, 5000)) << w.framesDecoded;
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// What the program itself says to the compositor, read from libwayland's own log of requests:
// docks match the app id with a desktop entry's name to find the icon.
TEST_F(OnWayland, ProgramNamesItsDesktopEntryAndDrawsItsWindow)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    environment.insert(QStringLiteral("WAYLAND_DEBUG"), QStringLiteral("client"));
    environment.insert(QStringLiteral("VANTOR_COM1"), board.path());
    // A fresh user's start, never the settings of the user running the suite.
    const QTemporaryDir config;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("HOME"), config.path());
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VANTOR_PROGRAM), QStringList());
    ASSERT_TRUE(program.waitForStarted(5000));

    // libwayland writes "wl_surface@3.attach(...)" (1.21) or "wl_surface#3.attach(...)" (1.23).
    const QRegularExpression appIdRequest(
        QStringLiteral(R"re(-> xdg_toplevel[@#]\d+\.set_app_id\("([^"]*)"\))re"));
    const QRegularExpression bufferCommitted(QStringLiteral(
        R"re(-> wl_surface[@#](\d+)\.attach\(wl_buffer[@#]\d+[\s\S]*?-> wl_surface[@#]\1\.commit\(\))re"));
    QString log, appId;
    bool drawn = false;
    waitFor(
        [&] {
            log += QString::fromUtf8(program.readAllStandardError());
            appId = appIdRequest.match(log).captured(1);
            drawn = bufferCommitted.match(log).hasMatch();
            return !appId.isEmpty() && drawn;
        },
        10000);
    program.terminate();
    program.waitForFinished(5000);

    EXPECT_EQ(appId, QFileInfo(QStringLiteral(VANTOR_DESKTOP_ENTRY)).completeBaseName());
    EXPECT_TRUE(drawn) << "no buffer attached and committed to a surface";
}

} // namespace
