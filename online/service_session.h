// The WinHTTP session every connection to the service starts with.
#pragma once

#include "online/winhttp_handle.h"

inline constexpr int kResolveTimeoutMs = 4000;
inline constexpr int kConnectTimeoutMs = 4000;
inline constexpr int kSendTimeoutMs = 8000;

// A synchronous session with the program's user agent, the automatic proxy and the fixed
// resolve, connect and send time-outs; the receive time-out is the caller's. Null when
// WinHttpOpen fails, with GetLastError telling why.
WinHttpHandle OpenServiceSession(int receiveTimeoutMs);
