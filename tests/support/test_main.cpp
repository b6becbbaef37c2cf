// Every test program has one QApplication for the widgets under test, set up as the program's own.
// They run headless unless told otherwise (the desktop tests run on an X server of their own).
#include "ui/Application.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    ui::setUpApplication(app);
    return RUN_ALL_TESTS();
}
