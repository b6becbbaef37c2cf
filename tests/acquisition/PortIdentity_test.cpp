// The port chosen last, as kept between runs, and the device a lost port waits for: the same
// one by its identity, never another.
#include "acquisition/PortMemory.h"
#include "acquisition/PortWait.h"
#include "support/Files.h"
#include "support/Wait.h"

#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace acquisition;

namespace {

SerialDevice adapter(const char* location, const char* byId, std::optional<UsbIdentity> usb,
                     const char* byPath = "")
{
    return {QString::fromLatin1(location).section(QLatin1Char('/'), -1),
            {},
            QString::fromLatin1(location),
            QString::fromLatin1(byId),
            usb,
            QString::fromLatin1(byPath)};
}

const UsbIdentity kFtdiA{0x0403, 0x6001, QStringLiteral("A10K1")};
const UsbIdentity kFtdiB{0x0403, 0x6001, QStringLiteral("B77Q2")};
const UsbIdentity kCh340{0x1a86, 0x7523, {}};
const UsbIdentity kOtherMake{0x067b, 0x2303, {}};
const char* const kSocket1 = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:1:1.0-port0";
const char* const kSocket1Revision = "/dev/serial/by-path/pci-0000:00:14.0-usbv2-0:1:1.0-port0";
const char* const kSocket2 = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";

TEST(SameDevice, ByIdentityNeverAnyDevice)
{
    struct Case
    {
        const char* why;
        SerialDevice wanted, candidate;
        bool same;
    };
    const Case cases[] = {
        {"same serial number under another ttyUSBn", adapter("/dev/ttyUSB0", "", kFtdiA),
         adapter("/dev/ttyUSB1", "", kFtdiA), true},
        {"same make, another serial, at the old path", adapter("/dev/ttyUSB0", "", kFtdiA),
         adapter("/dev/ttyUSB0", "", kFtdiB), false},
        {"the system's by-id link names it", adapter("/dev/ttyUSB0", "/dev/serial/by-id/usb-x", kFtdiA),
         adapter("/dev/ttyUSB2", "/dev/serial/by-id/usb-x", std::nullopt), true},
        {"no serial number: the by-id link is every adapter of the make",
         adapter("/dev/ttyUSB0", "/dev/serial/by-id/usb-1a86", kCh340, kSocket1),
         adapter("/dev/ttyUSB0", "/dev/serial/by-id/usb-1a86", kCh340, kSocket2), false},
        {"no serial number: its socket, any name or link", adapter("/dev/ttyUSB0", "", kCh340, kSocket1),
         adapter("/dev/ttyUSB1", "", kCh340, kSocket1Revision), true},
        {"socket not kept (an older file): its path and make", adapter("/dev/ttyUSB0", "", kCh340),
         adapter("/dev/ttyUSB0", "", kCh340, kSocket2), true},
        {"no serial number: not under another path", adapter("/dev/ttyUSB0", "", kCh340),
         adapter("/dev/ttyUSB1", "", kCh340), false},
        {"no serial number: another make at the path", adapter("/dev/ttyUSB0", "", kCh340),
         adapter("/dev/ttyUSB0", "", kOtherMake), false},
        {"no identity: the same path only", adapter("/tmp/board", "", std::nullopt),
         adapter("/tmp/board", "", std::nullopt), true},
        {"no identity: another path is another device", adapter("/dev/ttyACM0", "", std::nullopt),
         adapter("/dev/ttyACM1", "", std::nullopt), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sameDevice(c.wanted, c.candidate), c.same) << c.why;
}

QString settingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("vantorlcd"),
                     QStringLiteral("vantorlcd"))
        .fileName();
}

TEST(PortMemory, KeepsTheLastChoiceAndNothingElse)
{
    EXPECT_FALSE(recallPort()) << "a fresh user";
    rememberPort(
        {0, adapter("/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A10K1-if00-port0", kFtdiA, kSocket1)});
    std::optional<PortChoice> kept = recallPort();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->commPort, 0);
    EXPECT_EQ(kept->device.name, QStringLiteral("ttyUSB0"));
    EXPECT_EQ(kept->device.location, QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(kept->device.byId, QStringLiteral("/dev/serial/by-id/usb-FTDI_A10K1-if00-port0"));
    EXPECT_EQ(kept->device.byPath, QString::fromLatin1(kSocket1));
    EXPECT_EQ(kept->device.usb, kFtdiA);

    rememberPort({3, {}});
    kept = recallPort();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->commPort, 3);
    ASSERT_TRUE(QFile::exists(settingsFile()));
    EXPECT_FALSE(testing_support::contents(settingsFile()).contains("ttyUSB0"))
        << "the device chosen before is forgotten";
}

TEST(PortMemory, AStrangeFileIsAFreshStart)
{
    using testing_support::writeFile;
    const char* files[] = {
        "[port]\ncom=7\n",
        "[port]\ncom=two\n",
        "[port]\npath=ttyUSB0\n",
        "[port]\npath=/dev/ttyUSB0\nvendorId=70000\nproductId=1\n",
        "[port]\npath=/dev/ttyUSB0\nvendorId=1027\n",
        "[port]\npath=/dev/ttyUSB0\nserialNumber=A10K1\n",
        "[port]\npath=/dev/ttyUSB0, /dev/ttyUSB1\n",
        "[port]\npath=/dev/ttyUSB0\nbyPath=usb-0:1:1.0-port0\n",
        "\x01\xff\xfe[[[\n=\n",
    };
    ASSERT_TRUE(QDir().mkpath(QFileInfo(settingsFile()).path()));
    for (const char* text : files) {
        writeFile(settingsFile(), text);
        EXPECT_FALSE(recallPort()) << text;
    }
}

TEST(PortWait, FindsTheSamePathWhenItComesBackAndLooksNoMore)
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("board"));
    PortWait wait;
    int listed = 0;
    wait.lister = [&] {
        ++listed;
        return QList<SerialDevice>();
    };
    QSignalSpy found(&wait, &PortWait::found);
    wait.start({0, adapter(link.toLocal8Bit().constData(), "", std::nullopt)});
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), link));
    ASSERT_TRUE(testing_support::waitFor([&] { return !found.isEmpty(); }, 3000));
    EXPECT_EQ(found.first().first().value<PortChoice>().device.location, link);
    EXPECT_EQ(listed, 0) << "a device known by its path is looked for with a stat, not a listing";
    wait.stop();
    EXPECT_FALSE(wait.waiting());
}

TEST(PortWait, AnAdapterIsFoundByItsSerialUnderItsNewName)
{
    PortWait wait;
    QList<SerialDevice> present = {adapter("/dev/ttyUSB0", "", kFtdiB)};
    wait.lister = [&] { return present; };
    const PortChoice wanted{0, adapter("/dev/ttyUSB0", "/nonexistent/by-id/usb-A10K1", kFtdiA)};
    EXPECT_FALSE(wait.locate(wanted)) << "another adapter of the same make took its name";
    present.append(adapter("/dev/ttyUSB1", "", kFtdiA));
    const std::optional<PortChoice> at = wait.locate(wanted);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->device.location, QStringLiteral("/dev/ttyUSB1"));
    EXPECT_EQ(at->device.name, QStringLiteral("ttyUSB1"));
    EXPECT_EQ(at->device.usb, kFtdiA) << "still waited for by its identity if lost again";
}

} // namespace
