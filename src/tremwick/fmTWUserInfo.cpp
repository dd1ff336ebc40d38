#include "tremwick/fmTWUserInfo.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Layout.h"

void TfmTWUserInfo::SetUserID(uint32_t dwUserID) {
  m_dwUserID = dwUserID;
  m_info = TWReadUserInfo(dwUserID, m_conduits);
}

bool TfmTWUserInfo::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_TWUSERINFO);
  SizeClient(520, 529);

  SetDlgItemTextA(m_hWnd, IDC_PNLUSERNAME, m_info.strName.c_str());
  CheckDlgButton(m_hWnd, IDC_CBPROFILE, m_info.bProfile ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(m_hWnd, IDC_EDTROOTDIR, m_info.strRootDir.c_str());
  SetDlgItemTextA(m_hWnd, IDC_EDTDATADIR, m_info.strDataDir.c_str());

  HWND hExp = Item(IDC_LVEXP);
  SendMessageA(hExp, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  ctl::ListAddColumn(hExp, 0, "No.", Px(30));
  ctl::ListAddColumn(hExp, 1, "ID", Px(30));
  ctl::ListAddColumn(hExp, 2, "Type", Px(150));
  ctl::ListAddColumn(hExp, 3, "Name", Px(120));
  for (const TWSlotRow& row : m_info.slots) {
    const int i = ctl::ListInsert(hExp, ctl::ListCount(hExp), row.strNo.c_str(), -1, nullptr);
    if (i < 0) continue;
    ctl::ListSetText(hExp, i, 1, row.strID.c_str());
    ctl::ListSetText(hExp, i, 2, row.strType.c_str());
    ctl::ListSetText(hExp, i, 3, row.strName.c_str());
  }

  HWND hPrefs = Item(IDC_LVTWPREFS);
  SendMessageA(hPrefs, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  ctl::ListAddColumn(hPrefs, 0, "Conduit", Px(140));
  ctl::ListAddColumn(hPrefs, 1, "Default Action", Px(158));
  ctl::ListAddColumn(hPrefs, 2, "Next HotSync", Px(155));
  for (const TWPrefRow& row : m_info.prefs) {
    const int i =
        ctl::ListInsert(hPrefs, ctl::ListCount(hPrefs), row.strConduit.c_str(), -1, nullptr);
    if (i < 0) continue;
    ctl::ListSetText(hPrefs, i, 1, row.strPerm.c_str());
    ctl::ListSetText(hPrefs, i, 2, row.strTemp.c_str());
  }
  SetFocus(Item(IDC_BTNCLOSE));
  return false;
}

void TfmTWUserInfo::OnCommand(int id, int, HWND) {
  if (id == IDC_BTNCLOSE || id == IDOK)
    End(IDOK);
  else if (id == IDCANCEL)
    End(IDCANCEL);
}
