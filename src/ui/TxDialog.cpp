#include "ui/TxDialog.h"

#include <string>

#include "misc/Diag.h"
#include "misc/ErrorText.h"

namespace {

void ShowErrorBox(HWND hOwner, const char* szText) {
  MessageBoxA(hOwner, szText, "Error", MB_OK | MB_ICONERROR);
}

HandlerErrorBox g_pfnErrorBox = ShowErrorBox;

}  // namespace

HandlerErrorBox SetHandlerErrorBox(HandlerErrorBox pfn) {
  HandlerErrorBox old = g_pfnErrorBox;
  g_pfnErrorBox = pfn ? pfn : ShowErrorBox;
  return old;
}

void ReportHandlerException(HWND hWnd) {
  const std::string text = CurrentExceptionText();
  tdx::ReportCondition(("exception in a message handler: " + text).c_str(), __FILE__, __LINE__);
  // The box runs a message loop: a handler that throws again meanwhile is
  // reported to the diagnostics only.
  static bool s_bShowing = false;
  if (s_bShowing) return;
  s_bShowing = true;
  HWND hOwner = hWnd && IsWindow(hWnd) ? GetAncestor(hWnd, GA_ROOT) : nullptr;
  g_pfnErrorBox(hOwner, text.c_str());
  s_bShowing = false;
}

TxDialog::~TxDialog() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    if (!m_bModal) DestroyWindow(m_hWnd);
  }
}

INT_PTR TxDialog::DoModal(HINSTANCE hInst, int idd, HWND hOwner) {
  m_bModal = true;
  return DialogBoxParamA(hInst, MAKEINTRESOURCEA(idd), hOwner, &TxDialog::Thunk,
                         reinterpret_cast<LPARAM>(this));
}

HWND TxDialog::Create(HINSTANCE hInst, int idd, HWND hParent) {
  m_bModal = false;
  return CreateDialogParamA(hInst, MAKEINTRESOURCEA(idd), hParent, &TxDialog::Thunk,
                            reinterpret_cast<LPARAM>(this));
}

void TxDialog::End(INT_PTR nResult) {
  if (!m_hWnd) return;
  if (m_bModal)
    EndDialog(m_hWnd, nResult);
  else
    DestroyWindow(m_hWnd);
}

bool TxDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (uMsg) {
    case WM_INITDIALOG:
      *pResult = OnInitDialog() ? TRUE : FALSE;
      return true;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      *pResult = 0;
      return true;
    case WM_NOTIFY:
      *pResult = OnNotify(reinterpret_cast<NMHDR*>(lParam));
      return true;
    case WM_DESTROY:
      OnDestroy();
      return false;
    default:
      return false;
  }
}

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
static bool ReturnsDirectly(UINT uMsg) {
  switch (uMsg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK TxDialog::Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  TxDialog* self;
  if (uMsg == WM_INITDIALOG) {
    self = reinterpret_cast<TxDialog*>(lParam);
    SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self) self->m_hWnd = hWnd;
  } else {
    self = reinterpret_cast<TxDialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR nRet = FALSE;
  try {
    LRESULT lResult = 0;
    if (self->HandleMessage(uMsg, wParam, lParam, &lResult)) {
      if (ReturnsDirectly(uMsg)) {
        nRet = static_cast<INT_PTR>(lResult);
      } else {
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
        nRet = TRUE;
      }
    }
  } catch (...) {
    ReportHandlerException(hWnd);
    nRet = FALSE;
  }
  if (uMsg == WM_NCDESTROY) {
    SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return nRet;
}

bool RegisterDialogClass(HINSTANCE hInst, const char* szClass, HICON hIcon) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = hInst;
  wc.hIcon = hIcon;
  wc.hIconSm = hIcon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = szClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
