#include "acquisition/win/WinSystem.h"

#include <windows.h>

namespace acquisition {

QString systemMessage(unsigned long code)
{
    wchar_t* text = nullptr;
    // Language 0: the user's, falling back as Windows does.
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = n > 0 ? QString::fromWCharArray(text, int(n)).trimmed() : QString();
    LocalFree(text);
    if (message.endsWith(QLatin1Char('.'))) message.chop(1);
    if (message.isEmpty()) message = QStringLiteral("erreur %1 du système").arg(code);
    return message;
}

} // namespace acquisition
