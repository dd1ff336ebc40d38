#include "orvello/fmOVCheck.h"

#include <commctrl.h>

#include "orvello/ConduitTool.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Access.h"
#include "ui/FillGuard.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"

TfmOVCheck::TfmOVCheck(OVTool& tool, IPrompt& prompt, WinPrompt* pReown)
    : m_logic(*this, prompt, tool, tool.Ports().pClock, tool.Ports().strModuleDir),
      m_pReown(pReown) {}

TfmOVCheck::~TfmOVCheck() {
  if (m_hImages) ImageList_Destroy(m_hImages);
}

void TfmOVCheck::Run(HINSTANCE hInst, HWND hOwner) {
  m_hOldOwner = m_pReown ? m_pReown->Owner() : nullptr;
  DoModal(hInst, IDD_OVCHECK, hOwner);
  if (m_pReown) m_pReown->SetOwner(m_hOldOwner);
}

// The severity pictures, drawn at the size of small icons (the list shares
// them: LVS_SHAREIMAGELISTS; the dialog owns them).
void TfmOVCheck::MakeImages() {
  HIMAGELIST hNew =
      MakePictureList(MetricForDpi(SM_CXSMICON, Dpi()),
                      {Picture::Failed, Picture::Warning, Picture::Information});
  if (!hNew) return;
  SendDlgItemMessageA(m_hWnd, IDC_LVCHKFINDINGS, LVM_SETIMAGELIST, LVSIL_SMALL,
                      reinterpret_cast<LPARAM>(hNew));
  if (m_hImages) ImageList_Destroy(m_hImages);
  m_hImages = hNew;
}

bool TfmOVCheck::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_OVCHECK);
  SizeClient(860, 492);
  if (m_pReown) m_pReown->SetOwner(m_hWnd);
  HWND hList = Item(IDC_LVCHKFINDINGS);
  SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE,
               LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_LABELTIP);
  MakeImages();
  // By image index, as OVCheck gives them.
  SetRowPictureWords(hList, {"error", "warning", "information"});
  ctl::ListAddColumn(hList, 0, "What", Px(330));
  ctl::ListAddColumn(hList, 1, "Where", Px(170));
  ctl::ListAddColumn(hList, 2, "Advice", Px(160));
  ctl::ListAddColumn(hList, 3, "Repair", Px(160));
  m_logic.FormCreate();
  return true;
}

void TfmOVCheck::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_BTNCHKREPAIR:
      m_logic.btnChkRepairClick();
      break;
    case IDC_BTNCHKAGAIN:
      SetSummary("");
      m_logic.Check();
      break;
    case IDCANCEL:
      End(IDCANCEL);
      break;
    default:
      break;
  }
}

LRESULT TfmOVCheck::OnNotify(NMHDR* pHdr) {
  if (!m_bFilling && pHdr->idFrom == IDC_LVCHKFINDINGS && pHdr->code == LVN_ITEMCHANGED) {
    const auto* pItem = reinterpret_cast<const NMLISTVIEW*>(pHdr);
    if (pItem->uChanged & LVIF_STATE) m_logic.lvChkFindingsChange();
  }
  return 0;
}

void TfmOVCheck::Clear() {
  FillGuard guard(m_bFilling);
  ctl::ListClear(Item(IDC_LVCHKFINDINGS));
}

void TfmOVCheck::AddRow(int nImage, const std::string& strWhat, const std::string& strWhere,
                        const std::string& strAdvice, const std::string& strRepair) {
  FillGuard guard(m_bFilling);
  HWND hList = Item(IDC_LVCHKFINDINGS);
  const int i = ctl::ListInsert(hList, ctl::ListCount(hList), strWhat.c_str(), nImage, nullptr);
  if (i < 0) return;
  ctl::ListSetText(hList, i, 1, strWhere.c_str());
  ctl::ListSetText(hList, i, 2, strAdvice.c_str());
  ctl::ListSetText(hList, i, 3, strRepair.empty() ? "-" : strRepair.c_str());
}

bool TfmOVCheck::IsChecked(int nRow) { return ctl::ListGetCheck(Item(IDC_LVCHKFINDINGS), nRow); }

void TfmOVCheck::EnableRepair(bool bEnable) { ctl::Enable(Item(IDC_BTNCHKREPAIR), bEnable); }

void TfmOVCheck::SetSummary(const std::string& strText) {
  SetWindowTextA(Item(IDC_EDTCHKSUMMARY), strText.c_str());
}
