#pragma once

// The serial port class SerialLink drives: Qt SerialPort's, except on Windows, where Qt
// SerialPort is not at hand and a class of our own speaks to the system's communications API
// with the same calls, signals and errors.
#ifdef Q_OS_WIN
#include "acquisition/win/WinSerialPort.h"
#else
#include <QSerialPort>
#endif

namespace acquisition {
#ifdef Q_OS_WIN
using SerialPort = WinSerialPort;
#else
using SerialPort = QSerialPort;
#endif
} // namespace acquisition
