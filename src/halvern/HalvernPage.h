// The log tool's tab, tHalvern: the user box, the log tree and the browser.
#pragma once

#include "halvern/LogBrowserHost.h"
#include "shell/ShellContext.h"
#include "ui/Fonts.h"
#include "ui/TabPage.h"

class HalvernPage : public TabPage {
 public:
  explicit HalvernPage(ShellContext& ctx);

  // Last step of start-up and the log tool's step of shut-down.
  void SetUpLogTab();
  void ShutDownLogTab();

  // Event handlers.
  void cbHVUserChange();
  void tvLogChange();
  void btnOpenLogClick();

 protected:
  void OnInitPage() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  ShellContext& m_ctx;
  // Raised while the page fills cbHVUser or tvLog itself.
  bool m_bFilling = false;
  DerivedFont m_fontLabel;
  LogBrowserHost m_browserHost;
};
