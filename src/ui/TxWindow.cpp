#include "ui/TxWindow.h"

#include "misc/Diag.h"
#include "ui/TxDialog.h"

TxWindow::~TxWindow() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hWnd);
  }
}

bool TxWindow::RegisterClass(HINSTANCE hInst, const char* szClass, HBRUSH hBackground) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = &TxWindow::Thunk;
  wc.hInstance = hInst;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = hBackground;
  wc.lpszClassName = szClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND TxWindow::Create(HINSTANCE hInst, const char* szClass, const char* szText, DWORD dwStyle,
                      DWORD dwExStyle, HWND hParent, int id) {
  HMENU hMenu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
  return CreateWindowExA(dwExStyle, szClass, szText, dwStyle, 0, 0, 0, 0, hParent, hMenu, hInst,
                         this);
}

LRESULT TxWindow::WndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK TxWindow::Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  TxWindow* self;
  if (uMsg == WM_NCCREATE) {
    self = static_cast<TxWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    if (self) self->m_hWnd = hWnd;
  } else {
    self = reinterpret_cast<TxWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hWnd, uMsg, wParam, lParam);
  LRESULT lResult = 0;
  try {
    lResult = self->WndProc(uMsg, wParam, lParam);
  } catch (...) {
    ReportHandlerException(hWnd);
    lResult = DefWindowProcA(hWnd, uMsg, wParam, lParam);
  }
  if (uMsg == WM_NCDESTROY) {
    SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
    self->m_hWnd = nullptr;
  }
  return lResult;
}
