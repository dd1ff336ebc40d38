// Base of the program's plain (non-template) windows, such as the host of the
// embedded browser. One message thunk routes into WndProc; nothing thrown
// inside it ever unwinds into user32.
#pragma once

#include <windows.h>

class TxWindow {
 public:
  TxWindow() = default;
  virtual ~TxWindow();
  TxWindow(const TxWindow&) = delete;
  TxWindow& operator=(const TxWindow&) = delete;

  // Registers szClass (once) with this base's thunk.
  static bool RegisterClass(HINSTANCE hInst, const char* szClass, HBRUSH hBackground);
  HWND Create(HINSTANCE hInst, const char* szClass, const char* szText, DWORD dwStyle,
              DWORD dwExStyle, HWND hParent, int id);
  HWND Handle() const { return m_hWnd; }

 protected:
  // Default: DefWindowProcA.
  virtual LRESULT WndProc(UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};
