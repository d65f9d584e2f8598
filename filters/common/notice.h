// Notices to the desktop user: one D-Bus method call per notice to orvui on
// the system bus (DBUS_SYSTEM_BUS_ADDRESS relocates it).
#pragma once

#include "log.h"

#include <string>
#include <string_view>

namespace vel {

// "<reason> <job user>": the grammar orvui reads.
std::string noticeText(std::string_view reason, std::string_view jobUser);

// Calls showMessage(text) on "com.velmora.orvui", object "/", interface
// "local.orvd.orvdbus", after asking for the name "com.velmora.filter".
// False on a bus failure; the filter must then stop with exit status 1.
bool sendNotice(const std::string& text, const LogFn& log);

} // namespace vel
