#pragma once

#include <QString>

namespace acquisition {

// What Windows says of one of its error codes, in the user's language, without its full stop
// and line break: "Accès refusé".
QString systemMessage(unsigned long code);

} // namespace acquisition
