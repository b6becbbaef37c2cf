#include "ui/Dialogs.h"

#include "ui/Application.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>

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

namespace {

// The dialogs' filter texts use bars between description and pattern; Qt wants the choices one
// by one, the pattern in parentheses, which the descriptions already carry.
QStringList choices(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out;
}

// Both dialogs: Qt's own, in the program's language, the first choice selected; a save may
// name a new file, an open only an existing one.
void setUp(QFileDialog& dialog, const QStringList& names, QFileDialog::AcceptMode mode)
{
    dialog.setAcceptMode(mode);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!names.isEmpty()) dialog.selectNameFilter(names.first());
}

} // namespace

std::optional<SaveChoice> QtDialogs::saveFileName(QWidget* parent, const QString& title,
                                                  const QString& filter, const QString& fileName)
{
    const QStringList names = choices(filter);
    QFileDialog dialog(parent, title, QString(), names.join(QStringLiteral(";;")));
    setUp(dialog, names, QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return SaveChoice{dialog.selectedFiles().first(),
                      int(std::max<qsizetype>(0, names.indexOf(dialog.selectedNameFilter())))};
}

std::optional<QString> QtDialogs::openFileName(QWidget* parent, const QString& title, const QString& filter)
{
    const QStringList names = choices(filter);
    QFileDialog dialog(parent, title, QString(), names.join(QStringLiteral(";;")));
    setUp(dialog, names, QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

namespace {

class QtProgression final : public Progression
{
public:
    QtProgression(QWidget* parent, const QString& text, int delaiMs)
        : dialog_(new QProgressDialog(text, QStringLiteral("Annuler"), 0, kPas, parent))
    {
        dialog_->setObjectName(QStringLiteral("Progression"));
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(std::max(0, delaiMs));
        dialog_->setValue(0);
    }
    // Gone at once, not later: a box that follows must not show it behind itself.
    ~QtProgression() override { delete dialog_.data(); }
    void avance(double part) override
    {
        if (dialog_) dialog_->setValue(int(std::clamp(part, 0.0, 1.0) * kPas));
    }
    bool annulee() const override { return !dialog_ || dialog_->wasCanceled(); }

private:
    static constexpr int kPas = 1000;
    QPointer<QProgressDialog> dialog_;
};

} // namespace

std::unique_ptr<Progression> QtDialogs::progression(QWidget* parent, const QString& text, int delaiMs)
{
    return std::make_unique<QtProgression>(parent, text, delaiMs);
}

} // namespace ui
