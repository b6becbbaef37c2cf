#pragma once

#include "ui/Dialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace testing_support {

// Answers in place of the user from a script, and remembers what was asked. An empty script
// answers Cancel everywhere.
struct FakeDialogs final : ui::Dialogs
{
    struct Request
    {
        QString title;
        QString filter;
        QString fileName;
    };

    // Scripts, one entry per dialog or box shown; nullopt: Cancel in that dialog.
    std::deque<ui::Answer> answers;
    std::deque<std::optional<QString>> fileNames; // save dialog
    std::deque<int> filters;                      // filter chosen there; the first one when empty
    std::deque<std::optional<QString>> openNames; // open dialog
    // What happens on screen while the user looks at a save dialog, or at a question.
    std::function<void()> whileChoosing, whileAsking;
    std::function<void(QWidget* parent)> whileWarned;

    // What happens while a load shows its progress, at each of its steps (0 the first); true
    // cancels it there.
    std::function<bool(int)> whileLoading;
    int progressions = 0; // progress dialogs asked for
    int progressShowing = 0, boxesUnderProgress = 0;

    QStringList warnings;
    QStringList questions;
    std::vector<Request> saveRequests, openRequests;

    void warning(QWidget* parent, const QString& text) override
    {
        warnings << text;
        if (progressShowing) ++boxesUnderProgress;
        if (whileWarned) whileWarned(parent);
    }
    ui::Answer question(QWidget*, const QString& text) override
    {
        questions << text;
        if (whileAsking) whileAsking();
        return next(answers).value_or(ui::Answer::Cancel);
    }
    std::optional<ui::SaveChoice> saveFileName(QWidget*, const QString& title, const QString& filter,
                                               const QString& fileName) override
    {
        saveRequests.push_back({title, filter, fileName});
        if (whileChoosing) whileChoosing();
        const std::optional<QString> name = next(fileNames).value_or(std::nullopt);
        const int filterChosen = next(filters).value_or(0);
        if (!name) return std::nullopt;
        return ui::SaveChoice{*name, filterChosen};
    }
    std::optional<QString> openFileName(QWidget*, const QString& title, const QString& filter) override
    {
        openRequests.push_back({title, filter, {}});
        return next(openNames).value_or(std::nullopt);
    }

    struct Progress final : ui::Progression
    {
        FakeDialogs& d;
        int steps = 0;
        bool cancelled = false;
        explicit Progress(FakeDialogs& dialogs) : d(dialogs) { ++d.progressShowing; }
        ~Progress() override { --d.progressShowing; }
        void avance(double) override
        {
            if (d.whileLoading && d.whileLoading(steps++)) cancelled = true;
        }
        bool annulee() const override { return cancelled; }
    };
    std::unique_ptr<ui::Progression> progression(QWidget*, const QString&, int) override
    {
        ++progressions;
        return std::make_unique<Progress>(*this);
    }

private:
    template <typename T> static std::optional<T> next(std::deque<T>& script)
    {
        if (script.empty()) return std::nullopt;
        // A copy: GCC 12 sees a moved-from optional as maybe uninitialised.
        const T front = script.front();
        script.pop_front();
        return front;
    }
};

} // namespace testing_support
