#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace lumenor {

// One entry of the system's interface list, reduced to what the choice needs.
struct InterfaceEntry {
    QString name;
    bool up = false;
    bool loopback = false;
    bool hasDevice = false;  // backed by hardware: /sys/class/net/NAME/device exists
    std::optional<std::array<std::uint8_t, 4>> ipv4;  // none for other families or no address
};

// The address the phone is told to open: the first entry, in the list's order, that is up,
// not loopback, IPv4 and a wired or wireless interface of the machine itself (named en*,
// eth* or wl* and backed by a device). Bridges, veth, VPNs and tunnels never qualify.
std::optional<QString> chooseLocalAddress(const std::vector<InterfaceEntry>& entries);

// Where the remote learns its address; the real one reads the system's list.
using LocalAddressSource = std::function<std::optional<QString>()>;

// The system's list from getifaddrs, in its order; empty when it cannot be read.
std::vector<InterfaceEntry> systemInterfaces();
std::optional<QString> systemLocalAddress();

}  // namespace lumenor
