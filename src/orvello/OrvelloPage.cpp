#include "orvello/OrvelloPage.h"

#include <commdlg.h>

#include "misc/WinUtil.h"
#include "orvello/fmOVCondProp.h"
#include "orvello/fmOVSets.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Access.h"
#include "ui/FillGuard.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"

// ---- lvOVApp / lvOVSys ----

void OVListView::SuspendRedraw(bool bSuspend) { ctl::SuspendRedraw(m_hList, bSuspend); }

void OVListView::Clear() {
  FillGuard guard(m_bFilling);
  ctl::ListClear(m_hList);
}

int OVListView::Add(const char* szCaption, int nImage, const char* szCreator, const char* szFile,
                    CondData* pData) {
  FillGuard guard(m_bFilling);
  const int i = ctl::ListInsert(m_hList, ctl::ListCount(m_hList), szCaption, nImage, pData);
  if (i >= 0) {
    ctl::ListSetText(m_hList, i, 1, szCreator);
    ctl::ListSetText(m_hList, i, 2, szFile);
  }
  return i;
}

int OVListView::Count() { return ctl::ListCount(m_hList); }

CondData* OVListView::Data(int nRow) { return static_cast<CondData*>(ctl::ListData(m_hList, nRow)); }

std::string OVListView::Text(int nRow, int nColumn) {
  char sz[MAX_PATH + 32] = {};
  LVITEMA it = {};
  it.iSubItem = nColumn;
  it.pszText = sz;
  it.cchTextMax = sizeof sz;
  SendMessageA(m_hList, LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(&it));
  sz[sizeof sz - 1] = '\0';
  return sz;
}

void OVListView::SetData(int nRow, CondData* pData) {
  FillGuard guard(m_bFilling);
  LVITEMA it = {};
  it.mask = LVIF_PARAM;
  it.iItem = nRow;
  it.lParam = reinterpret_cast<LPARAM>(pData);
  SendMessageA(m_hList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void OVListView::SetImage(int nRow, int nImage) {
  FillGuard guard(m_bFilling);
  LVITEMA it = {};
  it.mask = LVIF_IMAGE;
  it.iItem = nRow;
  it.iImage = nImage;
  SendMessageA(m_hList, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
}

void OVListView::Delete(int nRow) {
  FillGuard guard(m_bFilling);
  SendMessageA(m_hList, LVM_DELETEITEM, nRow, 0);
}

int OVListView::Selected() { return ctl::ListSelected(m_hList); }

void OVListView::Select(int nRow) {
  FillGuard guard(m_bFilling);
  LVITEMA it = {};
  it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  it.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(m_hList, LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&it));
  SendMessageA(m_hList, LVM_ENSUREVISIBLE, nRow, FALSE);
}

// ---- imgOV ----

HIMAGELIST MakeConduitImages(int nSize) {
  // In the order of OV_IMG_INSTALLED, OV_IMG_RESTORABLE, OV_IMG_INVALID.
  return MakePictureList(nSize, {Picture::Installed, Picture::Restorable, Picture::Failed});
}

// ---- the page ----

OrvelloPage::OrvelloPage(ShellContext& ctx, OVTool& tool, OVLog*& pLog)
    : TabPage(IDD_ORVELLO, IDR_LAYOUT_ORVELLO), m_ctx(ctx), m_tool(tool), m_pLog(pLog) {}

OrvelloPage::~OrvelloPage() {
  // The list wrappers the tool was given end with this page.
  m_tool.Detach();
  if (m_hImages) ImageList_Destroy(m_hImages);
}

// Both lists share the pictures (LVS_SHAREIMAGELISTS): the page owns them.
void OrvelloPage::MakeImages() {
  HIMAGELIST hNew = MakeConduitImages(Px(16));
  if (!hNew) return;
  for (HWND h : {m_hApp, m_hSys})
    SendMessageA(h, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(hNew));
  if (m_hImages) ImageList_Destroy(m_hImages);
  m_hImages = hNew;
}

void OrvelloPage::OnInitPage() {
  m_hApp = Item(IDC_LVOVAPP);
  m_hSys = Item(IDC_LVOVSYS);
  MakeImages();
  for (HWND h : {m_hApp, m_hSys}) {
    SendMessageA(h, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    ctl::ListAddColumn(h, 0, "Name", Px(200));
    ctl::ListAddColumn(h, 1, "Creator ID", Px(100));
    ctl::ListAddColumn(h, 2, "File", Px(260));
    // The pictures in words, by image index; Enter opens the row's properties.
    SetRowPictureWords(h, {"installed", "uninstalled, can be restored", "missing or faulty"});
    SetReturnNotifies(h);
  }
  // Until a row is chosen there is nothing to act on.
  for (int id : {IDC_BTNOVUNINST, IDC_BTNOVRESTORE, IDC_BTNOVAPPPROP, IDC_BTNOVSYSPROP})
    ctl::Enable(Item(id), false);
  if (m_pLog) m_pLog->Attach(m_ctx.szModuleDir, &m_ownerless, m_ctx.pShell, &m_clock);
  OVPorts ports;
  ports.pApp = &m_app;
  ports.pSys = &m_sys;
  ports.pView = this;
  ports.pPrompt = m_ctx.pPrompt;
  ports.pShell = m_ctx.pShell;
  ports.pPicker = this;
  ports.pProps = this;
  ports.pSets = this;
  ports.pClock = &m_clock;
  ports.pLog = m_pLog;
  ports.strModuleDir = m_ctx.szModuleDir;
  m_tool.Attach(ports);
}

void OrvelloPage::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case IDC_BTNOVINST: m_tool.btnOVInstClick(); break;
    case IDC_BTNOVUNINST: m_tool.btnOVUninstClick(); break;
    case IDC_BTNOVRESTORE: m_tool.btnOVRestoreClick(); break;
    case IDC_BTNOVAPPPROP: m_tool.OpenAppConduitProperties(); break;
    case IDC_BTNOVSYSPROP: m_tool.OpenSysConduitProperties(); break;
    case IDC_BTNOVREFRESH: m_tool.btnOVRefreshClick(); break;
    case IDC_BTNOVLOG: m_tool.btnOVLogClick(); break;
    case IDC_BTNOVBACKUP: m_tool.btnOVBackupClick(); break;
    case IDC_BTNOVREST: m_tool.btnOVRestClick(); break;
    case IDC_BTNOVREPORT: m_tool.btnOVReportClick(); break;
    default: break;
  }
}

LRESULT OrvelloPage::OnNotify(NMHDR* pHdr) {
  if (m_bFilling) return 0;
  const bool bApp = pHdr->idFrom == IDC_LVOVAPP;
  const bool bSys = pHdr->idFrom == IDC_LVOVSYS;
  if (!bApp && !bSys) return 0;
  if (pHdr->code == LVN_ITEMCHANGED) {
    // Only a change of a row's state (its selection), not of its text or image.
    const auto* pItem = reinterpret_cast<const NMLISTVIEW*>(pHdr);
    if (!(pItem->uChanged & LVIF_STATE)) return 0;
    if (bApp)
      m_tool.lvOVAppChange();
    else
      m_tool.lvOVSysChange();
  } else if (pHdr->code == NM_DBLCLK || pHdr->code == NM_RETURN) {
    if (bApp)
      m_tool.OpenAppConduitProperties();
    else
      m_tool.OpenSysConduitProperties();
  }
  return 0;
}

void OrvelloPage::EnableButton(OVButton b, bool bEnable) {
  int id = 0;
  switch (b) {
    case OVButton::Uninstall: id = IDC_BTNOVUNINST; break;
    case OVButton::Restore: id = IDC_BTNOVRESTORE; break;
    case OVButton::AppProperties: id = IDC_BTNOVAPPPROP; break;
    case OVButton::SysProperties: id = IDC_BTNOVSYSPROP; break;
  }
  ctl::Enable(Item(id), bEnable);
}

void OrvelloPage::SetWaitCursor(bool bWait) {
  SetCursor(LoadCursorA(nullptr, bWait ? IDC_WAIT : IDC_ARROW));
}

bool OrvelloPage::PickConduitFile(std::string& strPath) {
  char szFile[259] = {};
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_ctx.hMain;
  ofn.lpstrFilter = "Palm Conduit File(*.dll)\0*.dll\0All Files(*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = szFile;
  ofn.nMaxFile = sizeof szFile;
  ofn.lpstrTitle = "Install New Palm Conduit";
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&ofn)) return false;
  strPath = szFile;
  return true;
}

void OrvelloPage::ShowProperties(CondData* pData, bool bSystemMode) {
  if (!pData || !m_ctx.pPrompt || !m_ctx.pShell) return;
  TfmOVCondProp dlg(m_tool, *m_ctx.pPrompt, *m_ctx.pShell, m_ctx.pMainPrompt);
  dlg.Run(m_hInst, m_ctx.hMain, pData, bSystemMode);
}

bool OrvelloPage::ChooseBackupSet(std::string& strFile) {
  if (!m_ctx.pPrompt) return false;
  TfmOVBackup dlg(m_tool, *m_ctx.pPrompt, m_ctx.pMainPrompt);
  return dlg.Run(m_hInst, m_ctx.hMain, strFile);
}

bool OrvelloPage::ChooseRestoreSet(std::string& strFile) {
  if (!m_ctx.pPrompt) return false;
  TfmOVRestore dlg(m_tool, *m_ctx.pPrompt, m_ctx.pMainPrompt);
  return dlg.Run(m_hInst, m_ctx.hMain, strFile);
}
