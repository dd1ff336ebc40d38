#include "orvello/fmOVSets.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Layout.h"

namespace {

std::string TextOf(HWND h) {
  const int n = GetWindowTextLengthA(h);
  std::string s(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  const int got = GetWindowTextA(h, s.data(), static_cast<int>(s.size()));
  s.resize(static_cast<size_t>(got > 0 ? got : 0));
  return s;
}

}  // namespace

// ---- both dialogs ----

bool TfmOVSetBase::Run(HINSTANCE hInst, HWND hOwner, std::string& strFile) {
  m_hOldOwner = m_pReown ? m_pReown->Owner() : nullptr;
  const INT_PTR r = DoModal(hInst, Template(), hOwner);
  if (m_pReown) m_pReown->SetOwner(m_hOldOwner);
  if (r != IDOK) return false;
  strFile = Chosen();
  return true;
}

bool TfmOVSetBase::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, LayoutTable());
  const SIZE sz = ClientSize();
  SizeClient(sz.cx, sz.cy);
  if (m_pReown) m_pReown->SetOwner(m_hWnd);
  HWND hList = Item(IDC_LVFILE);
  SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  ctl::ListAddColumn(hList, 0, "File", Px(100));
  ctl::ListAddColumn(hList, 1, "Backup Time", Px(100));
  ctl::ListAddColumn(hList, 2, "Description", Px(DescWidth()));
  Create();
  return true;
}

void TfmOVSetBase::OnCommand(int id, int code, HWND) {
  if (id == IDOK && code == BN_CLICKED) {
    if (Ok()) End(IDOK);
  } else if (id == IDCANCEL) {
    End(IDCANCEL);
  }
}

void TfmOVSetBase::AddRow(const std::string& strFile, const std::string& strTime,
                          const std::string& strDesc) {
  HWND hList = Item(IDC_LVFILE);
  const int i = ctl::ListInsert(hList, ctl::ListCount(hList), strFile.c_str(), -1, nullptr);
  if (i < 0) return;
  ctl::ListSetText(hList, i, 1, strTime.c_str());
  ctl::ListSetText(hList, i, 2, strDesc.c_str());
}

int TfmOVSetBase::RowCount() { return ctl::ListCount(Item(IDC_LVFILE)); }

int TfmOVSetBase::SelectedRow() { return ctl::ListSelected(Item(IDC_LVFILE)); }

std::string TfmOVSetBase::RowFile(int nRow) {
  char sz[260] = {};
  LVITEMA it = {};
  it.iSubItem = 0;
  it.pszText = sz;
  it.cchTextMax = sizeof sz;
  SendMessageA(Item(IDC_LVFILE), LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(&it));
  return sz;
}

void TfmOVSetBase::EnableOK(bool bEnable) { ctl::Enable(Item(IDOK), bEnable); }

// ---- backup ----

int TfmOVBackup::Template() const { return IDD_OVBACKUP; }
int TfmOVBackup::LayoutTable() const { return IDR_LAYOUT_OVBACKUP; }

void TfmOVBackup::OnCommand(int id, int code, HWND hCtl) {
  // The two radio buttons are apart in the tab order, so each checks the
  // other off itself.
  if (id == IDC_RBTNNEW && code == BN_CLICKED) {
    SetNewChosen(true);
    m_logic.rbtnNewClick();
  } else if (id == IDC_RBTNEXIST && code == BN_CLICKED) {
    SetNewChosen(false);
    m_logic.rbtnExistClick();
  }
  else
    TfmOVSetBase::OnCommand(id, code, hCtl);
}

void TfmOVBackup::SetNewFile(const std::string& strName) {
  SendMessageA(Item(IDC_EDTNEWFILE), EM_LIMITTEXT, 259, 0);
  SendMessageA(Item(IDC_EDTDESC), EM_LIMITTEXT, 255, 0);
  SetWindowTextA(Item(IDC_EDTNEWFILE), strName.c_str());
}

std::string TfmOVBackup::NewFile() { return TextOf(Item(IDC_EDTNEWFILE)); }

std::string TfmOVBackup::Desc() { return TextOf(Item(IDC_EDTDESC)); }

void TfmOVBackup::SetNewChosen(bool bNew) {
  SendMessageA(Item(IDC_RBTNNEW), BM_SETCHECK, bNew ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageA(Item(IDC_RBTNEXIST), BM_SETCHECK, bNew ? BST_UNCHECKED : BST_CHECKED, 0);
}

bool TfmOVBackup::NewChosen() { return IsDlgButtonChecked(m_hWnd, IDC_RBTNNEW) == BST_CHECKED; }

void TfmOVBackup::EnableNewFields(bool bEnable) {
  ctl::Enable(Item(IDC_EDTNEWFILE), bEnable);
  ctl::Enable(Item(IDC_EDTDESC), bEnable);
}

void TfmOVBackup::EnableExisting(bool bEnable) {
  ctl::Enable(Item(IDC_RBTNEXIST), bEnable);
  ctl::Enable(Item(IDC_LVFILE), bEnable);
}

// ---- restore ----

int TfmOVRestore::Template() const { return IDD_OVRESTORE; }
int TfmOVRestore::LayoutTable() const { return IDR_LAYOUT_OVRESTORE; }
