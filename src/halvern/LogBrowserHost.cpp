#include "halvern/LogBrowserHost.h"

#include <exdisp.h>
#include <ole2.h>

#include <cstring>
#include <new>
#include <string>

#include "halvern/HVBrowserSite.h"
#include "halvern/HVText.h"
#include "res/resource.h"
#include "ui/Layout.h"

LogBrowserHost::~LogBrowserHost() { ReleaseBrowser(); }

HWND LogBrowserHost::CreateHost(HINSTANCE hInst, HWND hParent, int id) {
  // The page's colour: white, or the window colour of a high-contrast theme.
  RegisterClass(hInst, kClass, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  // A control parent: the keyboard reaches the button inside.
  HWND h = Create(hInst, kClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                  WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT, hParent, id);
  if (h) CreateBrowser();
  if (h && !m_pBrowser) CreateFallback(hInst);
  return h;
}

void LogBrowserHost::CreateFallback(HINSTANCE hInst) {
  m_hNote = CreateWindowExA(0, "STATIC", kHVNoViewer, WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP, 0,
                            0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(IDC_LOGNOVIEWER), hInst, nullptr);
  m_hOpen = CreateWindowExA(0, "BUTTON", kHVOpenPage,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, 0, 0, 0,
                            0, m_hWnd, reinterpret_cast<HMENU>(IDC_BTNOPENPAGE), hInst, nullptr);
  const LPARAM font = SendMessageA(GetParent(m_hWnd), WM_GETFONT, 0, 0);
  for (HWND h : {m_hNote, m_hOpen})
    if (h) SendMessageA(h, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  RECT rc;
  GetClientRect(m_hWnd, &rc);
  LayOutFallback(rc.right);
}

void LogBrowserHost::LayOutFallback(int cx) {
  const int m = PxFor(m_hWnd, 8), h = PxFor(m_hWnd, 20);
  if (m_hNote) MoveWindow(m_hNote, m, m, cx > 2 * m ? cx - 2 * m : 0, h, TRUE);
  if (m_hOpen) MoveWindow(m_hOpen, m, 2 * m + h, PxFor(m_hWnd, 120), PxFor(m_hWnd, 26), TRUE);
}

void LogBrowserHost::CreateBrowser() {
  // Before any control exists: lockdown is read as the engine starts.
  HVLockDownLocalMachine();
  // The browser control comes up without an HTML engine too, and then shows
  // nothing at all.
  HMODULE hEngine = LoadLibraryA("mshtml.dll");
  if (!hEngine) return;
  FreeLibrary(hEngine);
  const HRESULT hr = OleInitialize(nullptr);
  if (FAILED(hr)) return;  // COM is set up otherwise on this thread: no browser
  m_bOle = true;
  m_pSite = new (std::nothrow) HVBrowserSite(m_hWnd);
  if (m_pSite) m_pBrowser = m_pSite->Embed();
  if (!m_pBrowser) ReleaseBrowser();
}

void LogBrowserHost::ReleaseBrowser() {
  if (m_pBrowser) {
    m_pBrowser->Release();
    m_pBrowser = nullptr;
  }
  if (m_pSite) {
    m_pSite->Close();
    m_pSite->Release();
    m_pSite = nullptr;
  }
  if (m_bOle) {
    OleUninitialize();
    m_bOle = false;
  }
}

void LogBrowserHost::Navigate(const char* szUrl) {
  if (!szUrl) return;
  if (m_hWnd) SetWindowTextA(m_hWnd, szUrl);
  if (m_hOpen) EnableWindow(m_hOpen, std::strcmp(szUrl, "about:blank") != 0 && *szUrl);
  if (!m_pBrowser) return;
  const int n = MultiByteToWideChar(CP_ACP, 0, szUrl, -1, nullptr, 0);
  if (n <= 0) return;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, szUrl, -1, &wide[0], n);
  VARIANT url;
  VariantInit(&url);
  url.vt = VT_BSTR;
  url.bstrVal = SysAllocString(wide.c_str());
  if (!url.bstrVal) return;
  VARIANT empty;
  VariantInit(&empty);
  m_pBrowser->Navigate2(&url, &empty, &empty, &empty, &empty);
  VariantClear(&url);
}

LRESULT LogBrowserHost::WndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_SIZE:
      if (m_pSite) m_pSite->Resize(LOWORD(lParam), HIWORD(lParam));
      LayOutFallback(LOWORD(lParam));
      return 0;
    case WM_COMMAND:
      // The page decides what the button does.
      if (LOWORD(wParam) == IDC_BTNOPENPAGE && HIWORD(wParam) == BN_CLICKED)
        return SendMessageA(GetParent(m_hWnd), WM_COMMAND, wParam, lParam);
      break;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DESTROY:
      ReleaseBrowser();
      break;
    default:
      break;
  }
  return TxWindow::WndProc(uMsg, wParam, lParam);
}
