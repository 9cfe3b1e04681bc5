// The serial backend of Windows: the Win32 communications API, no Qt serial module.
#include "core/WinSerialPort.h"

namespace kwf {

bool serialBackendAvailable(SerialBackend backend)
{
    return backend == SerialBackend::Default || backend == SerialBackend::Win32;
}

std::unique_ptr<SerialPort> createSerialPort(SerialBackend backend)
{
    if (!serialBackendAvailable(backend))
        return nullptr;
    return std::make_unique<WinSerialPort>();
}

} // namespace kwf
