#pragma once

#include "acquisition/SerialDevices.h"

#include <optional>

namespace acquisition {

// A port as the user chose it: COMn (1 to 4), or else a device by its identity.
struct PortChoice
{
    int commPort = 0;
    SerialDevice device;
};

// The port chosen last, kept between runs with QSettings in the platform's place for the
// program's settings (on Linux ~/.config/vantorlcd/vantorlcd.conf), and nothing else.
// A file that cannot be read, or holds anything strange, is as no file: a fresh user.
std::optional<PortChoice> recallPort();
// Written at once, so that a program killed or a session ended keeps it; a failure to write
// changes nothing else.
void rememberPort(const PortChoice& choice);

} // namespace acquisition
