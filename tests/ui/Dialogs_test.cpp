#include "support/Modal.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <optional>

namespace {

using testing_support::onNextModal;
using ui::Answer;

const QString kQuestion = QStringLiteral("Replacer le fichier existant - /tmp/trace.bmp ?");
const QString kSaveTitle = QStringLiteral("Enregistre le trac\u00e9");
const QString kFilter = QStringLiteral("Fichiers BMP (*.bmp)|*.bmp|Tous les fichiers (*.*)|*.*");

QString buttonText(QMessageBox* box, QMessageBox::StandardButton which)
{
    QAbstractButton* button = box->button(which);
    return button ? button->text() : QStringLiteral("(none)");
}

// The toolkit's texts in the boxes and the save dialog, read while they were open: Yes, No,
// Cancel, the default button and OK of the boxes, then LookIn, FileName, FileType, Accept, Reject.
QStringList toolkitTexts()
{
    ui::QtDialogs dialogs;
    QStringList texts;
    onNextModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            for (const auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                texts << buttonText(box, which);
            texts << (box->defaultButton() ? box->defaultButton()->text() : QStringLiteral("(none)"));
        }
        modal->close();
    });
    dialogs.question(nullptr, kQuestion);
    onNextModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) texts << buttonText(box, QMessageBox::Ok);
        modal->close();
    });
    dialogs.warning(nullptr, QStringLiteral("COM1 erreur"));
    onNextModal([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            for (const auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                                     QFileDialog::Accept, QFileDialog::Reject})
                texts << dialog->labelText(label);
        }
        modal->close();
    });
    dialogs.saveFileName(nullptr, kSaveTitle, kFilter, QStringLiteral("image.bmp"));
    return texts;
}

// What the program controls is which catalogue the toolkit reads, not the catalogue's wording:
// with the program's set-up each text is the French catalogue's translation of the toolkit's
// own English, and without a catalogue it is that English.
TEST(QtDialogs, ToolkitTextsComeFromQtsFrenchCatalogueAndAreEnglishWithoutIt)
{
    struct Text
    {
        const char* context;
        const char* source;
        bool sameInFrench; // "OK" is French too
    };
    const Text expected[] = {
        {"QPlatformTheme", "&Yes", false},     {"QPlatformTheme", "&No", false},
        {"QPlatformTheme", "Cancel", false},   {"QPlatformTheme", "&Yes", false},
        {"QPlatformTheme", "OK", true},        {"QFileDialog", "Look in:", false},
        {"QFileDialog", "File &name:", false}, {"QFileDialog", "Files of type:", false},
        {"QFileDialog", "&Save", false},       {"QPlatformTheme", "Cancel", false},
    };
    const auto restore = qScopeGuard([] { ui::setUpApplication(*qApp); });
    QTemporaryDir empty;
    ui::setUpApplication(*qApp, empty.filePath(QStringLiteral("missing")));
    const QStringList english = toolkitTexts();
    ui::setUpApplication(*qApp);
    const QStringList french = toolkitTexts();
    ASSERT_EQ(english.size(), std::size(expected));
    ASSERT_EQ(french.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Text& t = expected[i];
        SCOPED_TRACE(t.source);
        EXPECT_EQ(english[i], QString::fromLatin1(t.source)) << "without the catalogue";
        EXPECT_EQ(french[i], QCoreApplication::translate(t.context, t.source)) << "the catalogue's own text";
        if (!t.sameInFrench) {
            EXPECT_NE(french[i], english[i]) << "the French catalogue is used";
        }
    }
}

// What a message box showed, read while it was open.
struct BoxSeen
{
    BoxSeen() = default;
    explicit BoxSeen(const QMessageBox& box)
        : title(box.windowTitle()), text(box.text()), icon(box.icon()), buttons(box.buttons().size())
    {}
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    qsizetype buttons = 0;
};

TEST(QtDialogs, QuestionBoxAnswersWithTheButtonPressed)
{
    struct Case
    {
        const char* reason;
        QMessageBox::StandardButton pressed; // NoButton: the Escape key
        Answer answer;
    };
    const Case cases[] = {
        {"Oui", QMessageBox::Yes, Answer::Yes},
        {"Non", QMessageBox::No, Answer::No},
        {"Annuler", QMessageBox::Cancel, Answer::Cancel},
        {"Escape", QMessageBox::NoButton, Answer::Cancel},
    };
    ui::QtDialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        BoxSeen seen;
        onNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) {
                modal->close();
                return;
            }
            seen = BoxSeen(*box);
            if (c.pressed == QMessageBox::NoButton) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else if (QAbstractButton* button = box->button(c.pressed)) {
                button->click();
            } else {
                box->close();
            }
        });
        EXPECT_EQ(dialogs.question(nullptr, kQuestion), c.answer);
        EXPECT_EQ(seen.title, ui::kProgramName);
        EXPECT_EQ(seen.text, kQuestion);
        EXPECT_EQ(seen.icon, QMessageBox::Question);
        EXPECT_EQ(seen.buttons, 3);
    }
}

TEST(QtDialogs, WarningBoxHasTheProgramNameAndOneButton)
{
    BoxSeen seen;
    onNextModal([&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) seen = BoxSeen(*box);
        modal->close();
    });
    ui::QtDialogs().warning(nullptr, QStringLiteral("Impossible d'enregistrer l'image : disque plein"));
    EXPECT_EQ(seen.title, ui::kProgramName);
    EXPECT_EQ(seen.text, QStringLiteral("Impossible d'enregistrer l'image : disque plein"));
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, 1);
}

// What a file dialog showed when it opened.
struct FileDialogSeen
{
    QString title, selectedFilter, name;
    QStringList filters;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
};

// Notes what the next file dialog shows, then lets `play` answer it; any other modal is closed.
void onNextFileDialog(FileDialogSeen& seen, const std::function<void(QFileDialog&)>& play)
{
    onNextModal([&seen, play](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) {
            modal->close();
            return;
        }
        seen = {dialog->windowTitle(), dialog->selectedNameFilter(),
                QFileInfo(dialog->selectedFiles().value(0)).fileName(), dialog->nameFilters(),
                dialog->fileMode()};
        play(*dialog);
    });
}

TEST(QtDialogs, SaveDialogOffersTheFiltersAndNameAndReturnsTheChoice)
{
    QTemporaryDir folder;
    const QString chosen = folder.filePath(QStringLiteral("trace.bmp"));
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "Enregistrer" : "Annuler");
        FileDialogSeen seen;
        onNextFileDialog(seen, [&](QFileDialog& dialog) {
            if (save) {
                dialog.selectNameFilter(QStringLiteral("Tous les fichiers (*.*)"));
                dialog.selectFile(chosen);
                // What the Save button does; QFileDialog hides accept() but keeps QDialog's.
                static_cast<QDialog&>(dialog).accept();
            } else {
                dialog.reject();
            }
        });
        const std::optional<ui::SaveChoice> result =
            ui::QtDialogs().saveFileName(nullptr, kSaveTitle, kFilter, QStringLiteral("image.bmp"));
        EXPECT_EQ(seen.title, kSaveTitle);
        EXPECT_EQ(seen.filters, QStringList({"Fichiers BMP (*.bmp)", "Tous les fichiers (*.*)"}));
        EXPECT_EQ(seen.selectedFilter, QStringLiteral("Fichiers BMP (*.bmp)"));
        EXPECT_EQ(seen.name, QStringLiteral("image.bmp"));
        EXPECT_EQ(result ? std::optional(result->path) : std::nullopt,
                  save ? std::optional(chosen) : std::nullopt);
        EXPECT_EQ(result ? result->filter : -1, save ? 1 : -1) << "the filter chosen, by its place";
    }
}

TEST(QtDialogs, OpenDialogOffersItsFiltersAndReturnsAnExistingFile)
{
    QTemporaryDir folder;
    const QString existing = folder.filePath(QStringLiteral("trame.csv"));
    ASSERT_TRUE(QFile(existing).open(QIODevice::WriteOnly));
    FileDialogSeen seen;
    onNextFileDialog(seen, [&](QFileDialog& dialog) {
        dialog.selectFile(existing);
        static_cast<QDialog&>(dialog).accept();
    });
    const std::optional<QString> result = ui::QtDialogs().openFileName(
        nullptr, QStringLiteral("Ouvre"),
        QStringLiteral("Donn\u00e9es CSV (*.csv)|*.csv|Tous les fichiers (*.*)|*.*"));
    EXPECT_EQ(seen.title, QStringLiteral("Ouvre"));
    EXPECT_EQ(seen.filters, QStringList({"Donn\u00e9es CSV (*.csv)", "Tous les fichiers (*.*)"}));
    EXPECT_EQ(seen.selectedFilter, seen.filters.value(0));
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFile);
    EXPECT_EQ(result, std::optional(existing));
}

} // namespace

// The progress of a load: its Annuler is seen, and it is gone the moment it is dropped, before a
// box that follows it could show it behind.
TEST(QtDialogs, ProgressIsCancelledByItsButtonAndGoesAtOnce)
{
    QWidget window;
    window.show();
    ui::QtDialogs dialogs;
    std::unique_ptr<ui::Progression> p = dialogs.progression(&window, QStringLiteral("Lecture"), 0);
    p->avance(0.5);
    auto* shown = window.findChild<QProgressDialog*>(QStringLiteral("Progression"));
    ASSERT_TRUE(shown && shown->isVisible());
    EXPECT_FALSE(p->annulee());
    shown->cancel();
    EXPECT_TRUE(p->annulee());
    p.reset();
    EXPECT_FALSE(window.findChild<QProgressDialog*>());
}
