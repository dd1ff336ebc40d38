// What the log tab does, behind small interfaces for what it shows: the user
// box, the tree, message boxes, the shell and the browser. The page window
// supplies the real controls; tests supply fakes.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "logs/LogHealth.h"
#include "logs/LogReader.h"
#include "palm/PalmDesktop.h"
#include "shell/Ports.h"
#include "shell/Settings.h"

// cbHVUser: a drop-down list of users. Selecting by program raises no event.
class IHVUserBox {
 public:
  virtual ~IHVUserBox() = default;
  virtual void Reset() = 0;
  virtual void Add(const char* szName, PalmUser* pUser) = 0;
  virtual void Select(int nIndex) = 0;
  virtual PalmUser* Selected() = 0;  // null when no entry is selected
};

// tvLog. Nothing the tool does to it raises the selection-change event.
class IHVTree {
 public:
  using Node = void*;
  virtual ~IHVTree() = default;
  virtual void SuspendRedraw(bool bSuspend) = 0;
  virtual void Clear() = 0;
  virtual Node Add(Node hParent, const char* szText, SyncOperation* pOp) = 0;
  virtual void Select(Node hNode) = 0;
  virtual void Expand(Node hNode) = 0;
  // The selected node's level (0 root, 1 month, 2 operation), text and
  // operation; false when nothing is selected.
  virtual bool Selection(int& nLevel, std::string& strText, SyncOperation*& pOp) = 0;
};

inline constexpr const char kHVRootText[] = "All HotSync Log";
inline constexpr const char kHVPageFile[] = "result.html";
inline constexpr const char kHVNoLogFile[] = "Can not find the HotSync Log file.";

// The registered application conduits the health page matches the logs
// against; false when they are not known.
using HVRegisteredFn = std::function<bool(std::vector<HVRegistered>& out)>;

class CCondMgr;
// The conduits a conduit manager holds as registered (not those kept only for
// restoring): the title it shows, and the title the Conduit Manager holds
// when the conduit names itself otherwise. No conduit library is loaded.
std::vector<HVRegistered> HVRegisteredFrom(CCondMgr& mgr);

class HVTool {
 public:
  // szModuleDir is the program's directory, ending in a backslash.
  HVTool(IHVUserBox& box, IHVTree& tree, IPrompt& prompt, IShellOpen& shell, IBrowser& browser,
         TdxSettings& settings, const char* szModuleDir, HVRegisteredFn registered = {});
  ~HVTool();
  HVTool(const HVTool&) = delete;
  HVTool& operator=(const HVTool&) = delete;

  void SetUpLogTab();
  void ShutDownLogTab();
  void cbHVUserChange();
  void tvLogChange() { WriteLogPage(); }
  void btnOpenLogClick();
  // Writes the chosen user's conduit health page and shows it; the tree keeps
  // its selection.
  void btnHVHealthClick();
  // Hands the page last shown to the shell's "open" (the user's browser);
  // nothing before a page was written.
  void btnOpenPageClick();

  void BuildLogTree();
  void WriteLogPage();

  // What the browser was last asked to show ("" before the first time).
  const std::string& LastAddress() const { return m_strLastAddress; }
  CLogReader* Reader() { return m_pReader.get(); }
  std::string PagePath() const { return m_strModuleDir + kHVPageFile; }

 private:
  void Navigate(const char* szAddress);
  bool ReplacePage(const std::string& bytes);

  IHVUserBox& m_box;
  IHVTree& m_tree;
  IPrompt& m_prompt;
  IShellOpen& m_shell;
  IBrowser& m_browser;
  TdxSettings& m_settings;
  std::string m_strModuleDir;
  HVRegisteredFn m_registered;
  std::unique_ptr<CLogReader> m_pReader;
  std::string m_strLastAddress;
};
