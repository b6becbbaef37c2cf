#pragma once

#include "ui/Dialogs.h"

#include <QStringList>
#include <deque>

namespace testing_support {

// Answers in place of the user and remembers what was asked.
struct FakeDialogs final : ui::Dialogs
{
    QStringList warnings;
    QStringList questions;
    std::deque<ui::Answer> answers;
    std::deque<std::optional<QString>> fileNames;

    void warning(QWidget*, const QString& text) override { warnings << text; }
    ui::Answer question(QWidget*, const QString& text) override
    {
        questions << text;
        if (answers.empty()) return ui::Answer::Cancel;
        const ui::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<QString> saveFileName(QWidget*, const QString&, const QString&, const QString&) override
    {
        if (fileNames.empty()) return std::nullopt;
        // A copy: GCC 12 sees the moved-from optional as maybe uninitialised.
        const std::optional<QString> f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};

} // namespace testing_support
