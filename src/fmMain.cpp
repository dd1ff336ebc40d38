#include "fmMain.h"

#include "fmAbout.h"
#include "fmInit.h"
#include "misc/Diag.h"
#include "misc/WinUtil.h"
#include "orvello/fmOVCheck.h"
#include "orvello/fmOVExport.h"
#include "orvello/fmOVImport.h"
#include "palm/PalmDesktop.h"
#include "res/resource.h"
#include "shell/Commands.h"
#include "ui/Controls.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"
#include "ui/Theme.h"

TfmMain* fmMain = nullptr;
bool g_bReady = false;
HINSTANCE g_hInstance = nullptr;
SplashGuard g_initGuard;

namespace {
constexpr int kTopPanelHeight = 91;
const char* const kTabCaptions[] = {"Orvello", "Tremwick", "Halvern"};
}  // namespace

TfmMain::TfmMain(HINSTANCE hInst)
    : m_hInst(hInst),
      m_pOVLog(new OVLog),
      m_pageOV(m_ctx, m_ovTool, m_pOVLog),
      m_pageTW(m_ctx),
      // The log tab's health page knows the conduits the conduit tab loaded.
      m_pageHV(m_ctx,
               [this](std::vector<HVRegistered>& out) {
                 CCondMgr* pMgr = m_ovTool.AppManager();
                 if (!pMgr) return false;
                 out = HVRegisteredFrom(*pMgr);
                 return true;
               }),
      m_pages{&m_pageOV, &m_pageTW, &m_pageHV} {
  m_ctx.hInst = hInst;
  m_ctx.pPrompt = &m_prompt;
  m_ctx.pMainPrompt = &m_prompt;
  m_ctx.pShell = &m_shell;
  m_ctx.pSettings = &m_settings;
  GetModuleDir(hInst, m_ctx.szModuleDir);
  m_sIniPath = SettingsPath(m_ctx.szModuleDir);
}

TfmMain::~TfmMain() {
  // The pages end before the tool (it is built first, for them); each page
  // detaches what it lent the tool, and the tool's own end touches no list.
  // Release the tool's records here, while everything is still whole.
  m_ovTool.Detach();
  m_ovTool.DoneConduitTool();
  delete m_pOVLog;
}

bool TfmMain::CreateMain() {
  if (!Create(m_hInst, IDD_MAIN, nullptr)) return false;
  if (m_bCloseRequested) {
    // Closed while starting: no question, as before start-up was done.
    DestroyWindow(m_hWnd);
    return false;
  }
  return m_hWnd != nullptr;
}

bool TfmMain::OnInitDialog() {
  m_ctx.hMain = m_hWnd;
  m_prompt.SetOwner(m_hWnd);
  ApplyLayout(m_hWnd, m_hInst, IDR_LAYOUT_MAIN);
  SizeClient(794, 594);
  static const int kBold[] = {IDC_BTNHELP, IDC_BTNEXIT, 0};
  SetControlFont(kBold, true, false);
  MakeLogo();
  CreatePages();
  FormCreate();
  return false;
}

// The logo, drawn for the window's DPI and colours.
void TfmMain::MakeLogo() {
  RECT rc = {};
  GetClientRect(Item(IDC_IMGLOGO), &rc);
  SetStaticBitmap(Item(IDC_IMGLOGO),
                  MakeLogoBitmap(rc.right, rc.bottom, "Palm Desktop Synchronization Toolkit"));
}

void TfmMain::CreatePages() {
  HWND hTab = Item(IDC_SPMAIN);
  for (int i = 0; i < TAB_COUNT; ++i) ctl::TabInsert(hTab, i, kTabCaptions[i]);
  for (TabPage* pPage : m_pages) pPage->CreatePage(m_hInst, m_hWnd);
  PlacePages();
  SelectTab(TAB_ORVELLO);
}

// Over the page control's display area. First in the window's z-order: drawn
// over the page control, and in tab order after the page control's tabs,
// which the cycle reaches from the top buttons.
void TfmMain::PlacePages() {
  HWND hTab = Item(IDC_SPMAIN);
  RECT rc = {};
  GetWindowRect(hTab, &rc);
  MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
  SendMessageA(hTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
  for (TabPage* pPage : m_pages)
    SetWindowPos(pPage->Handle(), HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOACTIVATE);
}

void TfmMain::OnDpiChanged(int) {
  MakeLogo();
  for (TabPage* pPage : m_pages) pPage->ApplyDpi(Dpi());
  PlacePages();
}

void TfmMain::OnColoursChanged() { MakeLogo(); }

bool TfmMain::TabKey(const MSG* pMsg) {
  if (!m_hWnd || pMsg->message != WM_KEYDOWN || !(GetKeyState(VK_CONTROL) & 0x8000)) return false;
  if (pMsg->hwnd != m_hWnd && !IsChild(m_hWnd, pMsg->hwnd)) return false;
  int nStep = 0;
  if (pMsg->wParam == VK_TAB)
    nStep = (GetKeyState(VK_SHIFT) & 0x8000) ? -1 : 1;
  else if (pMsg->wParam == VK_NEXT)
    nStep = 1;
  else if (pMsg->wParam == VK_PRIOR)
    nStep = -1;
  if (!nStep || !IsWindowEnabled(m_hWnd)) return false;
  const int nTab = (ctl::TabGetSel(Item(IDC_SPMAIN)) + nStep + TAB_COUNT) % TAB_COUNT;
  SelectTab(nTab);
  // The focus goes with it: to the new page's first control.
  HWND hPage = m_pages[nTab]->Handle();
  if (HWND hFirst = GetNextDlgTabItem(hPage, nullptr, FALSE))
    SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hFirst), TRUE);
  return true;
}

void TfmMain::SelectTab(int nTab) {
  if (nTab < 0 || nTab >= TAB_COUNT) return;
  if (ctl::TabGetSel(Item(IDC_SPMAIN)) != nTab) ctl::TabSetSel(Item(IDC_SPMAIN), nTab);
  for (int i = 0; i < TAB_COUNT; ++i) m_pages[i]->Activate(i == nTab);
}

void TfmMain::FormCreate() {
  g_hInstance = m_hInst;
  g_bReady = false;
  m_bStarting = true;
  TfmInit splash(g_initGuard, *this);
  splash.DoModal(m_hInst, IDD_INIT, m_hWnd);
  m_bStarting = false;
}

void TfmMain::FormCloseQuery() {
  if (m_bStarting) {
    m_bCloseRequested = true;
    return;
  }
  if (ConfirmClose(g_bReady, m_prompt)) DestroyWindow(m_hWnd);
}

void TfmMain::OnDestroy() {
  std::string sError;
  // Nobody is left to tell at this point; the report goes to the diagnostics.
  if (!RunShutDown(*this, &sError)) tdx::ReportCondition(sError.c_str(), __FILE__, __LINE__);
  PostQuitMessage(0);
}

void TfmMain::OnCommand(int id, int, HWND) {
  switch (id) {
    case IDM_FILE_ORVELLO:
      SelectTab(TAB_ORVELLO);
      break;
    case IDM_FILE_TREMWICK:
      SelectTab(TAB_TREMWICK);
      break;
    case IDM_FILE_HALVERN:
      SelectTab(TAB_HALVERN);
      break;
    case IDM_FILE_EXIT:
    case IDC_BTNEXIT:
      FormCloseQuery();
      break;
    case IDM_TOOL_HOTSYNC:
      RunHotSyncManager(m_shell);
      break;
    case IDM_TOOL_CHECK: {
      TfmOVCheck check(m_ovTool, m_prompt, &m_prompt);
      check.Run(m_hInst, m_hWnd);
      break;
    }
    case IDM_TOOL_EXPORT: {
      TfmOVExport dlg(m_ovTool, m_prompt, &m_prompt);
      dlg.Run(m_hInst, m_hWnd);
      break;
    }
    case IDM_TOOL_IMPORT: {
      TfmOVImport dlg(m_ovTool, m_prompt, &m_prompt);
      if (dlg.Run(m_hInst, m_hWnd)) RefreshConduits();
      break;
    }
    case IDM_TOOL_UNDOIMPORT:
      if (OVUndoImportCommand(m_prompt, m_ovTool, m_ctx.szModuleDir)) RefreshConduits();
      break;
    case IDM_HELP_CONTENT:
    case IDC_BTNHELP:
      OpenHelp(m_shell, m_ctx.szModuleDir);
      break;
    case IDM_HELP_HOME:
      OpenHomePage(m_shell, m_ctx.szModuleDir);
      break;
    case IDM_HELP_ABOUT: {
      TfmAbout about(m_shell, m_ctx.szModuleDir);
      about.DoModal(m_hInst, IDD_ABOUT, m_hWnd);
      break;
    }
    default:
      break;  // IDCANCEL from Escape does not close the window
  }
}

LRESULT TfmMain::OnNotify(NMHDR* pHdr) {
  if (pHdr->idFrom == IDC_SPMAIN && pHdr->code == TCN_SELCHANGE)
    SelectTab(ctl::TabGetSel(pHdr->hwndFrom));
  return 0;
}

void TfmMain::RefreshConduits() {
  m_ovTool.btnOVRefreshClick();
  if (TWTool* pTool = m_pageTW.Tool()) pTool->FillActionTable();
}

void TfmMain::PaintBackground(HDC hdc) {
  RECT rc = {};
  GetClientRect(m_hWnd, &rc);
  const int nTop = Px(kTopPanelHeight);
  RECT rcTop = {rc.left, rc.top, rc.right, nTop};
  RECT rcRest = {rc.left, nTop, rc.right, rc.bottom};
  FillRect(hdc, &rcTop, PanelBrush());
  FillRect(hdc, &rcRest, GetSysColorBrush(COLOR_BTNFACE));
  // A thin line under the panel.
  RECT rcLine = {rc.left, nTop - 1, rc.right, nTop};
  FillRect(hdc, &rcLine, GetSysColorBrush(COLOR_BTNSHADOW));
}

bool TfmMain::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (uMsg) {
    case WM_CLOSE:
      FormCloseQuery();
      *pResult = 0;
      return true;
    case WM_ENDSESSION:
      // The session ends the process once this returns, and the window is never
      // destroyed: write the settings now. Nothing is freed, since a nested
      // modal loop may still be using it.
      if (wParam) SaveSettings();
      *pResult = 0;
      return true;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wParam));
      *pResult = TRUE;
      return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (id != IDC_IMGLOGO && id != IDC_BTNHELP && id != IDC_BTNEXIT) return false;
      SetBkColor(reinterpret_cast<HDC>(wParam), PanelColour());
      SetTextColor(reinterpret_cast<HDC>(wParam), PanelTextColour());
      *pResult = reinterpret_cast<LRESULT>(PanelBrush());
      return true;
    }
    default:
      return TxDialog::HandleMessage(uMsg, wParam, lParam, pResult);
  }
}

// ---------------------------------------------------------------- steps

void TfmMain::StartPalmLayer() { ::StartPalmLayer(); }

void TfmMain::InitConduitTool() { m_ovTool.InitConduitTool(); }

void TfmMain::SetUpSyncTab() { m_pageTW.SetUpSyncTab(); }

void TfmMain::LoadSettings() {
  ReadSettingsFile(m_sIniPath.c_str(), m_settings, m_ovTool.BackupSets());
  m_bSettingsLoaded = true;
}

void TfmMain::SetUpLogTab() { m_pageHV.SetUpLogTab(); }

void TfmMain::SaveSettings() {
  // Settings never read in this run would overwrite the file with defaults.
  if (!m_bSettingsLoaded) return;
  if (!WriteSettingsFile(m_sIniPath.c_str(), m_settings, m_ovTool.BackupSets()))
    tdx::ReportCondition("the settings file could not be written", __FILE__, __LINE__);
}

void TfmMain::DoneConduitTool() { m_ovTool.DoneConduitTool(); }

void TfmMain::ShutDownLogTab() { m_pageHV.ShutDownLogTab(); }

void TfmMain::StopPalmLayer() { ::StopPalmLayer(); }

void TfmMain::DestroyOVLog() {
  delete m_pOVLog;
  m_pOVLog = nullptr;
}
