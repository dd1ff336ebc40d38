#include "orvello/fmOVImport.h"

#include "orvello/ConduitTool.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/FillGuard.h"
#include "ui/Layout.h"

TfmOVImport::TfmOVImport(OVTool& tool, IPrompt& prompt, WinPrompt* pReown)
    : m_logic(*this, prompt, tool, tool.Ports().strModuleDir), m_pReown(pReown) {}

bool TfmOVImport::Run(HINSTANCE hInst, HWND hOwner) {
  char szFile[MAX_PATH] = {};
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = hOwner;
  ofn.lpstrFilter = "ZIP files (*.zip)\0*.zip\0All Files(*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = szFile;
  ofn.nMaxFile = sizeof szFile;
  ofn.lpstrTitle = kOVImportCaption;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return false;
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const bool bOpen = m_logic.Open(szFile);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  if (!bOpen) return false;
  m_hOldOwner = m_pReown ? m_pReown->Owner() : nullptr;
  DoModal(hInst, IDD_OVIMPORT, hOwner);
  if (m_pReown) m_pReown->SetOwner(m_hOldOwner);
  return m_logic.Imported();
}

bool TfmOVImport::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_OVIMPORT);
  SizeClient(900, 492);
  if (m_pReown) m_pReown->SetOwner(m_hWnd);
  HWND hList = Item(IDC_LVIMPCHANGES);
  SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE,
               LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_LABELTIP);
  ctl::ListAddColumn(hList, 0, "Change", Px(150));
  ctl::ListAddColumn(hList, 1, "Item", Px(250));
  ctl::ListAddColumn(hList, 2, "Details", Px(440));
  m_logic.FormCreate();
  return true;
}

void TfmOVImport::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IDOK:
      if (code == BN_CLICKED && m_logic.btnOKClick()) End(IDOK);
      break;
    case IDCANCEL:
      End(IDCANCEL);
      break;
    case IDC_CBIMPUSER:
      if (code == CBN_SELCHANGE && !m_bFilling)
        m_logic.cbUserChange(ctl::ComboGetSel(Item(IDC_CBIMPUSER)));
      break;
    default:
      break;
  }
}

LRESULT TfmOVImport::OnNotify(NMHDR* pHdr) {
  if (m_bFilling || pHdr->idFrom != IDC_LVIMPCHANGES || pHdr->code != LVN_ITEMCHANGED) return 0;
  const auto* p = reinterpret_cast<const NMLISTVIEW*>(pHdr);
  if (!(p->uChanged & LVIF_STATE)) return 0;
  const UINT changed = p->uNewState ^ p->uOldState;
  if (changed & LVIS_STATEIMAGEMASK) m_logic.lvChangesChange(p->iItem);
  if (changed & LVIS_SELECTED) m_logic.lvChangesSelect();
  return 0;
}

void TfmOVImport::Clear() {
  FillGuard guard(m_bFilling);
  ctl::ListClear(Item(IDC_LVIMPCHANGES));
}

void TfmOVImport::AddRow(bool bChecked, bool bCheckable, const std::string& strChange,
                         const std::string& strItem, const std::string& strDetail) {
  FillGuard guard(m_bFilling);
  HWND hList = Item(IDC_LVIMPCHANGES);
  const int i = ctl::ListInsert(hList, ctl::ListCount(hList), strChange.c_str(), -1, nullptr);
  if (i < 0) return;
  ctl::ListSetText(hList, i, 1, strItem.c_str());
  ctl::ListSetText(hList, i, 2, strDetail.c_str());
  if (bCheckable) {
    ctl::ListSetCheck(hList, i, bChecked);
  } else {
    // A row for information only shows no check box.
    LVITEMA it = {};
    it.stateMask = LVIS_STATEIMAGEMASK;
    it.state = INDEXTOSTATEIMAGEMASK(0);
    SendMessageA(hList, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
  }
}

bool TfmOVImport::IsChecked(int nRow) { return ctl::ListGetCheck(Item(IDC_LVIMPCHANGES), nRow); }

void TfmOVImport::SetChecked(int nRow, bool bChecked) {
  FillGuard guard(m_bFilling);
  HWND hList = Item(IDC_LVIMPCHANGES);
  LVITEMA it = {};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(bChecked ? 2 : 0);
  SendMessageA(hList, LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&it));
}

int TfmOVImport::Selected() { return ctl::ListSelected(Item(IDC_LVIMPCHANGES)); }

void TfmOVImport::Select(int nRow) {
  FillGuard guard(m_bFilling);
  HWND hList = Item(IDC_LVIMPCHANGES);
  LVITEMA it = {};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(hList, LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&it));
  SendMessageA(hList, LVM_ENSUREVISIBLE, nRow, FALSE);
}

void TfmOVImport::SetUserChoice(bool bEnable, const std::vector<std::string>& choices, int nSel) {
  FillGuard guard(m_bFilling);
  HWND hCombo = Item(IDC_CBIMPUSER);
  ctl::ComboReset(hCombo);
  for (const std::string& c : choices) ctl::ComboAdd(hCombo, c.c_str(), nullptr);
  if (nSel >= 0) ctl::ComboSetSel(hCombo, nSel);
  ctl::Enable(hCombo, bEnable);
  ctl::Enable(Item(IDC_IMPLABELUSER), bEnable);
}

void TfmOVImport::SetSummary(const std::string& s) {
  SetWindowTextA(Item(IDC_IMPSUMMARY), s.c_str());
}
