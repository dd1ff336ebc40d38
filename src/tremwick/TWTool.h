// What the per-user sync tab does, behind small interfaces for what it shows:
// the user list, the conduit list, the conduit context menu, message boxes, the
// shell and the user information dialog. The page window supplies the real
// controls; tests supply fakes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "palm/CondMgr.h"
#include "palm/PalmDesktop.h"
#include "shell/Ports.h"
#include "tremwick/TWAction.h"

// lvTWUser and lvTWCond: report lists with check boxes whose rows carry a
// pointer. Changing a check box raises the list's change event, as the real
// control does (for lvTWCond that is lvTWCondChange).
class ITWCheckList {
 public:
  virtual ~ITWCheckList() = default;
  virtual void Clear() = 0;
  // Appends a row; its index.
  virtual int Add(const char* szCaption, void* pData) = 0;
  // The text of the second column.
  virtual void SetSubItem(int nItem, const char* szText) = 0;
  virtual int Count() = 0;
  virtual void* Data(int nItem) = 0;  // null for a row that is not there
  virtual void SetCheck(int nItem, bool bCheck) = 0;
  virtual bool IsChecked(int nItem) = 0;
  virtual int Selected() = 0;  // -1 when no row is selected
  // Between true and false the rows change without being drawn.
  virtual void SuspendRedraw(bool) {}
};

// pmTWCond: its four items keep what the tool last set until it shows again.
class ITWCondMenu {
 public:
  virtual ~ITWCondMenu() = default;
  virtual void SetVisible(TWMenuItem item, bool bVisible) = 0;
  virtual void SetCaption(TWMenuItem item, const char* szCaption) = 0;
  virtual void SetChecked(TWMenuItem item, bool bChecked) = 0;
};

// One conduit of the action table as the user information dialog needs it.
struct TWConduitRef {
  std::string strTitle;
  std::string strCreator;  // four characters, or empty (the backup conduit)
};

// Opens TfmTWUserInfo for one user, modally.
class ITWUserInfoView {
 public:
  virtual ~ITWUserInfoView() = default;
  virtual void ShowUserInfo(uint32_t dwUserID, const std::vector<TWConduitRef>& conduits) = 0;
};

inline constexpr const char kTWCaptionInstall[] = "Install to handhelds";
inline constexpr const char kTWCaptionPC2HH[] = "Desktop overwrite handhelds";

class TWTool {
 public:
  TWTool(ITWCheckList& users, ITWCheckList& conds, ITWCondMenu& menu, IPrompt& prompt,
         IShellOpen& shell, ITWUserInfoView& info);
  ~TWTool();
  TWTool(const TWTool&) = delete;
  TWTool& operator=(const TWTool&) = delete;

  // Start-up step: creates the action table and fills both lists.
  void SetUpSyncTab();
  // Reloads the action table from Palm Desktop, every change discarded.
  void FillActionTable();
  void FillUserList();

  // Event handlers.
  void btnUserAllClick();
  void btnUserClearClick();
  void btnTWEnableAllClick();
  void btnTWDisableAllClick();
  void btnTWRefreshClick() { FillActionTable(); }
  void btnTWHotSyncClick();
  // A state change of one conduit row.
  void lvTWCondChange(int nItem);
  // Prepares pmTWCond for the selected conduit; false when there is none to
  // show it for.
  bool pmTWCondPopup();
  void miSyncClick() { ChooseAction(TW_MI_SYNC); }
  void miPC2HHClick() { ChooseAction(TW_MI_PC2HH); }
  void miHH2PCClick() { ChooseAction(TW_MI_HH2PC); }
  void miNothingClick() { ChooseAction(TW_MI_NOTHING); }
  // Writes every conduit's action into the checked users' sync preferences:
  // permanent ones with bDefaultAction ("Default Action" checked), else
  // temporary ones. Asks first and reports what was written.
  void btnTWApplyClick(bool bDefaultAction);
  void lvTWUserDblClick();

  bool Filling() const { return m_bFilling; }
  // Null before SetUpSyncTab.
  CCondMgr* ActionTable() { return m_pTable.get(); }
  std::vector<TWConduitRef> Conduits();

 private:
  void ChooseAction(TWMenuItem item);
  CondData* Record(int nItem) { return static_cast<CondData*>(m_conds.Data(nItem)); }

  ITWCheckList& m_users;
  ITWCheckList& m_conds;
  ITWCondMenu& m_menu;
  IPrompt& m_prompt;
  IShellOpen& m_shell;
  ITWUserInfoView& m_info;
  std::unique_ptr<CCondMgr> m_pTable;
  bool m_bFilling = false;  // the filling guard: raised while lvTWCond is rebuilt
};

// What TfmTWUserInfo shows of one user, read from the User Data library.
struct TWSlotRow {
  std::string strNo, strID, strType, strName;
};
struct TWPrefRow {
  std::string strConduit, strPerm, strTemp;
};
struct TWUserInfo {
  bool bProfile = false;
  std::string strName, strDataDir, strRootDir;
  std::vector<TWSlotRow> slots;
  std::vector<TWPrefRow> prefs;  // one per conduit with a four-character creator
};

// A stored preference that is not there.
inline constexpr const char kTWPrefNotSet[] = "Not set";

// Reads everything in the library's order: profile flag, name, directory, root
// directory, slot count, slot references, then per slot media type and display
// name; afterwards each conduit's permanent and temporary preference.
TWUserInfo TWReadUserInfo(uint32_t dwUserID, const std::vector<TWConduitRef>& conduits);
