// Pixel layout of a window's controls. The resource script holds, per window, an
// RCDATA table of (id, left, top, width, height) at 96 DPI; ApplyLayout scales it
// to the window's DPI and moves each control. The window remembers its table,
// so a change of DPI lays it out again from the same positions.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "ui/Dpi.h"

struct LayoutRect {
  int id, x, y, cx, cy;
};

// A length at 96 DPI scaled to the system DPI.
int ScalePx(int n);

// Decodes a table of 16-bit words (five per control). A trailing partial entry
// is ignored. Returns the number of entries written to pOut (at most nMax).
size_t ParseLayout(const uint16_t* pWords, size_t nWords, LayoutRect* pOut, size_t nMax);

// Moves the children of hParent named by the table IDR in hInst, at nDpi (0: the
// window's DPI), and remembers the table for LayOutAgain. Drop-down combo
// boxes get room for their list below the given height. False when the table
// is missing or a named control does not exist.
bool ApplyLayout(HWND hParent, HINSTANCE hInst, int idLayout, int nDpi = 0);
// The table last applied to hParent, again at nDpi; false when it has none.
bool LayOutAgain(HWND hParent, int nDpi);
// Forgets the remembered table (before the window is destroyed).
void ForgetLayout(HWND hParent);

// Sizes a top-level window so its client area is cx by cy (at 96 DPI) and
// centres it on the desktop's work area.
void SizeClientCentred(HWND hWnd, int cx, int cy);
// Sizes a top-level window to cx by cy outside (at 96 DPI), centred.
void SizeWindowCentred(HWND hWnd, int cx, int cy);
