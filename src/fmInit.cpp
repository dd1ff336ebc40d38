#include "fmInit.h"

#include <string>

#include "palm/CondMgr.h"
#include "res/resource.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"
#include "ui/Theme.h"

void TfmInit::MakePicture() {
  RECT rc = {};
  GetClientRect(Item(IDC_IMGINIT), &rc);
  SetStaticBitmap(Item(IDC_IMGINIT), MakeLogoBitmap(rc.right, rc.bottom, "version 1.2"));
}

bool TfmInit::OnInitDialog() {
  ApplyLayout(m_hWnd, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE)),
              IDR_LAYOUT_INIT);
  SizeWindowCentred(m_hWnd, 371, 195);
  static const int kBold[] = {IDC_INITTOOLS, 0};
  SetControlFont(kBold, true, false);
  MakePicture();
  SetWindowTextA(m_hWnd, "Tandelix");  // no title bar; named for the task list
  SetTimer(m_hWnd, IDT_INIT, 500, nullptr);
  return true;
}

void TfmInit::tmInitTimer() {
  if (!m_guard.OnTimer()) return;
  KillTimer(m_hWnd, IDT_INIT);
  std::string sError;
  const CondReadOnce readOnce;  // both tabs' conduits from one reading
  if (!RunInitSequence(m_steps, &sError))
    MessageBoxA(m_hWnd, sError.c_str(), "Error", MB_OK | MB_ICONERROR);
  End(IDOK);
}

bool TfmInit::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (uMsg) {
    case WM_TIMER:
      if (wParam == IDT_INIT) tmInitTimer();
      *pResult = 0;
      return true;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      HDC hdc = reinterpret_cast<HDC>(wParam);
      const bool bAccent = GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_INITTOOLS;
      SetTextColor(hdc, bAccent && !HighContrast() ? AccentColour() : PanelTextColour());
      SetBkColor(hdc, PanelColour());
      *pResult = reinterpret_cast<LRESULT>(PanelBrush());
      return true;
    }
    case WM_COMMAND:
      // No Escape or Enter: the splash ends when the sequence has run.
      *pResult = 0;
      return true;
    default:
      return TxDialog::HandleMessage(uMsg, wParam, lParam, pResult);
  }
}
