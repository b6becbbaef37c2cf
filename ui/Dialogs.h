#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace ui {

enum class Answer { Yes, No, Cancel };

// A name chosen in the save dialog, and which of its filter's choices was selected (0 the first).
struct SaveChoice
{
    QString path;
    int filter = 0;
};

// Everything that asks the user something or tells the user something goes through here,
// so that tests can answer in place of a person.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Warning box: exclamation icon, one OK button, the program's name as title.
    virtual void warning(QWidget* parent, const QString& text) = 0;

    // Question box: question icon, Yes / No / Cancel with Yes the default, program's name as title.
    virtual Answer question(QWidget* parent, const QString& text) = 0;

    // Save dialog; no overwrite prompt of its own, the first filter selected. `filter` holds
    // "description|pattern" pairs joined by '|'. nullopt when the user cancels.
    virtual std::optional<SaveChoice> saveFileName(QWidget* parent, const QString& title,
                                                   const QString& filter, const QString& fileName) = 0;

    // Open dialog for an existing file, the first filter selected; nullopt when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                                const QString& filter) = 0;
};

// The real boxes and dialog.
class QtDialogs final : public Dialogs
{
public:
    void warning(QWidget* parent, const QString& text) override;
    Answer question(QWidget* parent, const QString& text) override;
    std::optional<SaveChoice> saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                           const QString& fileName) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& title,
                                        const QString& filter) override;
};

} // namespace ui
