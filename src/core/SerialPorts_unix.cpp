// The serial backends of Linux and other Unix systems: termios by default, Qt's serial port on
// request.
#include "core/PosixSerialPort.h"
#include "core/QtSerialPort.h"

namespace kwf {

bool serialBackendAvailable(SerialBackend backend)
{
    return backend != SerialBackend::Win32;
}

std::unique_ptr<SerialPort> createSerialPort(SerialBackend backend)
{
    switch (backend) {
    case SerialBackend::Default:
    case SerialBackend::Posix:
        return std::make_unique<PosixSerialPort>();
    case SerialBackend::Qt:
        return std::make_unique<QtSerialPort>();
    case SerialBackend::Win32:
        break;
    }
    return nullptr;
}

} // namespace kwf
