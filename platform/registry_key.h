#pragma once

#include "core/owned_handle.h"

#include <windows.h>

// Owns an open registry key.
using RegistryKey = OwnedHandle<HKEY, RegCloseKey>;
