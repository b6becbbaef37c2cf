#include "support/Modal.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
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

TEST(QtDialogs, ToolkitTextsAreQtsFrenchAndEnglishWithoutTheCatalogue)
{
    QTemporaryDir empty;
    struct Case
    {
        const char* reason;
        std::optional<QString> folder; // nullopt: the set-up the program does
        QStringList question;          // Yes, No, Cancel
        QString ok;
        QStringList saveLabels; // LookIn, FileName, FileType, Accept, Reject
    };
    const Case cases[] = {
        {"Qt's French catalogue",
         std::nullopt,
         {"&Oui", "&Non", "Annuler"},
         "OK",
         {"Voir dans :", "&Nom de fichier :", "Fichiers de type :", "&Enregistrer", "Annuler"}},
        {"no catalogue: the toolkit's English",
         empty.filePath("missing"),
         {"&Yes", "&No", "Cancel"},
         "OK",
         {"Look in:", "File &name:", "Files of type:", "&Save", "Cancel"}},
    };
    const auto restore = qScopeGuard([] { ui::setUpApplication(*qApp); });
    ui::QtDialogs dialogs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.folder) {
            ui::setUpApplication(*qApp, *c.folder);
        } else {
            ui::setUpApplication(*qApp);
        }

        QStringList question;
        QString defaultButton;
        onNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box) {
                for (const auto which : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                    question << buttonText(box, which);
                if (box->defaultButton()) defaultButton = box->defaultButton()->text();
            }
            modal->close();
        });
        dialogs.question(nullptr, kQuestion);
        EXPECT_EQ(question, c.question);
        EXPECT_EQ(defaultButton, c.question.value(0));

        QString ok;
        onNextModal([&](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) ok = buttonText(box, QMessageBox::Ok);
            modal->close();
        });
        dialogs.warning(nullptr, QStringLiteral("COM1 erreur"));
        EXPECT_EQ(ok, c.ok);

        QStringList saveLabels;
        onNextModal([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                for (const auto label : {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                                         QFileDialog::Accept, QFileDialog::Reject})
                    saveLabels << dialog->labelText(label);
            }
            modal->close();
        });
        dialogs.saveFileName(nullptr, kSaveTitle, kFilter, QStringLiteral("image.bmp"));
        EXPECT_EQ(saveLabels, c.saveLabels);
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

TEST(QtDialogs, SaveDialogOffersTheFiltersAndNameAndReturnsTheChoice)
{
    QTemporaryDir folder;
    const QString chosen = folder.filePath(QStringLiteral("trace.bmp"));
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "Enregistrer" : "Annuler");
        QString title, name, selectedFilter;
        QStringList filters;
        onNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            name = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            if (save) {
                dialog->selectFile(chosen);
                // What the Save button does; QFileDialog hides accept() but keeps QDialog's.
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
        const std::optional<QString> result =
            ui::QtDialogs().saveFileName(nullptr, kSaveTitle, kFilter, QStringLiteral("image.bmp"));
        EXPECT_EQ(title, kSaveTitle);
        EXPECT_EQ(filters, QStringList({"Fichiers BMP (*.bmp)", "Tous les fichiers (*.*)"}));
        EXPECT_EQ(selectedFilter, QStringLiteral("Fichiers BMP (*.bmp)"));
        EXPECT_EQ(name, QStringLiteral("image.bmp"));
        EXPECT_EQ(result, save ? std::optional(chosen) : std::nullopt);
    }
}

} // namespace
