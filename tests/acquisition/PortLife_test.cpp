// Each (state, event) of the port's life: one next state and panel text, a box only on request.
#include "acquisition/PortLife.h"
#include "support/Pty.h"
#include "support/Wait.h"

#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace acquisition;
using S = PortLife::State;

TEST(PortLife, EachStateAndEvent)
{
    enum Device { Here, Gone, Busy };
    enum Event { Choose, Start };
    struct Row
    {
        const char* why;
        S from;
        Device device; // at the event
        Event event;
        S to;
        const char* panel;
        bool box;
        // A USB adapter without a serial number, found only in the device list: its name once the
        // other program let go of it, and its socket then; it is taken in its own socket only.
        const char* then = nullptr;
        int socket = 1;
    };
    const Row rows[] = {
        {"busy when chosen", S::Waiting, Busy, Choose, S::Waiting, "carte erreur", true},
        {"chosen while waiting, still gone", S::Waiting, Gone, Choose, S::Waiting, "carte erreur", true},
        {"kept, absent at start: no box", S::Closed, Gone, Start, S::Waiting, "carte erreur", false},
        {"adapter busy, let go", S::Closed, Busy, Choose, S::Waiting, "ttyUSB0 erreur", true, "ttyUSB0"},
        {"kept, busy at start", S::Closed, Busy, Start, S::Waiting, "ttyUSB0 erreur", true, "ttyUSB0"},
        {"busy, back renamed", S::Closed, Busy, Choose, S::Waiting, "ttyUSB0 erreur", true, "ttyUSB1"},
        {"busy, moved", S::Closed, Busy, Choose, S::Waiting, "ttyUSB0 erreur", true, "ttyUSB1", 2},
        {"its make, its socket", S::Closed, Gone, Start, S::Waiting, "ttyUSB0 erreur", false, "ttyUSB3"},
    };
    testing_support::Pty board;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        QTemporaryDir dir;
        const QString name = QString::fromLatin1(r.then ? "ttyUSB0" : "carte"), path = dir.filePath(name);
        const auto adapter = [&](const QString& n, int socket) {
            const QString at =
                QStringLiteral("/dev/serial/by-path/pci-0000:00:14.0-usb-0:%1:1.0").arg(socket);
            return SerialDevice{n, {}, dir.filePath(n), {}, UsbIdentity{0x1a86, 0x7523, {}}, at};
        };
        const PortChoice carte{0, r.then ? adapter(name, 1) : SerialDevice{name, {}, path, {}, {}}};
        QList<SerialDevice> present;
        QSerialPort other(path); // another program's
        const auto place = [&](Device d) {
            other.close();
            QFile::remove(path);
            if (d != Gone) QFile::link(board.path(), path);
            if (d == Busy) other.open(QIODevice::ReadWrite);
            present = d != Gone && r.then ? QList{carte.device} : QList<SerialDevice>();
        };
        SerialLink link;
        PortLife life(link);
        int listed = 0;
        life.devices = [&] { return ++listed, present; };
        QStringList boxes;
        QObject::connect(&life, &PortLife::warning, [&](const QString& text) { boxes << text; });
        place(r.from == S::Open ? Here : Gone);
        if (r.from != S::Closed) life.open(carte);
        boxes.clear();
        place(r.device);
        if (r.event == Choose) life.choose(carte);
        if (r.event == Start) rememberPort(carte), life.start();
        EXPECT_EQ(life.state(), r.to);
        EXPECT_EQ(link.PortOpen(), r.to == S::Open);
        EXPECT_EQ(life.panel(), QString::fromLatin1(r.panel));
        EXPECT_EQ(boxes.size(), r.box ? 1 : 0);
        EXPECT_EQ(life.reason().contains(QStringLiteral("Un autre programme")), r.device == Busy);
        if (!r.then) continue;
        const int before = listed;
        other.close();
        const QString then = QString::fromLatin1(r.then);
        if (then != name) {
            QFile::remove(path);
            QFile::link(board.path(), dir.filePath(then));
            present = {adapter(then, r.socket)};
        }
        const bool taken = r.socket == 1;
        EXPECT_TRUE(
            testing_support::waitFor([&] { return taken ? link.PortOpen() : listed >= before + 2; }, 5000));
        EXPECT_EQ(life.panel(), taken ? then : QStringLiteral("ttyUSB0 erreur"));
    }
}
