#include "ui/Dialogs.h"
#include "ui/Sauvegarde.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

using ui::Answer;

const QString kTitle = QStringLiteral("Enregistre le trac\u00e9");
const QString kFilter = QStringLiteral("Fichiers BMP (*.bmp)|*.bmp|Tous les fichiers (*.*)|*.*");
const QString kWarningStart = QStringLiteral("Impossible d'enregistrer l'image : ");

// Plays the user: answers from a script, and keeps every box and dialog it was shown.
class ScriptedDialogs final : public ui::Dialogs
{
public:
    struct SaveRequest
    {
        QString title;
        QString filter;
        QString fileName;
    };

    std::deque<std::optional<QString>> fileNames; // nullopt: Cancel in the save dialog
    std::deque<Answer> answers;
    std::function<void()> whileAsking;

    std::vector<SaveRequest> saveRequests;
    std::vector<QString> questions;
    std::vector<QString> warnings;

    void warning(QWidget*, const QString& text) override { warnings.push_back(text); }

    Answer question(QWidget*, const QString& text) override
    {
        questions.push_back(text);
        if (whileAsking) whileAsking();
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text.toStdString();
            return Answer::Cancel;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::optional<QString> saveFileName(QWidget*, const QString& title, const QString& filter,
                                        const QString& fileName) override
    {
        saveRequests.push_back({title, filter, fileName});
        if (fileNames.empty()) {
            ADD_FAILURE() << "save dialog shown once too often";
            return std::nullopt;
        }
        const std::optional<QString> name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

// Decodes a 24- or 32-bit BMP file by its headers and rows, independently of Qt's reader.
struct Bitmap
{
    int width = 0;
    int height = 0;
    std::vector<QRgb> pixels;
};

std::optional<Bitmap> decodeBmp(const QByteArray& file)
{
    const auto byte = [&file](qsizetype at) { return quint32(quint8(file.at(at))); };
    const auto u16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
    const auto u32 = [&](qsizetype at) { return u16(at) | u16(at + 2) << 16; };
    if (file.size() < 54 || !file.startsWith("BM") || u32(2) != quint32(file.size())) return std::nullopt;
    const quint32 pixelsAt = u32(10);
    const int width = qint32(u32(18));
    const int signedHeight = qint32(u32(22));
    const int bits = int(u16(28));
    const quint32 compression = u32(30);
    const bool bitFields = compression == 3 && bits == 32;
    if (u32(14) < 40 || u16(26) != 1 || width <= 0 || signedHeight == 0 || (bits != 24 && bits != 32) ||
        (compression != 0 && !bitFields))
        return std::nullopt;
    const quint32 red = bitFields ? u32(54) : 0xff0000;
    const quint32 green = bitFields ? u32(58) : 0xff00;
    const quint32 blue = bitFields ? u32(62) : 0xff;
    const auto channel = [](quint32 value, quint32 mask) {
        if (mask == 0) return 0;
        int shift = 0;
        while (!(mask & 1u << shift))
            ++shift;
        return int((value & mask) >> shift);
    };

    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = std::abs(signedHeight);
    const qsizetype stride = ((qsizetype(width) * bits + 31) / 32) * 4;
    if (qsizetype(pixelsAt) + stride * bitmap.height > file.size()) return std::nullopt;
    for (int y = 0; y < bitmap.height; ++y) {
        // Rows are stored bottom-up unless the height is negative.
        const qsizetype row = pixelsAt + stride * (signedHeight > 0 ? bitmap.height - 1 - y : y);
        for (int x = 0; x < width; ++x) {
            const qsizetype at = row + qsizetype(x) * bits / 8;
            const quint32 value = bits == 24 ? byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 : u32(at);
            bitmap.pixels.push_back(qRgb(channel(value, red), channel(value, green), channel(value, blue)));
        }
    }
    return bitmap;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

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
    const std::optional<Bitmap> bitmap = decodeBmp(data);
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

void expectDialogSettingsEveryTime(const ScriptedDialogs& dialogs)
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
        Sauvegarde::SauveImage(nullptr, dialogs, [&] { return picture; }, ret);
        expectDialogSettingsEveryTime(dialogs);
    }

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
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
        ScriptedDialogs dialogs;
        for (const char* name : c.names)
            dialogs.fileNames.push_back(name ? std::optional(folder.filePath(name)) : std::nullopt);
        dialogs.answers = c.answers;
        const QImage picture = testPicture();
        int ret = -1;

        Sauvegarde::SauveImage(nullptr, dialogs, [&] { return picture; }, ret);

        expectDialogSettingsEveryTime(dialogs);
        EXPECT_EQ(dialogs.saveRequests.size(), c.names.size());
        EXPECT_TRUE(dialogs.fileNames.empty() && dialogs.answers.empty()) << "script not played to the end";
        EXPECT_EQ(dialogs.questions, std::vector<QString>(c.answers.size(), replaceQuestion(existing)));
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
        ScriptedDialogs dialogs;
        dialogs.fileNames = {folder.filePath(c.name)};
        int ret = -1;

        Sauvegarde::SauveImage(nullptr, dialogs, [] { return testPicture(); }, ret);

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
        ScriptedDialogs dialogs;
        dialogs.fileNames = {locked + "/" + c.name};
        dialogs.answers = c.answers;
        int ret = -1;
        Sauvegarde::SauveImage(nullptr, dialogs, [] { return testPicture(); }, ret);
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
        "scope.png",
    };
    for (const char* name : names) {
        SCOPED_TRACE(name);
        QTemporaryDir folder;
        ScriptedDialogs dialogs;
        dialogs.fileNames = {folder.filePath(name)};
        const QImage picture = testPicture(7);
        int ret = -1;
        Sauvegarde::SauveImage(nullptr, dialogs, [&] { return picture; }, ret);
        EXPECT_TRUE(dialogs.warnings.empty());
        EXPECT_EQ(entries(folder.path()), QStringList{name});
        EXPECT_TRUE(holdsPicture(folder.filePath(name), picture));
    }
}

} // namespace
