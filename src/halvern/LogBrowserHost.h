// The window that holds LogBrowser, the embedded browser of the log tab. It sits
// where the page's layout table puts IDC_LOGBROWSER. The browser is the Windows
// WebBrowser control, in place in this window through a site of ours that lets
// it run no script, Java or ActiveX, with local-machine lockdown on for the
// process; where it or its HTML engine (mshtml.dll) cannot be had the pane
// shows a one-line note and a button (IDC_BTNOPENPAGE, enabled once a page was
// asked for) whose click reaches the parent as its WM_COMMAND, and navigating
// only records the address. The window's text is the address last asked for,
// so it can be read from outside.
#pragma once

#include "shell/Ports.h"
#include "ui/TxWindow.h"

struct IWebBrowser2;
class HVBrowserSite;

class LogBrowserHost : public TxWindow, public IBrowser {
 public:
  static constexpr const char* kClass = "THVLogBrowser";
  LogBrowserHost() = default;
  ~LogBrowserHost() override;

  HWND CreateHost(HINSTANCE hInst, HWND hParent, int id);
  void Navigate(const char* szUrl) override;
  bool HasBrowser() const { return m_pBrowser != nullptr; }

 protected:
  LRESULT WndProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateBrowser();
  void CreateFallback(HINSTANCE hInst);
  void LayOutFallback(int cx);
  void ReleaseBrowser();

  HWND m_hNote = nullptr;
  HWND m_hOpen = nullptr;
  HVBrowserSite* m_pSite = nullptr;  // holds the control
  IWebBrowser2* m_pBrowser = nullptr;
  bool m_bOle = false;
};
