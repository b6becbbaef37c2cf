#include "ui/Dialogs.h"

#include "ui/Application.h"

#include <QFileDialog>
#include <QMessageBox>

namespace ui {

void QtDialogs::warning(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, kProgramName, text, QMessageBox::Ok);
}

Answer QtDialogs::question(QWidget* parent, const QString& text)
{
    const auto button =
        QMessageBox::question(parent, kProgramName, text,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        return Answer::Cancel;
    }
}

std::optional<QString> QtDialogs::saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                               const QString& fileName)
{
    // The save dialog's filter text uses bars between description and pattern; Qt wants ";;"
    // between choices and the pattern in parentheses, which the descriptions already carry.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList choices;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        choices << parts[i];
    QFileDialog dialog(parent, title, QString(), choices.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!choices.isEmpty()) dialog.selectNameFilter(choices.first());
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

} // namespace ui
