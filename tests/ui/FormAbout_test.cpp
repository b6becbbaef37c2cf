#include "ui/Artwork.h"
#include "ui/FormAbout.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const char* const kPictures[] = {"Image1", "Image2", "Image3", "Picture1"};
const char* const kLabels[] = {"LabelAbout(0)", "LabelAbout(1)", "LabelAbout(2)", "LabelAbout(3)"};

QLabel* child(const QWidget& window, const char* name)
{
    return window.findChild<QLabel*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

// Deletion on close goes through the event loop.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(FormAbout, IsAFixedTopLevelWindowWithACloseBoxOnly)
{
    const auto about = std::make_unique<FormAbout>();
    EXPECT_EQ(about->objectName(), QStringLiteral("FormAbout"));
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
    EXPECT_TRUE(about->isWindow());
    EXPECT_EQ(about->parentWidget(), nullptr);
    EXPECT_EQ(about->size(), QSize(406, 291));
    EXPECT_EQ(about->minimumSize(), about->maximumSize()) << "the frame must not be resizable";
    const Qt::WindowFlags flags = about->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(about->testAttribute(Qt::WA_SetWindowIcon)) << "no icon of its own";
    EXPECT_TRUE(about->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(about->testAttribute(Qt::WA_QuitOnClose)) << "closing the main window must end the program";
}

TEST(FormAbout, ControlsSitWhereTheirTwipsSay)
{
    struct Case
    {
        const char* name;
        QRect pixels;     // twips / 15
        const char* text; // nullptr for pictures
    };
    const Case cases[] = {
        {"Image1", {8, 8, 128, 64}, nullptr},
        {"Image2", {32, 112, 128, 64}, nullptr},
        {"Image3", {64, 216, 128, 64}, nullptr},
        {"Picture1", {200, 8, 201, 273}, nullptr},
        {"LabelAbout(0)", {0, 72, 193, 17}, "Oscilloscope num\u00e9rique"},
        {"LabelAbout(2)", {0, 88, 193, 17}, "Max114-PIC16F877"},
        {"LabelAbout(1)", {8, 184, 193, 17}, nullptr},
        {"LabelAbout(3)", {0, 200, 193, 17}, nullptr},
    };
    const FormAbout about;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QLabel* control = child(about, c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), c.pixels);
        EXPECT_FALSE(control->accessibleName().isEmpty());
        if (c.text) {
            EXPECT_EQ(control->text(), QString::fromUtf8(c.text));
        }
    }
    for (const char* name : kLabels) {
        SCOPED_TRACE(name);
        const QLabel* label = child(about, name);
        ASSERT_NE(label, nullptr);
        EXPECT_FALSE(label->text().isEmpty());
        EXPECT_EQ(label->accessibleName(), label->text());
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        EXPECT_LE(label->sizeHint().width(), label->width()) << "text does not fit its label";
    }
}

TEST(FormAbout, PicturesHaveTheirSizesAndTheScreensOneBit)
{
    struct Case
    {
        const char* name;
        QImage image;
        QSize size;
        bool oneBit;
    };
    const Case cases[] = {
        {"Image1", Artwork::boardScreen(Artwork::BoardScreen::MainMenu), {128, 64}, true},
        {"Image2", Artwork::boardScreen(Artwork::BoardScreen::TimeBase), {128, 64}, true},
        {"Image3", Artwork::boardScreen(Artwork::BoardScreen::Trigger), {128, 64}, true},
        {"Picture1", Artwork::boardPicture(), {200, 271}, false},
    };
    const FormAbout about;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.image.size(), c.size);
        if (c.oneBit) {
            EXPECT_EQ(c.image.format(), QImage::Format_Mono);
            EXPECT_EQ(c.image.depth(), 1);
        } else {
            EXPECT_FALSE(c.image.allGray()) << "the board is a colour picture";
        }
        const QLabel* picture = child(about, c.name);
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->pixmap().size(), c.size) << "shown at 1:1";
    }
    EXPECT_NE(cases[0].image, cases[1].image);
    EXPECT_NE(cases[1].image, cases[2].image);
}

TEST(FormAbout, LeftClickOnAPictureHidesTheWindowWithoutDestroyingIt)
{
    for (const char* name : kPictures) {
        SCOPED_TRACE(name);
        QPointer<FormAbout> about = new FormAbout;
        const auto cleanup = qScopeGuard([&] { delete about.data(); });
        about->show();
        QLabel* picture = child(*about, name);
        ASSERT_NE(picture, nullptr);
        QTest::mouseClick(picture, Qt::LeftButton, {}, picture->rect().center());
        runDeferredDeletes();
        ASSERT_FALSE(about.isNull());
        EXPECT_TRUE(about->isHidden());
        about->show();
        EXPECT_TRUE(about->isVisible()) << "the same window shows again";
    }
}

TEST(FormAbout, OtherClicksLeaveTheWindowShown)
{
    struct Case
    {
        const char* reason;
        const char* name;
        Qt::MouseButton button;
    };
    const Case cases[] = {
        {"labels have no handler", "LabelAbout(0)", Qt::LeftButton},
        {"labels have no handler", "LabelAbout(1)", Qt::LeftButton},
        {"labels have no handler", "LabelAbout(2)", Qt::LeftButton},
        {"labels have no handler", "LabelAbout(3)", Qt::LeftButton},
        {"a click is the left button", "Picture1", Qt::RightButton},
    };
    FormAbout about;
    about.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QLabel* control = child(about, c.name);
        ASSERT_NE(control, nullptr);
        QTest::mouseClick(control, c.button, {}, control->rect().center());
        EXPECT_TRUE(about.isVisible()) << c.reason;
    }
    about.hide();
}

TEST(FormAbout, CloseBoxDestroysTheWindow)
{
    QPointer<FormAbout> about = new FormAbout;
    about->show();
    EXPECT_TRUE(about->close());
    runDeferredDeletes();
    EXPECT_TRUE(about.isNull());
    delete about.data();
}

TEST(Artwork, WindowIconHasA32PixelPicture)
{
    const QIcon icon = Artwork::windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    const QImage small = icon.pixmap(QSize(32, 32)).toImage();
    EXPECT_EQ(small.size(), QSize(32, 32));
    EXPECT_FALSE(small.allGray()) << "the trace is green";
}

} // namespace
