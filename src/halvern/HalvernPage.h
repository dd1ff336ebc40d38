// The log tool's tab, tHalvern: the user box, the log tree and the browser.
// The behaviour is HVTool's; the page wires it to the controls.
#pragma once

#include <memory>

#include "halvern/LogBrowserHost.h"
#include "halvern/LogTool.h"
#include "shell/ShellContext.h"
#include "ui/TabPage.h"

// cbHVUser and tvLog as the tool sees them. Everything the program does to
// them runs under the page's fill guard, so their notifications are not taken
// for the user's.
class HVComboUserBox : public IHVUserBox {
 public:
  HVComboUserBox(HWND& hCombo, bool& bFilling) : m_hCombo(hCombo), m_bFilling(bFilling) {}
  void Reset() override;
  void Add(const char* szName, PalmUser* pUser) override;
  void Select(int nIndex) override;
  PalmUser* Selected() override;

 private:
  HWND& m_hCombo;
  bool& m_bFilling;
};

class HVTreeView : public IHVTree {
 public:
  HVTreeView(HWND& hTree, bool& bFilling) : m_hTree(hTree), m_bFilling(bFilling) {}
  void SuspendRedraw(bool bSuspend) override;
  void Clear() override;
  Node Add(Node hParent, const char* szText, SyncOperation* pOp) override;
  void Select(Node hNode) override;
  void Expand(Node hNode) override;
  bool Selection(int& nLevel, std::string& strText, SyncOperation*& pOp) override;

 private:
  HWND& m_hTree;
  bool& m_bFilling;
};

class HalvernPage : public TabPage {
 public:
  // registered: the conduits the health page matches the logs against.
  HalvernPage(ShellContext& ctx, HVRegisteredFn registered);
  ~HalvernPage() override;

  // Last step of start-up and the log tool's step of shut-down.
  void SetUpLogTab();
  void ShutDownLogTab();

  // Event handlers.
  void cbHVUserChange();
  void tvLogChange();
  void btnOpenLogClick();
  void btnHVHealthClick();

 protected:
  void OnInitPage() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
  void OnDpiChanged(int) override;

  ShellContext& m_ctx;
  HVRegisteredFn m_registered;
  // Raised while the page fills cbHVUser or tvLog itself.
  bool m_bFilling = false;
  LogBrowserHost m_browserHost;
  HWND m_hUserBox = nullptr;
  HWND m_hTree = nullptr;
  HVComboUserBox m_userBox{m_hUserBox, m_bFilling};
  HVTreeView m_treeView{m_hTree, m_bFilling};
  std::unique_ptr<HVTool> m_pTool;  // made with the page, once the context is complete
};
