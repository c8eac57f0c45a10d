#include "app/pet_app.h"

#include "core/setting_names.h"

// The two halves of the online switch, shared by the menu and the settings centre. Switching off
// keeps the identity and the friend list, so switching on again needs no new registration.
void PetApp::SwitchOnlineOn() {
    networkEnabled_ = true;
    settings_.WriteSettingDword(setting::kNetworkEnabled, 1);
    online_.Start();
}

void PetApp::SwitchOnlineOff() {
    networkEnabled_ = false;
    presence_.Disconnect();
    settings_.WriteSettingDword(setting::kNetworkEnabled, 0);
    online_.Stop();
}
