// Each (state, event) of the port's life: one next state and panel text, a box only on request.
#include "acquisition/PortLife.h"
#include "support/Pty.h"

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
    };
    const Row rows[] = {
        {"busy when chosen", S::Waiting, Busy, Choose, S::Waiting, "carte erreur", true},
        {"chosen while waiting, still gone", S::Waiting, Gone, Choose, S::Waiting, "carte erreur", true},
        {"kept, absent at start: no box", S::Closed, Gone, Start, S::Waiting, "carte erreur", false},
    };
    testing_support::Pty board;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("carte"));
        const PortChoice carte{0, {QStringLiteral("carte"), {}, path, {}, {}}};
        QSerialPort other(path); // another program's
        const auto place = [&](Device d) {
            other.close();
            QFile::remove(path);
            if (d != Gone) QFile::link(board.path(), path);
            if (d == Busy) other.open(QIODevice::ReadWrite);
        };
        SerialLink link;
        PortLife life(link);
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
    }
}
