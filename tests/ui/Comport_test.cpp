// The menu "Comport": COM1 to COM4, then the serial devices the system reports, refreshed at
// each opening; a device chosen there is opened, ticked and used like COMn, and the choice is
// what the next start opens.
#include "acquisition/PortMemory.h"
#include "support/Frames.h"
#include "support/Window.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

using acquisition::SerialDevice;
using namespace testing_support;

namespace {
class Comport : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(adapter.ok());
        w->serialDevices = [this] { return devices; };
    }

    // The program closed and started again, as the user would.
    void restart()
    {
        w.reset();
        w = std::make_unique<ui::FormPrinc>(dialogs);
        w->serialDevices = [this] { return devices; };
    }

    // What a user sees when the menu opens: the captions below the separator.
    QStringList open()
    {
        w->Comport->popup(QPoint());
        w->Comport->hide();
        QStringList captions;
        for (QAction* a : w->comDevices)
            captions << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" [off]"));
        return captions;
    }
    QAction* item(const QString& name) const
    {
        return w->Comport->findChild<QAction*>(QStringLiteral("device(%1)").arg(name));
    }
    QStringList ticked() const
    {
        QStringList names;
        for (QAction* a : w->Comport->actions())
            if (a->isChecked()) names << a->objectName();
        return names;
    }

    Pty adapter;
    QList<SerialDevice> devices;
};
} // namespace

TEST_F(Comport, ListsTheOtherDevicesEachTimeItOpens)
{
    const QList<QAction*> items = w->Comport->actions();
    ASSERT_GE(items.size(), 5);
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(items[n - 1]->text(), QStringLiteral("COM&%1").arg(n));
    EXPECT_TRUE(items[4]->isSeparator());

    EXPECT_EQ(open(), QStringList{QStringLiteral("Aucun autre port série détecté [off]")});
    devices = {{"ttyUSB0", "FT232R USB UART", "/dev/ttyUSB0", {}, {}},
               {"ttyACM0", "", "/dev/ttyACM0", {}, {}},
               {"pts-com1", "already COM1", com1.path(), {}, {}},
               {"R&D", "", "/dev/ttyRD", {}, {}}};
    EXPECT_EQ(open(), (QStringList{QStringLiteral("ttyUSB0 \u2014 FT232R USB UART"),
                                   QStringLiteral("ttyACM0"), QStringLiteral("R&&D")}));
    devices.removeFirst();
    EXPECT_EQ(open(), (QStringList{QStringLiteral("ttyACM0"), QStringLiteral("R&&D")}));
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("com1")});
}

TEST_F(Comport, AChosenDeviceIsOpenedTickedAndUsed)
{
    devices = {{"ttyVIRT0", "Carte simulée", adapter.path(), {}, {}}};
    open();
    item(QStringLiteral("ttyVIRT0"))->trigger();
    EXPECT_EQ(comport(), QStringLiteral("ttyVIRT0"));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("device(ttyVIRT0)")});
    open(); // the tick stays on it in the list made anew
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("device(ttyVIRT0)")});

    FrameFields f;
    f.gain1 = " 50mV";
    adapter.write(onWire(frameText(f)));
    ASSERT_TRUE(waitFor([&] { return status() == QStringLiteral("Rx OK"); }));
    EXPECT_EQ(w->gainCH1->text(), QStringLiteral(" 50mV/div"));
    w->CmdClav(15)->click();
    EXPECT_TRUE(waitFor([&] { return adapter.readAvailable() == "?"; }));
    w->com(2)->trigger(); // and back to a COM port: one tick again
    EXPECT_EQ(comport(), QStringLiteral("COM2"));
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("com2")});
}

TEST_F(Comport, ADeviceThatCannotBeOpenedIsReportedLikeCOMn)
{
    devices = {{"ttyUSB7", "", "/nonexistent/ttyUSB7", {}, {}}};
    open();
    item(QStringLiteral("ttyUSB7"))->trigger();
    EXPECT_EQ(comport(), QStringLiteral("ttyUSB7 erreur"));
    ASSERT_EQ(dialogs.warnings.size(), 1);
    EXPECT_FALSE(dialogs.warnings[0].isEmpty());
    EXPECT_FALSE(w->MSComm1->PortOpen());
    EXPECT_EQ(ticked(), QStringList{QStringLiteral("device(ttyUSB7)")});
}

// What is chosen in the menu is what the next start opens.
TEST_F(Comport, TheNextStartOpensThePortChosenLast)
{
    w->com(2)->trigger();
    restart();
    EXPECT_EQ(comport(), QStringLiteral("COM2"));
    EXPECT_TRUE(w->MSComm1->PortOpen());
    EXPECT_TRUE(w->com(2)->isChecked());

    devices = {{"ttyVIRT0", "Carte simulée", adapter.path(), {}, {}}};
    open();
    item(QStringLiteral("ttyVIRT0"))->trigger();
    restart();
    EXPECT_EQ(comport(), QStringLiteral("ttyVIRT0"));
    EXPECT_EQ(w->MSComm1->device(), adapter.path());
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}

// A fresh user whose PC has no COM1 is told where the board might be.
TEST_F(Comport, AFreshStartWithoutComOneNamesTheSystemsPorts)
{
    qputenv("VANTOR_COM1", "/nonexistent/vantor-com1");
    restart();
    ASSERT_EQ(dialogs.warnings.size(), 1);
    const QString box = dialogs.warnings.first();
    const QList<SerialDevice> present = acquisition::otherDevices(acquisition::systemDevices());
    if (present.isEmpty()) {
        EXPECT_TRUE(box.contains(QStringLiteral("Aucun port série"))) << box.toStdString();
    }
    for (const SerialDevice& d : present)
        EXPECT_TRUE(box.contains(acquisition::caption(d))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("Comport")));
    EXPECT_FALSE(acquisition::recallPort()) << "opening COM1 by itself is no choice of the user's";
}

TEST_F(Comport, AKeyWhoseByteCannotGoOutIsReported)
{
    auto line = std::make_unique<Pty>();
    qputenv("VANTOR_COM3", line->path().toLocal8Bit());
    w->com3_Click();
    ASSERT_TRUE(w->MSComm1->PortOpen());
    w->CmdClav(7)->click();
    line.reset(); // unplugged before the byte went out
    ASSERT_TRUE(waitFor([&] { return !dialogs.warnings.isEmpty(); }));
    EXPECT_TRUE(dialogs.warnings.first().startsWith(QStringLiteral("La touche")));
    EXPECT_EQ(comport(), QStringLiteral("COM3 erreur"));
}

// Remembered, absent at start, then back but held by another program: no box at start nor at
// each try, and opened and read once it is free.
TEST_F(Comport, ADeviceBackButBusyIsRetriedWithoutABox)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("carte"));
    acquisition::rememberPort({0, {"carte", {}, link, {}, {}}});
    restart();
    EXPECT_EQ(comport(), QStringLiteral("carte erreur"));
    ASSERT_TRUE(QFile::link(adapter.path(), link));
    auto holder = std::make_unique<QSerialPort>(link); // taken before the program looks again
    ASSERT_TRUE(holder->open(QIODevice::ReadWrite));
    ASSERT_TRUE(waitFor([&] { return w->MSComm1->refusedAsBusy(); }, 3000)) << "it was tried";
    EXPECT_EQ(comport(), QStringLiteral("carte erreur"));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
    holder.reset();
    ASSERT_TRUE(waitFor([&] { return w->MSComm1->PortOpen(); }, 3000));
    EXPECT_EQ(comport(), QStringLiteral("carte"));
    adapter.write(onWire(frameText(FrameFields())));
    EXPECT_TRUE(waitFor([&] { return status() == QStringLiteral("Rx OK"); }));
    EXPECT_TRUE(dialogs.warnings.isEmpty());
}
