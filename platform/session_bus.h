#pragma once
#include <string>

#include "platform/work_folder.h"

namespace vp::platform {

// Whether a D-Bus address answers the first words of its handshake in time.
// A bus daemon that is stopped, or a socket that accepts and never speaks,
// would otherwise hold every blocking D-Bus connect (ours, or Qt's for the
// accessibility bus) for good.
enum class BusAnswer { Answers, Silent, NotThere, NotTried };
BusAnswer CheckBusAddress(const std::string& address, int timeoutMs);

// The session bus this process would use ($DBUS_SESSION_BUS_ADDRESS, else
// $XDG_RUNTIME_DIR/bus) and the accessibility bus ($AT_SPI_BUS_ADDRESS):
// one that does not answer within timeoutMs is taken away from this process,
// so every D-Bus call fails at once instead of waiting. Returns the session
// bus's answer.
BusAnswer AvoidSilentBuses(const Environment& env, int timeoutMs);

}  // namespace vp::platform
