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
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshSettings);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
