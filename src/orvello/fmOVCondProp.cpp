#include "orvello/fmOVCondProp.h"

#include "res/resource.h"
#include "shell/Commands.h"
#include "ui/Layout.h"
#include "ui/Theme.h"

namespace {

int FieldId(OVPropField f) {
  switch (f) {
    case OVPropField::Title: return IDC_PROPTITLE;
    case OVPropField::CreatorID: return IDC_EDTCREATORID;
    case OVPropField::Directory: return IDC_EDTDIRECTORY;
    case OVPropField::File: return IDC_EDTFILE;
    case OVPropField::Priority: return IDC_EDTPRIORITY;
    case OVPropField::PalmDB: return IDC_EDTPALMDB;
    case OVPropField::FileName: return IDC_EDTFILENAME;
    case OVPropField::Version: return IDC_EDTVERSION;
  }
  return 0;
}

}  // namespace

INT_PTR TfmOVCondProp::Run(HINSTANCE hInst, HWND hOwner, CondData* pData, bool bSystemMode) {
  m_pData = pData;
  m_bSystem = bSystemMode;
  m_hOldOwner = m_pReown ? m_pReown->Owner() : nullptr;
  const INT_PTR r = DoModal(hInst, IDD_OVCONDPROP, hOwner);
  if (m_pReown) m_pReown->SetOwner(m_hOldOwner);
  return r;
}

bool TfmOVCondProp::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_OVCONDPROP);
  SizeClient(378, 383);
  static const int kLink[] = {IDC_URLMORE, 0};
  SetControlFont(kLink, false, true);
  if (m_pReown) m_pReown->SetOwner(m_hWnd);
  m_logic.FormCreate();
  m_logic.SetSystemMode(m_bSystem);
  m_logic.SetConduit(m_pData);
  return true;
}

void TfmOVCondProp::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IDOK:
      if (code == BN_CLICKED && m_logic.btnOKClick()) End(IDOK);
      break;
    case IDCANCEL:
      End(IDCANCEL);
      break;
    case IDC_EDTCREATORID:
      if (code == EN_KILLFOCUS) m_logic.edtCreatorIDExit();
      break;
    case IDC_URLMORE:
      if (code == STN_CLICKED) OpenHelpPage(m_shell, m_strModuleDir.c_str(), kHelpCreatorIdPage);
      break;
    default:
      break;
  }
}

bool TfmOVCondProp::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (uMsg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lParam) == Item(IDC_URLMORE)) {
    HDC hdc = reinterpret_cast<HDC>(wParam);
    SetTextColor(hdc, LinkColour(false));
    SetBkMode(hdc, TRANSPARENT);
    *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }
  if (uMsg == WM_HELP) {  // F1: the link's page, from the keyboard
    OpenHelpPage(m_shell, m_strModuleDir.c_str(), kHelpCreatorIdPage);
    *pResult = TRUE;
    return true;
  }
  if (uMsg == WM_SETCURSOR && reinterpret_cast<HWND>(wParam) == Item(IDC_URLMORE)) {
    SetCursor(LoadCursorA(nullptr, IDC_HAND));
    *pResult = TRUE;
    return true;
  }
  return TxDialog::HandleMessage(uMsg, wParam, lParam, pResult);
}

void TfmOVCondProp::SetText(OVPropField f, const std::string& strText) {
  SetDlgItemTextA(m_hWnd, FieldId(f), strText.c_str());
}

std::string TfmOVCondProp::Text(OVPropField f) {
  HWND h = Item(FieldId(f));
  const int n = GetWindowTextLengthA(h);
  std::string s(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(h, s.data(), static_cast<int>(s.size()));
  s.resize(static_cast<size_t>(got > 0 ? got : 0));
  return s;
}

void TfmOVCondProp::EnableCreatorID(bool bEnable) {
  EnableWindow(Item(IDC_EDTCREATORID), bEnable ? TRUE : FALSE);
}
