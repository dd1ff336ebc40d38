// Base of every dialog-template window of the program: the main window, the
// splash, the about box and the tab pages. One message thunk routes into
// HandleMessage; nothing thrown inside it ever unwinds into user32.
//
// The base also keeps each window right for its DPI, the keyboard and screen
// readers, whatever its template: on WM_DPICHANGED a top-level window takes
// the suggested rectangle and ApplyDpi remakes its fonts, lays it out again
// from its layout table, scales its list columns and check boxes, draws its
// icons anew, then calls OnDpiChanged for what only the window knows (its
// pictures, its pages).
// Every list, tree, edit field and drop-down is named after its label for
// screen readers, and the focus is always shown.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "ui/Fonts.h"

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

  // The DPI the window is drawn at, and a length at 96 DPI at that DPI.
  int Dpi() const { return m_nDpi; }
  int Px(int n) const { return MulDiv(n, m_nDpi, 96); }
  // Draws the window at nDpi from now on (see above). A window's tab pages
  // are given its DPI this way.
  void ApplyDpi(int nDpi);
  // The window's font at its DPI.
  HFONT Font() const;

 protected:
  // Return true when the message was handled; *pResult is what the message
  // returns (WM_CTLCOLOR..., WM_INITDIALOG) or its DWLP_MSGRESULT.
  virtual bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // Defaults of HandleMessage.
  virtual bool OnInitDialog() { return true; }
  virtual void OnCommand(int /*id*/, int /*code*/, HWND /*hCtl*/) {}
  virtual LRESULT OnNotify(NMHDR* /*pHdr*/) { return 0; }
  virtual void OnDestroy() {}
  // After ApplyDpi has remade fonts, layout, columns and check boxes.
  virtual void OnDpiChanged(int /*nOldDpi*/) {}
  // After the system's colours or the high-contrast theme changed.
  virtual void OnColoursChanged() {}

  // Gives the controls named in ids (0-terminated) a bold and/or underlined
  // form of the window's font, kept at the window's DPI.
  void SetControlFont(const int* ids, bool bBold, bool bUnderline);
  // Sizes a top-level window's client area (cx by cy at 96 DPI), centred.
  void SizeClient(int cx, int cy);

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void BeforeInit();
  void AfterInit();
  void SetFonts(HWND hParent, HFONT hFont);
  void ScaleColumns(int nOldDpi);
  void RemakeCheckBoxes();
  void FreeSharedCheckBoxes();
  void MakeIcons();
  void ColoursChanged();
  void Forget();

  struct StyledFont {
    std::vector<int> ids;
    bool bBold, bUnderline;
    DerivedFont font;
  };
  bool m_bModal = false;
  int m_nDpi = 96;
  int m_nFontPoints = 0;  // of the template's font; 0: none to remake
  LOGFONTA m_lfBase = {};
  HFONT m_hOwnFont = nullptr;  // the font at a DPI other than the creation's
  std::vector<std::unique_ptr<StyledFont>> m_styled;
  HICON m_hIconSmall = nullptr;        // a top-level window's icons, drawn for
  HICON m_hIconBig = nullptr;          // its DPI
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
