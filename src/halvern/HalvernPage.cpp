#include "halvern/HalvernPage.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/FillGuard.h"
#include "ui/Theme.h"

// ---- cbHVUser ----

void HVComboUserBox::Reset() {
  FillGuard guard(m_bFilling);
  ctl::ComboReset(m_hCombo);
}

void HVComboUserBox::Add(const char* szName, PalmUser* pUser) {
  FillGuard guard(m_bFilling);
  ctl::ComboAdd(m_hCombo, szName, pUser);
}

void HVComboUserBox::Select(int nIndex) {
  FillGuard guard(m_bFilling);
  if (nIndex < ctl::ComboCount(m_hCombo)) ctl::ComboSetSel(m_hCombo, nIndex);
}

PalmUser* HVComboUserBox::Selected() {
  const int i = ctl::ComboGetSel(m_hCombo);
  return i < 0 ? nullptr : static_cast<PalmUser*>(ctl::ComboData(m_hCombo, i));
}

// ---- tvLog ----

void HVTreeView::SuspendRedraw(bool bSuspend) { ctl::SuspendRedraw(m_hTree, bSuspend); }

void HVTreeView::Clear() {
  FillGuard guard(m_bFilling);
  ctl::TreeClear(m_hTree);
}

IHVTree::Node HVTreeView::Add(Node hParent, const char* szText, SyncOperation* pOp) {
  FillGuard guard(m_bFilling);
  return ctl::TreeInsert(m_hTree, static_cast<HTREEITEM>(hParent), szText, pOp);
}

void HVTreeView::Select(Node hNode) {
  FillGuard guard(m_bFilling);
  ctl::TreeSelect(m_hTree, static_cast<HTREEITEM>(hNode));
}

void HVTreeView::Expand(Node hNode) {
  FillGuard guard(m_bFilling);
  ctl::TreeExpand(m_hTree, static_cast<HTREEITEM>(hNode));
}

bool HVTreeView::Selection(int& nLevel, std::string& strText, SyncOperation*& pOp) {
  HTREEITEM hItem = ctl::TreeSelection(m_hTree);
  if (!hItem) return false;
  char sz[64] = {};
  TVITEMA it = {};
  it.mask = TVIF_TEXT | TVIF_PARAM;
  it.hItem = hItem;
  it.pszText = sz;
  it.cchTextMax = sizeof sz;
  if (!SendMessageA(m_hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it))) return false;
  strText = sz;
  pOp = reinterpret_cast<SyncOperation*>(it.lParam);
  nLevel = 0;
  for (HTREEITEM h = hItem;
       (h = reinterpret_cast<HTREEITEM>(
            SendMessageA(m_hTree, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(h))));)
    ++nLevel;
  return true;
}

// ---- the page ----

HalvernPage::HalvernPage(ShellContext& ctx, HVRegisteredFn registered)
    : TabPage(IDD_HALVERN, IDR_LAYOUT_HALVERN), m_ctx(ctx), m_registered(std::move(registered)) {}

HalvernPage::~HalvernPage() { m_pTool.reset(); }

void HalvernPage::OnInitPage() {
  static const int kBold[] = {IDC_LABEL3, IDC_HVLOGLABEL, 0};
  SetControlFont(kBold, true, false);
  m_hUserBox = GetDlgItem(m_hWnd, IDC_CBHVUSER);
  m_hTree = GetDlgItem(m_hWnd, IDC_TVLOG);
  SendMessageA(m_hTree, TVM_SETINDENT, Px(19), 0);
  m_browserHost.CreateHost(m_hInst, m_hWnd, IDC_LOGBROWSER);
  if (m_ctx.pPrompt && m_ctx.pShell && m_ctx.pSettings) {
    m_pTool = std::make_unique<HVTool>(m_userBox, m_treeView, *m_ctx.pPrompt, *m_ctx.pShell,
                                       m_browserHost, *m_ctx.pSettings, m_ctx.szModuleDir,
                                       m_registered);
  }
}

void HalvernPage::SetUpLogTab() {
  if (m_pTool) m_pTool->SetUpLogTab();
}

void HalvernPage::ShutDownLogTab() {
  if (m_pTool) m_pTool->ShutDownLogTab();
}

void HalvernPage::cbHVUserChange() {
  if (m_pTool) m_pTool->cbHVUserChange();
}

void HalvernPage::tvLogChange() {
  if (m_pTool) m_pTool->tvLogChange();
}

void HalvernPage::btnOpenLogClick() {
  if (m_pTool) m_pTool->btnOpenLogClick();
}

void HalvernPage::btnHVHealthClick() {
  if (m_pTool) m_pTool->btnHVHealthClick();
}

void HalvernPage::OnCommand(int id, int code, HWND) {
  if (id == IDC_CBHVUSER && code == CBN_SELCHANGE && !m_bFilling)
    cbHVUserChange();
  else if (id == IDC_BTNOPENLOG && code == BN_CLICKED)
    btnOpenLogClick();
  else if (id == IDC_BTNHVHEALTH && code == BN_CLICKED)
    btnHVHealthClick();
  else if (id == IDC_BTNOPENPAGE && code == BN_CLICKED && m_pTool)
    m_pTool->btnOpenPageClick();
}

LRESULT HalvernPage::OnNotify(NMHDR* pHdr) {
  if (pHdr->idFrom == IDC_TVLOG &&
      (pHdr->code == TVN_SELCHANGEDA || pHdr->code == TVN_SELCHANGEDW) && !m_bFilling)
    tvLogChange();
  return 0;
}

void HalvernPage::OnDpiChanged(int) { SendMessageA(m_hTree, TVM_SETINDENT, Px(19), 0); }

bool HalvernPage::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  const int id = uMsg == WM_CTLCOLORSTATIC ? GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) : 0;
  if (id == IDC_LABEL3 || id == IDC_HVLOGLABEL) {
    HDC hdc = reinterpret_cast<HDC>(wParam);
    SetTextColor(hdc, AccentColour());
    SetBkMode(hdc, TRANSPARENT);
    *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    return true;
  }
  return TabPage::HandleMessage(uMsg, wParam, lParam, pResult);
}
