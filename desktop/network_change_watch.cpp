// The address-change notice comes from the IP helper; its headers want Winsock's first.
#include <winsock2.h>
#include <ws2ipdef.h>
#include <iphlpapi.h>

#include "desktop/network_change_watch.h"

namespace {

// Runs on a thread of the system's: only posts.
VOID NETIOAPI_API_ AddressChanged(PVOID context, PMIB_UNICASTIPADDRESS_ROW, MIB_NOTIFICATION_TYPE type) {
    if (type == MibAddInstance) PostMessageW(static_cast<HWND>(context), WM_PET_NETWORK_CHANGED, 0, 0);
}

}  // namespace

bool NetworkChangeWatch::Start(HWND window) {
    Stop();
    window_ = window;
    return NotifyUnicastIpAddressChange(AF_UNSPEC, AddressChanged, window_, FALSE, &notification_) == NO_ERROR;
}

void NetworkChangeWatch::Stop() {
    // Returns once no callback runs any more.
    if (notification_) CancelMibChangeNotify2(notification_);
    notification_ = nullptr;
}
