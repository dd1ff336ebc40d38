#include "tremwick/TremwickPage.h"

#include <commctrl.h>

#include "res/resource.h"
#include "tremwick/fmTWUserInfo.h"
#include "ui/Access.h"
#include "ui/Controls.h"
#include "ui/Keys.h"
#include "ui/Layout.h"
#include "ui/Theme.h"

// ---- lvTWUser, lvTWCond ----

void TWListView::Clear() { ctl::ListClear(m_hList); }

int TWListView::Add(const char* szCaption, void* pData) {
  return ctl::ListInsert(m_hList, ctl::ListCount(m_hList), szCaption, -1, pData);
}

void TWListView::SetSubItem(int nItem, const char* szText) {
  ctl::ListSetText(m_hList, nItem, 1, szText);
}

int TWListView::Count() { return ctl::ListCount(m_hList); }

void* TWListView::Data(int nItem) { return ctl::ListData(m_hList, nItem); }

void TWListView::SetCheck(int nItem, bool bCheck) { ctl::ListSetCheck(m_hList, nItem, bCheck); }

bool TWListView::IsChecked(int nItem) { return ctl::ListGetCheck(m_hList, nItem); }

int TWListView::Selected() { return ctl::ListSelected(m_hList); }

void TWListView::SuspendRedraw(bool bSuspend) { ctl::SuspendRedraw(m_hList, bSuspend); }

// ---- pmTWCond ----

void TWPopupMenu::Load(HINSTANCE hInst) {
  static const int kIds[TW_MI_COUNT] = {IDM_TW_SYNC, IDM_TW_PC2HH, IDM_TW_HH2PC, IDM_TW_NOTHING};
  HMENU hMenu = LoadMenuA(hInst, MAKEINTRESOURCEA(IDR_PMTWCOND));
  HMENU hPopup = hMenu ? GetSubMenu(hMenu, 0) : nullptr;
  for (int k = 0; k < TW_MI_COUNT; ++k) {
    m_items[k].id = kIds[k];
    char sz[64] = {};
    if (hPopup) GetMenuStringA(hPopup, kIds[k], sz, sizeof sz, MF_BYCOMMAND);
    m_items[k].strCaption = sz;
  }
  if (hMenu) DestroyMenu(hMenu);
}

void TWPopupMenu::Show(HWND hOwner, int x, int y) const {
  HMENU hPopup = CreatePopupMenu();
  if (!hPopup) return;
  std::vector<std::string> captions;
  for (const Item& it : m_items)
    if (it.bVisible) captions.push_back(it.strCaption);
  captions = MenuAccessKeys(captions);
  size_t k = 0;
  for (const Item& it : m_items) {
    if (!it.bVisible) continue;
    AppendMenuA(hPopup, MF_STRING | (it.bChecked ? MF_CHECKED : MF_UNCHECKED),
                static_cast<UINT_PTR>(it.id), captions[k++].c_str());
  }
  TrackPopupMenu(hPopup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, x, y, 0, hOwner, nullptr);
  DestroyMenu(hPopup);
}

// ---- the page ----

TremwickPage::TremwickPage(ShellContext& ctx)
    : TabPage(IDD_TREMWICK, IDR_LAYOUT_TREMWICK), m_ctx(ctx) {}

TremwickPage::~TremwickPage() { m_pTool.reset(); }

void TremwickPage::OnInitPage() {
  static const int kBold[] = {IDC_TWLABEL1, IDC_TWLABEL2, 0};
  SetControlFont(kBold, true, false);
  m_hUsers = GetDlgItem(m_hWnd, IDC_LVTWUSER);
  m_hConds = GetDlgItem(m_hWnd, IDC_LVTWCOND);
  const LPARAM ex = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  SendMessageA(m_hUsers, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  SendMessageA(m_hConds, LVM_SETEXTENDEDLISTVIEWSTYLE, ex, ex);
  ctl::ListAddColumn(m_hUsers, 0, "User Name", Px(160));
  ctl::ListAddColumn(m_hConds, 0, "Conduit", Px(220));
  ctl::ListAddColumn(m_hConds, 1, "Action", Px(180));
  SetReturnNotifies(m_hUsers);  // Enter on a user: the user's information
  CheckDlgButton(m_hWnd, IDC_CBTWDEFAULT, BST_CHECKED);
  m_menu.Load(m_hInst);
  if (m_ctx.pPrompt && m_ctx.pShell) {
    ITWUserInfoView& info = *this;
    m_pTool = std::make_unique<TWTool>(m_userList, m_condList, m_menu, *m_ctx.pPrompt,
                                       *m_ctx.pShell, info);
  }
}

void TremwickPage::SetUpSyncTab() {
  if (m_pTool) m_pTool->SetUpSyncTab();
}

void TremwickPage::ShowUserInfo(uint32_t dwUserID, const std::vector<TWConduitRef>& conduits) {
  TfmTWUserInfo dlg;
  dlg.SetConduits(conduits);
  dlg.SetUserID(dwUserID);
  dlg.DoModal(m_hInst, IDD_TWUSERINFO, m_ctx.hMain ? m_ctx.hMain : GetParent(m_hWnd));
}

void TremwickPage::ShowCondMenu(LPARAM lPoint) {
  if (!m_pTool) return;
  POINT pt = {static_cast<short>(LOWORD(lPoint)), static_cast<short>(HIWORD(lPoint))};
  const bool bKeyboard = lPoint == -1;
  RECT rc = {LVIR_LABEL, 0, 0, 0};
  if (bKeyboard) {
    // From the keyboard (Shift+F10, the menu key): for the focused row, which
    // is selected and scrolled into view, below its caption.
    const int nRow = static_cast<int>(
        SendMessageA(m_hConds, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (nRow >= 0 && nRow != ctl::ListSelected(m_hConds)) {
      LVITEMA it = {};
      it.stateMask = it.state = LVIS_SELECTED;
      SendMessageA(m_hConds, LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&it));
    }
    const int nShown = nRow >= 0 ? nRow : ctl::ListSelected(m_hConds);
    if (nShown >= 0) {
      SendMessageA(m_hConds, LVM_ENSUREVISIBLE, nShown, FALSE);
      SendMessageA(m_hConds, LVM_GETITEMRECT, nShown, reinterpret_cast<LPARAM>(&rc));
    } else {
      SetRect(&rc, 0, 0, 0, 0);
    }
  }
  if (!m_pTool->pmTWCondPopup()) return;
  if (bKeyboard) {
    pt = {rc.left, rc.bottom};
    ClientToScreen(m_hConds, &pt);
  }
  m_menu.Show(m_hWnd, pt.x, pt.y);
}

void TremwickPage::OnCommand(int id, int code, HWND) {
  if (!m_pTool) return;
  if (code == BN_CLICKED) {  // buttons, and menu items (code 0 too)
    switch (id) {
      case IDC_BTNUSERALL:
        m_pTool->btnUserAllClick();
        break;
      case IDC_BTNUSERCLEAR:
        m_pTool->btnUserClearClick();
        break;
      case IDC_BTNTWENABLEALL:
        m_pTool->btnTWEnableAllClick();
        break;
      case IDC_BTNTWDISABLEALL:
        m_pTool->btnTWDisableAllClick();
        break;
      case IDC_BTNTWREFRESH:
        m_pTool->btnTWRefreshClick();
        break;
      case IDC_BTNTWHOTSYNC:
        m_pTool->btnTWHotSyncClick();
        break;
      case IDC_BTNTWAPPLY:
        m_pTool->btnTWApplyClick(IsDlgButtonChecked(m_hWnd, IDC_CBTWDEFAULT) == BST_CHECKED);
        break;
      case IDM_TW_SYNC:
        m_pTool->miSyncClick();
        break;
      case IDM_TW_PC2HH:
        m_pTool->miPC2HHClick();
        break;
      case IDM_TW_HH2PC:
        m_pTool->miHH2PCClick();
        break;
      case IDM_TW_NOTHING:
        m_pTool->miNothingClick();
        break;
      default:
        break;
    }
  }
}

LRESULT TremwickPage::OnNotify(NMHDR* pHdr) {
  if (!m_pTool) return 0;
  if (pHdr->idFrom == IDC_LVTWCOND && pHdr->code == LVN_ITEMCHANGED) {
    const auto* pnm = reinterpret_cast<const NMLISTVIEW*>(pHdr);
    if (pnm->uChanged & LVIF_STATE) m_pTool->lvTWCondChange(pnm->iItem);
  } else if (pHdr->idFrom == IDC_LVTWUSER && (pHdr->code == NM_DBLCLK || pHdr->code == NM_RETURN)) {
    m_pTool->lvTWUserDblClick();
  }
  return 0;
}

bool TremwickPage::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (uMsg == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == m_hConds) {
    ShowCondMenu(lParam);
    *pResult = 0;
    return true;
  }
  if (uMsg == WM_CTLCOLORSTATIC) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (id == IDC_TWLABEL1 || id == IDC_TWLABEL2) {
      HDC hdc = reinterpret_cast<HDC>(wParam);
      SetTextColor(hdc, AccentColour());
      SetBkMode(hdc, TRANSPARENT);
      *pResult = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      return true;
    }
  }
  return TabPage::HandleMessage(uMsg, wParam, lParam, pResult);
}
