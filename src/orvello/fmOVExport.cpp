#include "orvello/fmOVExport.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "orvello/ConduitTool.h"
#include "res/resource.h"
#include "ui/Controls.h"
#include "ui/Layout.h"

namespace {

std::string DocumentsFolder() {
  char sz[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, sz)) &&
      sz[0])
    return sz;
  GetCurrentDirectoryA(sizeof sz, sz);
  return sz;
}

}  // namespace

TfmOVExport::TfmOVExport(OVTool& tool, IPrompt& prompt, WinPrompt* pReown)
    : m_logic(*this, prompt, tool, tool.Ports().strModuleDir, DocumentsFolder()),
      m_pReown(pReown) {}

void TfmOVExport::Run(HINSTANCE hInst, HWND hOwner) {
  m_hOldOwner = m_pReown ? m_pReown->Owner() : nullptr;
  DoModal(hInst, IDD_OVEXPORT, hOwner);
  if (m_pReown) m_pReown->SetOwner(m_hOldOwner);
}

bool TfmOVExport::OnInitDialog() {
  HINSTANCE hInst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(m_hWnd, GWLP_HINSTANCE));
  ApplyLayout(m_hWnd, hInst, IDR_LAYOUT_OVEXPORT);
  SizeClient(596, 256);
  if (m_pReown) m_pReown->SetOwner(m_hWnd);
  SendMessageA(Item(IDC_PBEXPORT), PBM_SETRANGE32, 0, 100);
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  m_logic.FormCreate();
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  return true;
}

void TfmOVExport::OnCommand(int id, int code, HWND) {
  switch (id) {
    case IDOK:
      if (code == BN_CLICKED && m_logic.btnOKClick()) End(IDOK);
      break;
    case IDCANCEL:
      if (m_logic.btnCancelClick()) End(IDCANCEL);
      break;
    case IDC_BTNEXPBROWSE:
      if (code == BN_CLICKED) m_logic.btnBrowseClick();
      break;
    case IDC_CBEXPDATA:
      if (code == BN_CLICKED) m_logic.cbDataClick();
      break;
    default:
      break;
  }
}

std::string TfmOVExport::File() {
  HWND h = Item(IDC_EDTEXPFILE);
  const int n = GetWindowTextLengthA(h);
  std::string s(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
  s.resize(static_cast<size_t>(GetWindowTextA(h, s.data(), static_cast<int>(s.size()))));
  return s;
}

void TfmOVExport::SetFile(const std::string& s) { SetWindowTextA(Item(IDC_EDTEXPFILE), s.c_str()); }

bool TfmOVExport::WithData() {
  return SendMessageA(Item(IDC_CBEXPDATA), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TfmOVExport::SetContents(const std::string& s) {
  SetWindowTextA(Item(IDC_EXPCONTENTS), s.c_str());
}

void TfmOVExport::SetDataSize(const std::string& s) {
  SetWindowTextA(Item(IDC_EXPDATASIZE), s.c_str());
}

void TfmOVExport::SetProgress(int nPercent) {
  SendMessageA(Item(IDC_PBEXPORT), PBM_SETPOS, nPercent, 0);
}

void TfmOVExport::SetStatus(const std::string& s) {
  SetWindowTextA(Item(IDC_EXPSTATUS), s.c_str());
}

void TfmOVExport::SetBusy(bool bBusy) {
  for (int id : {IDC_EDTEXPFILE, IDC_BTNEXPBROWSE, IDC_CBEXPDATA, IDOK})
    ctl::Enable(Item(id), !bBusy);
  if (bBusy) SetFocus(Item(IDCANCEL));
}

bool TfmOVExport::PickFile(std::string& strPath) {
  char szFile[MAX_PATH] = {};
  std::snprintf(szFile, sizeof szFile, "%s", strPath.c_str());
  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = m_hWnd;
  ofn.lpstrFilter = "ZIP files (*.zip)\0*.zip\0All Files(*.*)\0*.*\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = szFile;
  ofn.nMaxFile = sizeof szFile;
  ofn.lpstrTitle = "Export HotSync Set-up";
  ofn.lpstrDefExt = "zip";
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameA(&ofn)) return false;
  strPath = szFile;
  return true;
}

void TfmOVExport::Pump() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that owns it
      break;
    }
    if (!IsDialogMessageA(m_hWnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}
