// Owns one WinHTTP handle (session, connection or request).
#pragma once

#include "core/owned_handle.h"

#include <windows.h>
#include <winhttp.h>

using WinHttpHandle = OwnedHandle<HINTERNET, WinHttpCloseHandle>;
