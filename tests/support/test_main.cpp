// Every test program has one QApplication for the widgets under test, set up as the program's own.
// They run headless unless told otherwise (the desktop tests run on an X server of their own).
#include "ui/Application.h"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
// Each test starts as a fresh user, with settings in a folder of its own: never the user's, and
// never what an earlier test chose.
class FreshSettings : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo&) override
    {
        folder_ = std::make_unique<QTemporaryDir>();
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_->path());
    }
    void OnTestEnd(const ::testing::TestInfo&) override { folder_.reset(); }

    std::unique_ptr<QTemporaryDir> folder_;
};
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
#ifdef Q_OS_WIN
    // Headless Qt on Windows reads its fonts from one folder and finds none of its own: without
    // them every text is laid out as boxes a hundred thousand pixels away. The system's folder,
    // or the one the test run names (Wine's own is empty; it passes no QT_ variable either).
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", qEnvironmentVariableIsEmpty("VANTOR_TEST_FONTS")
                                      ? qgetenv("WINDIR") + "\\Fonts"
                                      : qgetenv("VANTOR_TEST_FONTS"));
#endif
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
