// The program's pictures, drawn at the size they are shown at: the logo and
// the splash's picture, the program's mark (about box, title bar), the small
// state pictures of the lists and the check boxes of lists. Nothing is a
// bitmap that the system stretches, so each stays sharp at every DPI.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

enum class Picture {
  Installed,   // green, a tick
  Restorable,  // blue, an arrow turning back
  Failed,      // red, a cross
  Warning,     // yellow triangle, an exclamation mark
  Information, // blue, an "i"
};

// An image list of n by n pictures, in the order given; null on failure.
HIMAGELIST MakePictureList(int n, std::initializer_list<Picture> pictures);
// State pictures of a list's check boxes at a cell of n by n: unchecked, checked.
HIMAGELIST MakeCheckBoxList(int n);

// The logo (cx by cy): the mark, "Tandelix" and szLine below it, on the
// header's colour (PanelColour). The caller deletes the bitmap.
HBITMAP MakeLogoBitmap(int cx, int cy, const char* szLine);
// The mark alone as an icon of n by n. The caller destroys it.
HICON MakeMarkIcon(int n);

// Puts a bitmap into an SS_BITMAP static and deletes the one it showed before.
void SetStaticBitmap(HWND hStatic, HBITMAP hBitmap);
// Puts an icon into an SS_ICON static; the caller keeps owning it.
void SetStaticIcon(HWND hStatic, HICON hIcon);
