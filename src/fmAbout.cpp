#include "fmAbout.h"

#include "res/resource.h"
#include "shell/Commands.h"
#include "ui/Layout.h"

bool TfmAbout::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_ABOUT);
  SizeWindowCentred(m_hWnd, 415, 194);
  HFONT hBase = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  m_fontBold.Make(hBase, true, false);
  m_fontLink.Make(hBase, false, true);
  static const int kBold[] = {IDC_ABOUTNAME, 0};
  static const int kLink[] = {IDC_ABOUTLINK, 0};
  m_fontBold.Apply(m_hWnd, kBold);
  m_fontLink.Apply(m_hWnd, kLink);
  HICON hIcon = static_cast<HICON>(LoadImageA(hInst, MAKEINTRESOURCEA(IDI_TANDELIX), IMAGE_ICON,
                                              ScalePx(32), ScalePx(32), LR_SHARED));
  SendDlgItemMessageA(m_hWnd, IDC_IMGICON, STM_SETICON, reinterpret_cast<WPARAM>(hIcon), 0);
  return true;
}

void TfmAbout::OnCommand(int id, int code, HWND) {
  if (id == IDOK || id == IDCANCEL)
    End(IDOK);
  else if (id == IDC_ABOUTLINK && code == STN_CLICKED)
    OpenHomePage(m_shell, m_strModuleDir.c_str());
}

void TfmAbout::SetLinkHot(bool bHot) {
  if (bHot == m_bLinkHot) return;
  m_bLinkHot = bHot;
  InvalidateRect(Item(IDC_ABOUTLINK), nullptr, TRUE);
}

bool TfmAbout::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (uMsg) {
    case WM_CTLCOLORSTATIC: {
      HDC hdc = reinterpret_cast<HDC>(wParam);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id == IDC_ABOUTLINK)
        SetTextColor(hdc, m_bLinkHot ? RGB(255, 0, 0) : RGB(0, 0, 255));
      else if (id == IDC_ABOUTNAME)
        SetTextColor(hdc, RGB(0, 0, 128));
      else
        return false;
      SetBkMode(hdc, TRANSPARENT);
      *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_SETCURSOR:
      // The link asks its parent first: hand cursor and red while over it.
      if (reinterpret_cast<HWND>(wParam) == Item(IDC_ABOUTLINK)) {
        SetLinkHot(true);
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        *pResult = TRUE;
        return true;
      }
      SetLinkHot(false);
      return false;
    default:
      return TxDialog::HandleMessage(uMsg, wParam, lParam, pResult);
  }
}
