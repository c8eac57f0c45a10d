#pragma once

#include <windows.h>

#include <string>

// What the home-made modal windows (the prompt and the settings centre) have in common: a plain
// class of their own, centring over the owner, and a nested message loop.

// A captioned popup with a close box and no resizing, above every normal window.
inline constexpr DWORD kModalWindowStyle = WS_POPUP | WS_BORDER | WS_DLGFRAME | WS_SYSMENU;
inline constexpr DWORD kModalWindowExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;

// Registers the class on first use (class style 0, arrow cursor, window-coloured background, this
// module) and creates the window with the modal styles at `corner`, hidden, with `record` as its
// state record. Nothing when either fails.
HWND CreateModalWindow(const wchar_t* className, WNDPROC windowProc, const wchar_t* title, POINT corner, int width,
                       int height, HWND owner, void* record);

// For the window procedure: the state record, bound to the window on WM_NCCREATE and let go on
// WM_NCDESTROY (which still gets it), so nothing reaches the record after Run has returned, even
// when the window goes with its owner. Nothing before the binding.
void* ModalRecord(HWND window, UINT message, LPARAM lParam);

// The top-left corner that centres a window of that outer size over the owner, even partly off
// screen (integer division, truncating).
POINT CentredOver(HWND owner, int width, int height);
// The same, then moved as little as needed to lie inside the work area of the owner's monitor, for
// a window too tall to be used while part of it hangs off the screen.
POINT CentredOverOnScreen(HWND owner, int width, int height);

// Disables the owner, shows the window and handles every message of the thread, the window's dialog
// keys first, until `finished` is set (the window procedure sets it whenever the window goes, also
// with its owner). Then the owner is enabled again and brought to the foreground. A quit request
// ends the loop early: the window is destroyed before its state record goes, and the quit is posted
// again for the loop that owns it.
void RunModalWindow(HWND window, HWND owner, const bool& finished);

// The answer to WM_CTLCOLORSTATIC: labels, check boxes and group captions on the window's own
// background rather than on grey bands.
LRESULT WindowColouredStatic(HDC dc);

// A control's whole text without white space at either end.
std::wstring ReadControlText(HWND control);
