#pragma once

#include "core/geometry.h"

#include <windows.h>

inline ScreenPoint FromWin32(POINT point) { return {point.x, point.y}; }
inline ScreenRect FromWin32(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
inline POINT ToWin32(ScreenPoint point) { return {point.x, point.y}; }
inline RECT ToWin32(const ScreenRect& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }
