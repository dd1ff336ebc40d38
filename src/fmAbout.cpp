#include "fmAbout.h"

#include "res/resource.h"
#include "shell/Commands.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"
#include "ui/Theme.h"

TfmAbout::~TfmAbout() {
  if (m_hIcon) DestroyIcon(m_hIcon);
}

void TfmAbout::MakeIcon() {
  HICON hIcon = MakeMarkIcon(Px(32));
  SetStaticIcon(Item(IDC_IMGICON), hIcon);
  if (m_hIcon) DestroyIcon(m_hIcon);
  m_hIcon = hIcon;
}

bool TfmAbout::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_ABOUT);
  SizeWindowCentred(m_hWnd, 415, 194);
  static const int kBold[] = {IDC_ABOUTNAME, 0};
  static const int kLink[] = {IDC_ABOUTLINK, 0};
  SetControlFont(kBold, true, false);
  SetControlFont(kLink, false, true);
  MakeIcon();
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
        SetTextColor(hdc, LinkColour(m_bLinkHot));
      else if (id == IDC_ABOUTNAME)
        SetTextColor(hdc, AccentColour());
      else
        return false;
      SetBkMode(hdc, TRANSPARENT);
      *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
    case WM_HELP:  // F1: the link's page, from the keyboard
      OpenHomePage(m_shell, m_strModuleDir.c_str());
      *pResult = TRUE;
      return true;
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
