// Base of every dialog-template window of the program: the main window, the
// splash, the about box and the tab pages. One message thunk routes into
// HandleMessage; nothing thrown inside it ever unwinds into user32.
#pragma once

#include <windows.h>

class TxDialog {
 public:
  TxDialog() = default;
  virtual ~TxDialog();
  TxDialog(const TxDialog&) = delete;
  TxDialog& operator=(const TxDialog&) = delete;

  // Modal: returns the result given to End, or -1 when the template is missing.
  INT_PTR DoModal(HINSTANCE hInst, int idd, HWND hOwner);
  // Modeless (child pages and the main window): null on failure.
  HWND Create(HINSTANCE hInst, int idd, HWND hParent);
  void End(INT_PTR nResult);

  HWND Handle() const { return m_hWnd; }
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  bool IsModal() const { return m_bModal; }

 protected:
  // Return true when the message was handled; *pResult is what the message
  // returns (WM_CTLCOLOR..., WM_INITDIALOG) or its DWLP_MSGRESULT.
  virtual bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Defaults of HandleMessage.
  virtual bool OnInitDialog() { return true; }
  virtual void OnCommand(int /*id*/, int /*code*/, HWND /*hCtl*/) {}
  virtual LRESULT OnNotify(NMHDR* /*pHdr*/) { return 0; }
  virtual void OnDestroy() {}

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  bool m_bModal = false;
};

// Called inside a catch block of a message thunk: shows what was thrown in
// the program's error box, owned by the window's top-level window, and lets
// the program run on. Never shows a second box while one is up.
void ReportHandlerException(HWND hWnd);
// How the box is shown: MessageBoxA with "Error" and the error icon unless a
// test puts its own in. Returns the previous one; null restores the default.
typedef void (*HandlerErrorBox)(HWND hOwner, const char* szText);
HandlerErrorBox SetHandlerErrorBox(HandlerErrorBox pfn);

// Registers a window class for templates that name it with CLASS: the dialog
// manager's own procedure with the extra bytes it needs.
bool RegisterDialogClass(HINSTANCE hInst, const char* szClass, HICON hIcon);
