#include "support/Bmp.h"
#include "support/FakeDialogs.h"
#include "support/Files.h"
#include "ui/Sauvegarde.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

using testing_support::contents;
using testing_support::FakeDialogs;
using testing_support::writeFile;
using ui::Answer;

const QString kTitle = QStringLiteral("Enregistre le trac\u00e9");
const QString kFilter = QStringLiteral("Fichiers BMP (*.bmp)|*.bmp|Donn\u00e9es CSV (*.csv)|*.csv|"
                                       "Image PNG (*.png)|*.png|Tous les fichiers (*.*)|*.*");
const QString kWarningStart = QStringLiteral("Impossible d'enregistrer l'image : ");

// Every entry below root, so a test sees any file left behind, temporary ones included.
QStringList entries(const QString& root)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

// Odd width, so the rows of a 24-bit file need padding.
QImage testPicture(int seed = 0)
{
    QImage picture(37, 23, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y,
                             qRgb((x * 7 + seed) & 255, (y * 11 + seed) & 255, (x * y + 3 * seed) & 255));
    return picture;
}

::testing::AssertionResult holdsPicture(const QString& path, const QImage& expected)
{
    const QByteArray data = contents(path);
    if (!data.startsWith("BM"))
        return ::testing::AssertionFailure() << path.toStdString() << " does not start with BM";
    const std::optional<testing_support::Bitmap> bitmap = testing_support::decodeBmp(data);
    if (!bitmap)
        return ::testing::AssertionFailure() << path.toStdString() << " is not a BMP this test can read";
    if (bitmap->width != expected.width() || bitmap->height != expected.height())
        return ::testing::AssertionFailure() << "size " << bitmap->width << "x" << bitmap->height;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            if (bitmap->pixels[size_t(y) * bitmap->width + x] != (expected.pixel(x, y) | 0xff000000))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

// The picture for a BMP; the PNG and the CSV get contents of their own, to tell them apart.
Sauvegarde::Contenus contenus(const std::function<QImage()>& picture)
{
    return {picture, [] { return testPicture(55); }, [] { return QByteArray("Vantor LCD;trame;1\n"); }};
}

void save(FakeDialogs& dialogs, const std::function<QImage()>& picture, int& ret)
{
    const size_t names = dialogs.fileNames.size(), answers = dialogs.answers.size();
    Sauvegarde::SauveImage(nullptr, dialogs, contenus(picture), ret);
    EXPECT_EQ(dialogs.saveRequests.size(), names) << "save dialogs shown and scripted";
    EXPECT_EQ(size_t(dialogs.questions.size()), answers) << "questions asked and scripted";
}

void expectDialogSettingsEveryTime(const FakeDialogs& dialogs)
{
    for (const auto& request : dialogs.saveRequests) {
        EXPECT_EQ(request.title, kTitle);
        EXPECT_EQ(request.filter, kFilter);
        EXPECT_EQ(request.fileName, QStringLiteral("image.bmp"));
    }
}

QString replaceQuestion(const QString& path)
{
    return QStringLiteral("Replacer le fichier existant - ") + path + QStringLiteral(" ?");
}

class SauveImageTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return folder.filePath(name); }

    void save()
    {
        ::save(dialogs, [&] { return picture; }, ret);
        expectDialogSettingsEveryTime(dialogs);
    }

    QTemporaryDir folder;
    FakeDialogs dialogs;
    QImage picture = testPicture();
    int ret = 99;
};

TEST_F(SauveImageTest, NewNameIsWrittenWithoutQuestion)
{
    dialogs.fileNames = {path("trace.bmp")};
    save();
    EXPECT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(dialogs.warnings.empty());
    EXPECT_EQ(ret, 0);
    EXPECT_TRUE(holdsPicture(path("trace.bmp"), picture));
    EXPECT_EQ(entries(folder.path()), QStringList{"trace.bmp"});
}

TEST_F(SauveImageTest, CancelInTheDialogSavesNothingAndSaysNothing)
{
    dialogs.fileNames = {std::nullopt};
    save();
    EXPECT_TRUE(dialogs.questions.empty());
    EXPECT_TRUE(dialogs.warnings.empty());
    EXPECT_EQ(ret, 99) << "no lookup happened, so Ret keeps its last value";
    EXPECT_TRUE(entries(folder.path()).isEmpty());
}

TEST(SauveImage, AnswersToTheReplaceQuestion)
{
    const QByteArray old = "old file, not a picture";
    struct Case
    {
        const char* reason;
        std::vector<const char*> names; // nullptr: Cancel in the dialog
        std::deque<Answer> answers;
        bool replaced;
        int ret;
    };
    const Case cases[] = {
        {"Yes replaces the old file with the picture", {"trace.bmp"}, {Answer::Yes}, true, 9},
        {"No keeps it and offers the dialog again; Cancel there ends",
         {"trace.bmp", nullptr},
         {Answer::No},
         false,
         9},
        {"Cancel offers the dialog again; Cancel there ends silently",
         {"trace.bmp", nullptr},
         {Answer::Cancel},
         false,
         9},
        {"No, then a new name saves under the new name only",
         {"trace.bmp", "other.bmp"},
         {Answer::No},
         false,
         0},
        {"Cancel, then Yes on the second try replaces",
         {"trace.bmp", "trace.bmp"},
         {Answer::Cancel, Answer::Yes},
         true,
         9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        QTemporaryDir folder;
        const QString existing = folder.filePath("trace.bmp");
        writeFile(existing, old);
        FakeDialogs dialogs;
        for (const char* name : c.names)
            dialogs.fileNames.push_back(name ? std::optional(folder.filePath(name)) : std::nullopt);
        dialogs.answers = c.answers;
        const QImage picture = testPicture();
        int ret = -1;

        save(dialogs, [&] { return picture; }, ret);

        expectDialogSettingsEveryTime(dialogs);
        EXPECT_EQ(dialogs.saveRequests.size(), c.names.size());
        EXPECT_TRUE(dialogs.fileNames.empty() && dialogs.answers.empty()) << "script not played to the end";
        EXPECT_EQ(dialogs.questions, QStringList(qsizetype(c.answers.size()), replaceQuestion(existing)));
        EXPECT_TRUE(dialogs.warnings.empty());
        EXPECT_EQ(ret, c.ret);
        if (c.replaced) {
            EXPECT_TRUE(holdsPicture(existing, picture));
        } else {
            EXPECT_EQ(contents(existing), old);
        }
        const bool newName = c.names.back() && QByteArray(c.names.back()) == "other.bmp";
        if (newName) {
            EXPECT_TRUE(holdsPicture(folder.filePath("other.bmp"), picture));
        }
        EXPECT_EQ(entries(folder.path()).size(), newName ? 2 : 1) << "no temporary file left behind";
    }
}

TEST_F(SauveImageTest, QuestionJoinsItsTextsAndTheFullPath)
{
    const QString existing = path("mes essais/image.bmp");
    ASSERT_TRUE(QDir(folder.path()).mkdir("mes essais"));
    writeFile(existing, "x");
    dialogs.fileNames = {existing, std::nullopt};
    dialogs.answers = {Answer::Cancel};
    save();
    ASSERT_EQ(dialogs.questions.size(), 1u);
    EXPECT_EQ(dialogs.questions[0], QStringLiteral("Replacer le fichier existant - ") + folder.path() +
                                        QStringLiteral("/mes essais/image.bmp ?"));
}

TEST_F(SauveImageTest, PictureIsReadWhenWrittenNotWhenTheDialogOpened)
{
    // The display goes on drawing frames while the question is up.
    writeFile(path("trace.bmp"), "old");
    dialogs.fileNames = {path("trace.bmp")};
    dialogs.answers = {Answer::Yes};
    const QImage redrawn = testPicture(101);
    dialogs.whileAsking = [&] { picture = redrawn; };
    save();
    EXPECT_TRUE(holdsPicture(path("trace.bmp"), redrawn));
}

TEST_F(SauveImageTest, ReadOnlyExistingFileIsLeftAloneWithAWarning)
{
    const QString existing = path("trace.bmp");
    writeFile(existing, "protected");
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(existing, readOnly));
    dialogs.fileNames = {existing};
    dialogs.answers = {Answer::Yes};
    save();
    ASSERT_EQ(dialogs.warnings.size(), 1u);
    EXPECT_TRUE(dialogs.warnings[0].startsWith(kWarningStart));
    EXPECT_GT(dialogs.warnings[0].size(), kWarningStart.size()) << "the description is missing";
    EXPECT_EQ(contents(existing), "protected");
    // The *User flags say what the running user may do, not what the file says.
    const QFileDevice::Permissions modeBits(0x7077);
    EXPECT_EQ(QFile::permissions(existing) & modeBits, readOnly);
    EXPECT_EQ(entries(folder.path()), QStringList{"trace.bmp"});
    QFile::setPermissions(existing, readOnly | QFileDevice::WriteOwner);
}

TEST(SauveImage, PlacesThatCannotBeWrittenGiveAWarningAndWriteNothing)
{
    struct Case
    {
        const char* reason;
        const char* name;
    };
    // These fail whoever runs the test, root included.
    const Case cases[] = {
        {"the folder part of the name is a regular file", "notes.txt/image.bmp"},
        {"the folder does not exist", "missing/image.bmp"},
        {"the name is a folder (not a normal file, so no question)", "captures"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        QTemporaryDir folder;
        writeFile(folder.filePath("notes.txt"), "notes");
        ASSERT_TRUE(QDir(folder.path()).mkdir("captures"));
        const QStringList before = entries(folder.path());
        FakeDialogs dialogs;
        dialogs.fileNames = {folder.filePath(c.name)};
        int ret = -1;

        save(dialogs, [] { return testPicture(); }, ret);

        EXPECT_EQ(ret, 0);
        EXPECT_TRUE(dialogs.questions.empty());
        ASSERT_EQ(dialogs.warnings.size(), 1u);
        EXPECT_TRUE(dialogs.warnings[0].startsWith(kWarningStart));
        EXPECT_GT(dialogs.warnings[0].size(), kWarningStart.size()) << "the description is missing";
        EXPECT_EQ(entries(folder.path()), before);
        EXPECT_EQ(contents(folder.filePath("notes.txt")), "notes");
    }
}

TEST_F(SauveImageTest, FailedWriteLeavesTheOldFileAsItWas)
{
    // A picture the writer refuses stands for any failure after the old file was accepted
    // for replacing: the new data goes beside it, so nothing is lost.
    writeFile(path("trace.bmp"), "old");
    dialogs.fileNames = {path("trace.bmp")};
    dialogs.answers = {Answer::Yes};
    picture = QImage();
    save();
    ASSERT_EQ(dialogs.warnings.size(), 1u);
    EXPECT_GT(dialogs.warnings[0].size(), kWarningStart.size()) << "the description is missing";
    EXPECT_EQ(contents(path("trace.bmp")), "old");
    EXPECT_EQ(entries(folder.path()), QStringList{"trace.bmp"});
}

TEST(SauveImage, FolderWithoutWritePermission)
{
    QTemporaryDir root;
    const QString locked = root.filePath("locked");
    ASSERT_TRUE(QDir(root.path()).mkdir("locked"));
    writeFile(locked + "/trace.bmp", "old");
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const auto unlock = qScopeGuard([&] { QFile::setPermissions(locked, QFile::permissions(root.path())); });
    {
        QFile probe(locked + "/probe");
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            GTEST_SKIP()
                << "permission bits do not stop this user (root?): the locked-folder cases cannot be shown";
        }
    }
    struct Case
    {
        const char* reason;
        const char* name;
        std::deque<Answer> answers;
    };
    const Case cases[] = {
        {"a new name cannot be created", "image.bmp", {}},
        {"an existing file cannot be replaced after Yes", "trace.bmp", {Answer::Yes}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        FakeDialogs dialogs;
        dialogs.fileNames = {locked + "/" + c.name};
        dialogs.answers = c.answers;
        int ret = -1;
        save(dialogs, [] { return testPicture(); }, ret);
        ASSERT_EQ(dialogs.warnings.size(), 1u);
        EXPECT_TRUE(dialogs.warnings[0].startsWith(kWarningStart));
        EXPECT_EQ(entries(locked), QStringList{"trace.bmp"});
        EXPECT_EQ(contents(locked + "/trace.bmp"), "old");
    }
}

TEST(SauveImage, FileIsBmpWhateverTheNameSays)
{
    const char* const names[] = {
        "image",       // no extension: used as typed, none added
        "trace.jpg",   // another picture type's extension
        "CAPTURE.BMP", // upper case
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        QTemporaryDir folder;
        FakeDialogs dialogs;
        dialogs.fileNames = {folder.filePath(name)};
        const QImage picture = testPicture(7);
        int ret = -1;
        save(dialogs, [&] { return picture; }, ret);
        EXPECT_TRUE(dialogs.warnings.empty());
        EXPECT_EQ(entries(folder.path()), QStringList{name});
        EXPECT_TRUE(holdsPicture(folder.filePath(name), picture));
    }
}

TEST(SauveImage, KindFollowsTheExtensionThenTheFilter)
{
    enum Filter { Bmp, Csv, Png, All };
    struct Case
    {
        const char* name;
        Filter filter;
        Sauvegarde::Genre written;
    };
    using G = Sauvegarde::Genre;
    const Case cases[] = {
        {"trace", Bmp, G::Bmp},     {"trace", All, G::Bmp},     {"trace", Csv, G::Csv},
        {"trace", Png, G::Png},     {"trace.jpg", Csv, G::Csv}, {"trace.jpg", All, G::Bmp},
        {"trace.CSV", Bmp, G::Csv}, {"trace.csv", All, G::Csv}, {"trace.Png", Csv, G::Png},
        {"trace.png", Bmp, G::Png}, {"trace.bmp", Csv, G::Bmp}, {"trace.BMP", Png, G::Bmp},
        {"csv.tar", Png, G::Png},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " under filter " + std::to_string(c.filter));
        QTemporaryDir folder;
        FakeDialogs dialogs;
        dialogs.fileNames = {folder.filePath(c.name)};
        dialogs.filters = {c.filter};
        const Sauvegarde::Contenus written = contenus([] { return testPicture(3); });
        int ret = -1;
        Sauvegarde::SauveImage(nullptr, dialogs, written, ret);
        EXPECT_TRUE(dialogs.warnings.empty());
        EXPECT_EQ(entries(folder.path()), QStringList{c.name}) << "the name as typed, nothing added";
        const QString path = folder.filePath(c.name);
        switch (c.written) {
        case G::Bmp:
            EXPECT_TRUE(holdsPicture(path, written.image()));
            break;
        case G::Png:
            EXPECT_TRUE(contents(path).startsWith("\x89PNG"));
            EXPECT_EQ(QImage(path, "PNG").convertToFormat(QImage::Format_RGB32), written.ecran());
            break;
        case G::Csv:
            EXPECT_EQ(contents(path), written.donnees());
            break;
        }
    }
}

} // namespace
