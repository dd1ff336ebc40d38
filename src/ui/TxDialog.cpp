#include "ui/TxDialog.h"

#include <string>

#include "misc/Diag.h"
#include "misc/ErrorText.h"
#include "ui/Access.h"
#include "ui/Dpi.h"
#include "ui/Layout.h"
#include "ui/Pictures.h"
#include "ui/Theme.h"

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

// Marks the windows of this base, which keep their own fonts.
constexpr const char kTxDialogProp[] = "TdxDialog";

bool IsTopLevel(HWND h) { return !(GetWindowLongA(h, GWL_STYLE) & WS_CHILD); }

bool IsListView(HWND h) {
  char sz[32] = {};
  GetClassNameA(h, sz, sizeof sz);
  return lstrcmpiA(sz, WC_LISTVIEWA) == 0;
}

void ShowErrorBox(HWND hOwner, const char* szText) {
  MessageBoxA(hOwner, szText, "Error", MB_OK | MB_ICONERROR);
}

HandlerErrorBox g_pfnErrorBox = ShowErrorBox;

}  // namespace

HandlerErrorBox SetHandlerErrorBox(HandlerErrorBox pfn) {
  HandlerErrorBox old = g_pfnErrorBox;
  g_pfnErrorBox = pfn ? pfn : ShowErrorBox;
  return old;
}

void ReportHandlerException(HWND hWnd) {
  const std::string text = CurrentExceptionText();
  tdx::ReportCondition(("exception in a message handler: " + text).c_str(), __FILE__, __LINE__);
  // The box runs a message loop: a handler that throws again meanwhile is
  // reported to the diagnostics only.
  static bool s_bShowing = false;
  if (s_bShowing) return;
  s_bShowing = true;
  HWND hOwner = hWnd && IsWindow(hWnd) ? GetAncestor(hWnd, GA_ROOT) : nullptr;
  g_pfnErrorBox(hOwner, text.c_str());
  s_bShowing = false;
}

TxDialog::~TxDialog() {
  if (m_hWnd && IsWindow(m_hWnd)) {
    Forget();
    SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
    if (!m_bModal) DestroyWindow(m_hWnd);
  }
  // The controls are gone: nothing uses these any more.
  m_styled.clear();
  if (m_hOwnFont) DeleteObject(m_hOwnFont);
  if (m_hIconSmall) DestroyIcon(m_hIconSmall);
  if (m_hIconBig) DestroyIcon(m_hIconBig);
}

// ---------------------------------------------------------------- DPI, fonts

HFONT TxDialog::Font() const {
  if (m_hOwnFont) return m_hOwnFont;
  HFONT h = m_hWnd ? reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)) : nullptr;
  return h ? h : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void TxDialog::SetControlFont(const int* ids, bool bBold, bool bUnderline) {
  auto p = std::make_unique<StyledFont>();
  for (; ids && *ids; ++ids) p->ids.push_back(*ids);
  p->bBold = bBold;
  p->bUnderline = bUnderline;
  p->font.Make(Font(), bBold, bUnderline);
  for (int id : p->ids)
    SendDlgItemMessageA(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(p->font.Get()), FALSE);
  m_styled.push_back(std::move(p));
}

void TxDialog::SizeClient(int cx, int cy) { SizeClientCentred(m_hWnd, cx, cy); }

// Every descendant but those of another window of this base; into windows that
// hold controls of their own (WS_EX_CONTROLPARENT), such as the log pane.
void TxDialog::SetFonts(HWND hParent, HFONT hFont) {
  for (HWND h = GetWindow(hParent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (GetPropA(h, kTxDialogProp)) continue;
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    if (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) SetFonts(h, hFont);
  }
}

void TxDialog::ScaleColumns(int nOldDpi) {
  if (nOldDpi <= 0 || nOldDpi == m_nDpi) return;
  for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (!IsListView(h)) continue;
    HWND hHeader = reinterpret_cast<HWND>(SendMessageA(h, LVM_GETHEADER, 0, 0));
    const int n = hHeader ? static_cast<int>(SendMessageA(hHeader, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int i = 0; i < n; ++i) {
      const int w = static_cast<int>(SendMessageA(h, LVM_GETCOLUMNWIDTH, i, 0));
      SendMessageA(h, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(MulDiv(w, m_nDpi, nOldDpi), 0));
    }
  }
}

// The check boxes of lists are state pictures too: drawn again at the new size.
// The list gives back the pictures it had (its own, or made here before).
void TxDialog::RemakeCheckBoxes() {
  for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (!IsListView(h) ||
        !(SendMessageA(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES))
      continue;
    if (HIMAGELIST hNew = MakeCheckBoxList(MetricForDpi(SM_CXSMICON, m_nDpi)))
      if (auto hOld = reinterpret_cast<HIMAGELIST>(
              SendMessageA(h, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(hNew))))
        ImageList_Destroy(hOld);
  }
}

// A list that shares its pictures never destroys them, its check boxes
// neither: this window does.
void TxDialog::FreeSharedCheckBoxes() {
  for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
    if (!IsListView(h) || !(GetWindowLongA(h, GWL_STYLE) & LVS_SHAREIMAGELISTS) ||
        !(SendMessageA(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES))
      continue;
    if (auto hOld = reinterpret_cast<HIMAGELIST>(SendMessageA(h, LVM_SETIMAGELIST, LVSIL_STATE, 0)))
      ImageList_Destroy(hOld);
  }
}

// The program's mark as the title bar's and the task switcher's icon.
void TxDialog::MakeIcons() {
  if (!IsTopLevel(m_hWnd) || !(GetWindowLongA(m_hWnd, GWL_STYLE) & WS_SYSMENU)) return;
  HICON hSmall = MakeMarkIcon(MetricForDpi(SM_CXSMICON, m_nDpi));
  HICON hBig = MakeMarkIcon(MetricForDpi(SM_CXICON, m_nDpi));
  SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hSmall));
  SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hBig));
  if (m_hIconSmall) DestroyIcon(m_hIconSmall);
  if (m_hIconBig) DestroyIcon(m_hIconBig);
  m_hIconSmall = hSmall;
  m_hIconBig = hBig;
}

void TxDialog::ApplyDpi(int nDpi) {
  if (!m_hWnd || nDpi <= 0) return;
  const int nOld = m_nDpi;
  m_nDpi = nDpi;
  if (IsTopLevel(m_hWnd)) SetWindowDpi(m_hWnd, nDpi);
  if (m_nFontPoints > 0) {
    LOGFONTA lf = m_lfBase;
    lf.lfHeight = -MulDiv(m_nFontPoints, nDpi, 72);
    HFONT hNew = CreateFontIndirectA(&lf);
    if (hNew) {
      SetFonts(m_hWnd, hNew);
      if (m_hOwnFont) DeleteObject(m_hOwnFont);
      m_hOwnFont = hNew;
    }
  }
  for (auto& p : m_styled) {
    p->font.Make(Font(), p->bBold, p->bUnderline);
    for (int id : p->ids)
      SendDlgItemMessageA(m_hWnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(p->font.Get()), FALSE);
  }
  LayOutAgain(m_hWnd, nDpi);
  ScaleColumns(nOld);
  RemakeCheckBoxes();
  MakeIcons();
  OnDpiChanged(nOld);
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TxDialog::ColoursChanged() {
  RefreshTheme();
  // Common controls learn of new colours only from their window.
  for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    SendMessageA(h, WM_SYSCOLORCHANGE, 0, 0);
  MakeIcons();
  OnColoursChanged();
  RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TxDialog::BeforeInit() {
  SetPropA(m_hWnd, kTxDialogProp, reinterpret_cast<HANDLE>(1));
  m_nDpi = WindowDpi(m_hWnd);
  if (IsTopLevel(m_hWnd)) {
    SetWindowDpi(m_hWnd, m_nDpi);
    TakeOverDialogScaling(m_hWnd);
  }
  for (HWND h = GetWindow(m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
    TakeOverControlScaling(h);
  HFONT hFont = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
  if (hFont && GetObjectA(hFont, sizeof m_lfBase, &m_lfBase) && m_lfBase.lfHeight < 0)
    m_nFontPoints = MulDiv(-m_lfBase.lfHeight, 72, m_nDpi);
}

void TxDialog::AfterInit() {
  NameControls(m_hWnd);
  MakeIcons();
  // Windows hides focus rectangles until a key is pressed: show them always.
  if (IsTopLevel(m_hWnd))
    PostMessageA(m_hWnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void TxDialog::Forget() {
  RemovePropA(m_hWnd, kTxDialogProp);
  SetWindowDpi(m_hWnd, 0);
  ForgetLayout(m_hWnd);
}

INT_PTR TxDialog::DoModal(HINSTANCE hInst, int idd, HWND hOwner) {
  m_bModal = true;
  return DialogBoxParamA(hInst, MAKEINTRESOURCEA(idd), hOwner, &TxDialog::Thunk,
                         reinterpret_cast<LPARAM>(this));
}

HWND TxDialog::Create(HINSTANCE hInst, int idd, HWND hParent) {
  m_bModal = false;
  return CreateDialogParamA(hInst, MAKEINTRESOURCEA(idd), hParent, &TxDialog::Thunk,
                            reinterpret_cast<LPARAM>(this));
}

void TxDialog::End(INT_PTR nResult) {
  if (!m_hWnd) return;
  if (m_bModal)
    EndDialog(m_hWnd, nResult);
  else
    DestroyWindow(m_hWnd);
}

bool TxDialog::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  switch (uMsg) {
    case WM_INITDIALOG:
      BeforeInit();
      *pResult = OnInitDialog() ? TRUE : FALSE;
      AfterInit();
      return true;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      *pResult = 0;
      return true;
    case WM_NOTIFY:
      *pResult = OnNotify(reinterpret_cast<NMHDR*>(lParam));
      return true;
    case WM_DESTROY:
      OnDestroy();
      FreeSharedCheckBoxes();
      return false;
    case WM_DPICHANGED:
      if (const auto* prc = reinterpret_cast<const RECT*>(lParam))
        SetWindowPos(m_hWnd, nullptr, prc->left, prc->top, prc->right - prc->left,
                     prc->bottom - prc->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(LOWORD(wParam));
      *pResult = 0;
      return true;
    case WM_SYSCOLORCHANGE:
      ColoursChanged();
      *pResult = 0;
      return true;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) ColoursChanged();
      return false;
    case WM_GETFONT:
      if (!m_hOwnFont) return false;
      *pResult = reinterpret_cast<LRESULT>(m_hOwnFont);
      return true;
    default:
      return false;
  }
}

// Messages whose result a dialog procedure returns directly instead of
// through DWLP_MSGRESULT.
static bool ReturnsDirectly(UINT uMsg) {
  switch (uMsg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK TxDialog::Thunk(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  TxDialog* self;
  if (uMsg == WM_INITDIALOG) {
    self = reinterpret_cast<TxDialog*>(lParam);
    SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self) self->m_hWnd = hWnd;
  } else {
    self = reinterpret_cast<TxDialog*>(GetWindowLongPtrA(hWnd, DWLP_USER));
  }
  if (!self) return FALSE;
  INT_PTR nRet = FALSE;
  try {
    LRESULT lResult = 0;
    if (self->HandleMessage(uMsg, wParam, lParam, &lResult)) {
      if (ReturnsDirectly(uMsg)) {
        nRet = static_cast<INT_PTR>(lResult);
      } else {
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, lResult);
        nRet = TRUE;
      }
    }
  } catch (...) {
    ReportHandlerException(hWnd);
    nRet = FALSE;
  }
  if (uMsg == WM_NCDESTROY) {
    self->Forget();
    SetWindowLongPtrA(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return nRet;
}

bool RegisterDialogClass(HINSTANCE hInst, const char* szClass, HICON hIcon) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = hInst;
  wc.hIcon = hIcon;
  wc.hIconSm = hIcon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = szClass;
  return RegisterClassExA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
