#pragma once

// A main window on pseudo-terminals: COM1 and COM2 are working ports played by the test,
// COM3 and COM4 name devices that do not exist. On Windows no COM port names a device: the
// cases that need a port open are Linux's.
#include "support/FakeDialogs.h"
#ifndef Q_OS_WIN
#include "support/Pty.h"
#endif
#include "support/Wait.h"
#include "ui/FormPrinc.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>
#include <memory>

namespace testing_support {

class WindowTest : public ::testing::Test
{
protected:
#ifndef Q_OS_WIN
    Pty com1, com2;
#endif
    FakeDialogs dialogs;
    std::unique_ptr<ui::FormPrinc> w;

    void SetUp() override
    {
#ifndef Q_OS_WIN
        ASSERT_TRUE(com1.ok() && com2.ok());
        qputenv("VANTOR_COM1", com1.path().toLocal8Bit());
        qputenv("VANTOR_COM2", com2.path().toLocal8Bit());
        qputenv("VANTOR_COM3", "/nonexistent/vantor-com3");
        qputenv("VANTOR_COM4", "/nonexistent/vantor-com4");
#endif
        w = std::make_unique<ui::FormPrinc>(dialogs);
    }
    void TearDown() override { w.reset(); }

    QString status() const { return w->panel(QStringLiteral("Status"))->text(); }
    QString comport() const { return w->panel(QStringLiteral("comport"))->text(); }
};

} // namespace testing_support
