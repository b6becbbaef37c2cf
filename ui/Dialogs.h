#pragma once

#include <QString>
#include <memory>
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

// A long task's progress, with a button "Annuler"; it goes from the screen when destroyed.
class Progression
{
public:
    virtual ~Progression() = default;
    // The share done, 0 to 1.
    virtual void avance(double part) = 0;
    // The user asked to stop.
    virtual bool annulee() const = 0;
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

    // A progress dialog, modal to its window, shown only once the task has lasted `delaiMs`.
    virtual std::unique_ptr<Progression> progression(QWidget* parent, const QString& text, int delaiMs) = 0;
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
    std::unique_ptr<Progression> progression(QWidget* parent, const QString& text, int delaiMs) override;
};

} // namespace ui
