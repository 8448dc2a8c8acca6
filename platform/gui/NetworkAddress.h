#pragma once
// The network adapter address that identifies this computer in the user
// table: "XX-XX-XX-XX-XX-XX", or "" when there is no usable adapter.

#include <QString>

#include <functional>
#include <vector>

namespace gui {

struct AdapterInfo {
    int index = 0;          // the system's interface index
    bool loopback = false;
    QString hardwareAddress;  // as the system gives it, "aa:bb:cc:dd:ee:ff"
};

// The first adapter in index order that is not a loopback and has a
// non-zero six-byte address, upper case with "-" between the bytes.
QString PickAdapterAddress(std::vector<AdapterInfo> adapters);

// This computer's address through the installed provider (the system's
// interfaces unless a provider was set).
QString AdapterAddress();
// An empty function restores the system's interfaces.
void SetAdapterAddressProvider(std::function<QString()> provider);

}  // namespace gui
