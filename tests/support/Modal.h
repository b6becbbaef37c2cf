#pragma once

// Lets a test look at a real modal box or dialog: the call that shows it blocks in its own
// event loop, so the look runs from a timer inside that loop.
#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Failed comparisons of texts print the texts, not their UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace testing_support {

// Runs `look` on the next modal window once it is shown. `look` must close it, before any
// assertion, or the blocking call never returns.
inline void onNextModal(std::function<void(QWidget*)> look)
{
    auto* poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll,
                     [poll, look = std::move(look), deadline = QDeadlineTimer(10000)] {
                         QWidget* modal = QApplication::activeModalWidget();
                         if (!modal || !modal->isVisible()) {
                             if (!deadline.hasExpired()) return;
                             ADD_FAILURE() << "no modal window was shown";
                         }
                         poll->stop();
                         poll->deleteLater();
                         if (modal && modal->isVisible()) look(modal);
                     });
    poll->start();
}

} // namespace testing_support
