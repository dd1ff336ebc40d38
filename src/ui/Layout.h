// Pixel layout of a window's controls. The resource script holds, per window, an
// RCDATA table of (id, left, top, width, height) at 96 DPI; ApplyLayout scales it
// with the system DPI and moves each control.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct LayoutRect {
  int id, x, y, cx, cy;
};

// The system DPI (96 when it cannot be read).
int ScreenDpi();
// A length at 96 DPI scaled to the system DPI.
int ScalePx(int n);

// Decodes a table of 16-bit words (five per control). A trailing partial entry
// is ignored. Returns the number of entries written to pOut (at most nMax).
size_t ParseLayout(const uint16_t* pWords, size_t nWords, LayoutRect* pOut, size_t nMax);

// Moves the children of hParent named by the table IDR in hInst. Drop-down combo
// boxes get room for their list below the given height. False when the table
// is missing or a named control does not exist.
bool ApplyLayout(HWND hParent, HINSTANCE hInst, int idLayout);

// Sizes a top-level window so its client area is cx by cy (at 96 DPI) and
// centres it on the desktop's work area.
void SizeClientCentred(HWND hWnd, int cx, int cy);
// Sizes a top-level window to cx by cy outside (at 96 DPI), centred.
void SizeWindowCentred(HWND hWnd, int cx, int cy);
