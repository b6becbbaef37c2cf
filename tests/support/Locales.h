#pragma once

// The two locales the number tests run in: the C locale and a French one (decimal comma).
#include <QLocale>
#include <QString>

namespace testing_support {

inline const QLocale cLocale = QLocale::c();
inline const QLocale frLocale(QLocale::French, QLocale::France);

// Expected texts are written with '.'; in the French locale the same text with ','.
inline QString inLocale(const char* cText, const QLocale& locale)
{
    QString s = QString::fromUtf8(cText);
    return locale == frLocale ? s.replace(u'.', u',') : s;
}

} // namespace testing_support
