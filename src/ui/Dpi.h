// Dots per inch of the program's windows. Each top-level window keeps the DPI
// of the monitor it is on (the system tells it in WM_DPICHANGED); its children
// are drawn at the same DPI. The per-monitor functions exist from Windows 8.1
// and 10 on and are looked up when first needed; where they are missing the
// system DPI stands in.
#pragma once

#include <windows.h>

// The system DPI (96 when it cannot be read).
int ScreenDpi();

// The DPI the window's top-level window is drawn at: the one it was last told,
// else what the system says of its monitor.
int WindowDpi(HWND hWnd);
// Records the DPI a top-level window is now drawn at (WindowDpi answers it);
// 0 forgets it (before the window is destroyed).
void SetWindowDpi(HWND hWnd, int nDpi);

// A length at 96 DPI at nDpi, and at the DPI of hWnd's window.
inline int ScaleDpi(int n, int nDpi) { return MulDiv(n, nDpi, 96); }
inline int PxFor(HWND hWnd, int n) { return ScaleDpi(n, WindowDpi(hWnd)); }

// GetSystemMetrics as it is at nDpi.
int MetricForDpi(int nIndex, int nDpi);

// Where the system would scale a dialog or its controls by itself on a change
// of DPI (Windows 10 1803 on), it is told not to: the program lays them out.
void TakeOverDialogScaling(HWND hDialog);
void TakeOverControlScaling(HWND hControl);
