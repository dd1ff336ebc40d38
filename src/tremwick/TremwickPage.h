// The per-user sync tool's tab, tTremwick: the user list, the conduit list with
// its context menu, and the buttons. The behaviour is TWTool's; the page wires
// it to the controls.
#pragma once

#include <memory>
#include <string>

#include "shell/ShellContext.h"
#include "tremwick/TWTool.h"
#include "ui/TabPage.h"

// A report list view with check boxes. Setting a check box sends the control's
// own change notification, so the page passes it on like a click.
class TWListView : public ITWCheckList {
 public:
  explicit TWListView(HWND& hList) : m_hList(hList) {}
  void Clear() override;
  int Add(const char* szCaption, void* pData) override;
  void SetSubItem(int nItem, const char* szText) override;
  int Count() override;
  void* Data(int nItem) override;
  void SetCheck(int nItem, bool bCheck) override;
  bool IsChecked(int nItem) override;
  int Selected() override;
  void SuspendRedraw(bool bSuspend) override;

 private:
  HWND& m_hList;
};

// pmTWCond: the captions come from the menu resource; what the tool sets is
// kept until the menu is shown, which builds it from the visible items.
class TWPopupMenu : public ITWCondMenu {
 public:
  void Load(HINSTANCE hInst);
  void SetVisible(TWMenuItem item, bool bVisible) override { m_items[item].bVisible = bVisible; }
  void SetCaption(TWMenuItem item, const char* szCaption) override {
    m_items[item].strCaption = szCaption;
  }
  void SetChecked(TWMenuItem item, bool bChecked) override { m_items[item].bChecked = bChecked; }
  // Shows the menu at a screen point; the chosen item's command goes to hOwner.
  // Each caption gets an access key of its own (see MenuAccessKeys).
  void Show(HWND hOwner, int x, int y) const;

 private:
  struct Item {
    int id = 0;
    std::string strCaption;
    bool bVisible = true;
    bool bChecked = false;
  };
  Item m_items[TW_MI_COUNT];
};

class TremwickPage : public TabPage, private ITWUserInfoView {
 public:
  explicit TremwickPage(ShellContext& ctx);
  ~TremwickPage() override;

  // Third step of start-up: builds the action table and fills both lists.
  void SetUpSyncTab();
  // Null until the page window exists.
  TWTool* Tool() { return m_pTool.get(); }

 protected:
  void OnInitPage() override;
  void OnCommand(int id, int code, HWND hCtl) override;
  LRESULT OnNotify(NMHDR* pHdr) override;
  bool HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

 private:
  void ShowUserInfo(uint32_t dwUserID, const std::vector<TWConduitRef>& conduits) override;
  void ShowCondMenu(LPARAM lPoint);

  ShellContext& m_ctx;
  HWND m_hUsers = nullptr;
  HWND m_hConds = nullptr;
  TWListView m_userList{m_hUsers};
  TWListView m_condList{m_hConds};
  TWPopupMenu m_menu;
  std::unique_ptr<TWTool> m_pTool;  // made with the page, once the context is complete
};
