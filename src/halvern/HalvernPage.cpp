#include "halvern/HalvernPage.h"

#include <commctrl.h>

#include "res/resource.h"

HalvernPage::HalvernPage(ShellContext& ctx)
    : TabPage(IDD_HALVERN, IDR_LAYOUT_HALVERN), m_ctx(ctx) {}

void HalvernPage::OnInitPage() {
  m_fontLabel.Make(reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)), true, false);
  static const int kBold[] = {IDC_LABEL3, 0};
  m_fontLabel.Apply(m_hWnd, kBold);
  SendDlgItemMessageA(m_hWnd, IDC_TVLOG, TVM_SETINDENT, 19, 0);
  m_browserHost.CreateHost(m_hInst, m_hWnd, IDC_LOGBROWSER);
}

void HalvernPage::SetUpLogTab() {}

void HalvernPage::ShutDownLogTab() {}

void HalvernPage::cbHVUserChange() {}

void HalvernPage::tvLogChange() {}

void HalvernPage::btnOpenLogClick() {}

void HalvernPage::OnCommand(int id, int code, HWND) {
  if (id == IDC_CBHVUSER && code == CBN_SELCHANGE && !m_bFilling)
    cbHVUserChange();
  else if (id == IDC_BTNOPENLOG && code == BN_CLICKED)
    btnOpenLogClick();
}

LRESULT HalvernPage::OnNotify(NMHDR* pHdr) {
  if (pHdr->idFrom == IDC_TVLOG &&
      (pHdr->code == TVN_SELCHANGEDA || pHdr->code == TVN_SELCHANGEDW) && !m_bFilling)
    tvLogChange();
  return 0;
}

bool HalvernPage::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (uMsg == WM_CTLCOLORSTATIC && GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_LABEL3) {
    HDC hdc = reinterpret_cast<HDC>(wParam);
    SetTextColor(hdc, RGB(0, 0, 128));
    SetBkMode(hdc, TRANSPARENT);
    *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }
  return TabPage::HandleMessage(uMsg, wParam, lParam, pResult);
}
