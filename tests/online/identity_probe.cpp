// A second process for the identity tests: loads the stored identity as the pet does at start
// and prints device id, nickname, token and completeness, one per line, in UTF-8.
#include "online/online_client.h"
#include "text/wide_text.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    OnlineClient client;
    client.LoadIdentity();
    const bool complete = client.HasCompleteIdentity();
    const DeviceIdentity identity = client.Identity();
    std::printf("%s\n%s\n%s\n%d\n", WideToUtf8(identity.deviceId).c_str(), WideToUtf8(identity.nickname).c_str(),
                WideToUtf8(identity.token).c_str(), complete ? 1 : 0);
    return 0;
}
