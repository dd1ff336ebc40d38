#include "TdcCli.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "orvello/OVDoctor.h"
#include "orvello/OVRepair.h"
#include "orvello/OVOutput.h"
#include "misc/WinUtil.h"
#include "orvello/ConduitTool.h"
#include "orvello/OVCondProp.h"
#include "orvello/OVPages.h"
#include "orvello/OVSetDialogs.h"
#include "orvello/OVText.h"
#include "orvello/setup/OVSetupCli.h"
#include "palm/CondAsk.h"
#include "palm/PalmDesktop.h"
#include "shell/Settings.h"

namespace {

// ---------------------------------------------------------------- usage

const char kUsage[] =
    "usage: tdcond <command> [arguments]\n"
    "\n"
    "Does what the Orvello tab of Tandelix does, from the command line, with the\n"
    "files beside tdcond.exe (ovlog.dat, OVRes.dat, the backup sets, tessary.ini);\n"
    "finds Palm Desktop as Tandelix does (\"PDPath\" in tessary.ini first).\n"
    "\n"
    "  list [--json]                 the conduits and their settings\n"
    "  install DLL --creator XXXX    install a conduit from its library\n"
    "  uninstall CREATOR             uninstall a conduit, keeping it restorable\n"
    "  restore CREATOR               restore an uninstalled conduit\n"
    "  backup NAME [--desc TEXT]     save every application conduit's settings\n"
    "  restore-set NAME              install the conduits of a backup set again\n"
    "  sets [--json]                 list the backup sets\n"
    "  report [OUT]                  write the conduit report (condrpt.html)\n"
    "  history [OUT]                 write the install history (ovlog.html)\n"
    "  doctor [--json] [--fix]       check the HotSync configuration, and repair it\n"
    "  export FILE [--with-data]     write the whole HotSync set-up into one ZIP file\n"
    "  import FILE [--dry-run]       list and make the changes a set-up file brings\n"
    "  import --undo                 put back what the last import changed\n"
    "\n"
    "\"tdcond COMMAND --help\" tells more. Exit status: 0 done; 1 failed, with one\n"
    "line on the error output saying what and why; 2 wrong command line.\n";

struct Command;
struct Args {
  std::vector<std::string> pos;
  std::map<std::string, std::string> values;  // "--creator" -> "addr"; flags -> ""
  std::map<std::string, std::vector<std::string>> lists;  // options given more than once
  bool Has(const char* name) const { return values.count(name) != 0; }
  std::string Get(const char* name) const {
    auto it = values.find(name);
    return it == values.end() ? "" : it->second;
  }
};

class Session;
using Handler = std::function<int(Session&, const Args&)>;

struct Command {
  const char* szName;
  const char* szUsage;
  const char* szHelp;
  size_t nMinPos, nMaxPos;
  std::vector<const char*> valueOptions;
  std::vector<const char*> flagOptions;
  Handler handler;
  std::vector<const char*> listOptions = {};  // value options that may be given again
};

// ---------------------------------------------------------------- the prompt

// Message boxes become lines; questions are answered from the command line.
// The messages are kept until the command's outcome is known, so a failure
// ends in exactly one line on the error output.
class TdcPrompt : public IPrompt {
 public:
  enum Kind { Info, Warning, Error, Declined, Accepted };
  struct Msg {
    Kind kind;
    std::string text;
  };
  bool bYes = false;  // --replace: the only question the commands meet
  std::vector<Msg> msgs;

  void ShowError(const char* s) override { msgs.push_back({Error, s ? s : ""}); }
  void ShowInfo(const char* s, const char*) override { msgs.push_back({Info, s ? s : ""}); }
  void ShowWarning(const char* s, const char*) override { msgs.push_back({Warning, s ? s : ""}); }
  Answer Ask(const char* s, const char*, bool) override {
    msgs.push_back({bYes ? Accepted : Declined, s ? s : ""});
    return bYes ? Answer::Yes : Answer::No;
  }
  const Msg* Last(Kind k) const {
    for (auto it = msgs.rbegin(); it != msgs.rend(); ++it)
      if (it->kind == k) return &*it;
    return nullptr;
  }
  const Msg* First(Kind k) const {
    for (const Msg& m : msgs)
      if (m.kind == k) return &m;
    return nullptr;
  }
};

// The Palm Desktop layer reports a missing user list through a function of
// its own; the console tool keeps quiet about it (the doctor reports users).
void QuietPalmPrompt(const char*, const char*) {}

bool IsDir(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// A path given on the command line, taken against the directory tdcond was
// started in (before the Palm Desktop directory becomes the current one).
bool FullPath(const std::string& path, std::string* pFull) {
  char sz[MAX_PATH] = {};
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof sz, sz, nullptr);
  if (n == 0 || n >= sizeof sz) return false;
  *pFull = sz;
  return true;
}

// ---------------------------------------------------------------- the session

// The tab's pieces as the console tool wires them: in-memory lists, the
// printing prompt, the history and the tool, over the program's files.
class Session : private IOVFilePicker, private IOVPropDialog {
 public:
  explicit Session(const TdcEnv& env) : m_env(env) {
    GetCurrentDirectoryA(sizeof m_szCwd, m_szCwd);
    char szExeDir[MAX_PATH] = {};
    GetModuleDir(nullptr, szExeDir);
    m_strPDIni = SettingsPath(szExeDir);
    m_strIni = SettingsPath(env.strModuleDir.c_str());
  }
  ~Session() {
    tool.DoneConduitTool();
    if (m_bLayer) StopPalmLayer();
    SetCurrentDirectoryA(m_szCwd);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  TdcResult result;
  TdcPrompt prompt;
  OVRowList app, sys;
  OVLog log;
  OVTool tool;
  TdxSettings settings;

  const TdcEnv& Env() const { return m_env; }
  const std::string& IniPath() const { return m_strIni; }

  // Finds Palm Desktop, makes its directory current and loads its libraries,
  // as the program's start-up does; the Conduit Manager must load.
  bool StartPalm() {
    char szDir[260] = {};
    if (GetPalmDesktopPath(szDir, sizeof szDir) != 0)
      return Fail("Palm Desktop is not found: no \"PDPath\" in " + m_strPDIni +
                  " and no Palm Desktop \"DesktopPath\" for this Windows user");
    if (!IsDir(szDir))
      return Fail(std::string("the Palm Desktop directory \"") + szDir + "\" does not exist");
    StartLayer();
    if (!IsPalmLibraryLoaded(PD_LIB_CONDMGR))
      return Fail(
          std::string("Palm Desktop's Conduit Manager (condmgr.dll) does not load from \"") +
          szDir + "\"");
    return true;
  }
  // The same for the doctor, which reports what is missing itself.
  void StartPalmForDoctor() {
    char szDir[260] = {};
    if (GetPalmDesktopPath(szDir, sizeof szDir) == 0 && IsDir(szDir)) StartLayer();
  }

  // The history and the tool, as the tab attaches them; the lists filled and
  // the backup-set list read from the settings file.
  void StartTool() {
    log.Attach(m_env.strModuleDir.c_str(), &prompt, nullptr, m_env.pClock);
    OVPorts ports;
    ports.pApp = &app;
    ports.pSys = &sys;
    ports.pPrompt = &prompt;
    ports.pPicker = this;
    ports.pProps = this;
    ports.pClock = m_env.pClock;
    ports.pLog = &log;
    ports.strModuleDir = m_env.strModuleDir;
    tool.Attach(ports);
    tool.InitConduitTool();
    ReadSettingsFile(m_strIni.c_str(), settings, tool.BackupSets());
  }

  // One line on the error output and exit status 1.
  bool Fail(const std::string& why) {
    result.strErr += "tdcond: " + why + "\n";
    result.nExit = TDC_EXIT_FAILED;
    return false;
  }
  int Failed(const std::string& why) {
    Fail(why);
    return TDC_EXIT_FAILED;
  }

  // What the prompt collected: on success the messages (warnings on the
  // error output); on failure one line, the most telling message.
  int Finish(bool bOk, const std::string& fallback) {
    if (bOk) {
      for (const TdcPrompt::Msg& m : prompt.msgs) {
        if (m.kind == TdcPrompt::Warning || m.kind == TdcPrompt::Error)
          result.strErr += "tdcond: warning: " + m.text + "\n";
        else if (m.kind == TdcPrompt::Accepted)
          result.strOut += m.text + " Yes (--replace).\n";
        else
          result.strOut += m.text + "\n";
      }
      return TDC_EXIT_OK;
    }
    if (const TdcPrompt::Msg* m = prompt.First(TdcPrompt::Error)) return Failed(m->text);
    if (const TdcPrompt::Msg* m = prompt.Last(TdcPrompt::Declined))
      return Failed(m->text + " No: give --replace to answer Yes.");
    if (const TdcPrompt::Msg* m = prompt.Last(TdcPrompt::Info)) return Failed(m->text);
    return Failed(fallback);
  }

  // The install command's answers to the open-file and properties dialogs.
  struct InstallAnswers {
    std::string strLibrary, strCreator, strTitle;
    const Args* pArgs = nullptr;
    bool bOpened = false, bOK = false;
  } install;

 private:
  void StartLayer() {
    const PalmErrorPrompt pOld = SetPalmErrorPrompt(QuietPalmPrompt);
    StartPalmLayer();
    SetPalmErrorPrompt(pOld);
    m_bLayer = true;
  }

  bool PickConduitFile(std::string& strPath) override {
    strPath = install.strLibrary;
    return !strPath.empty();
  }

  // The properties dialog's behaviour, with the options as what the user
  // types: the creator, leaving the field (the built-in defaults fill what
  // the options left empty), the settings, OK.
  class View : public IOVPropView {
   public:
    std::map<OVPropField, std::string> text;
    void SetText(OVPropField f, const std::string& s) override { text[f] = s; }
    std::string Text(OVPropField f) override { return text[f]; }
    void EnableCreatorID(bool) override {}
  };
  void ShowProperties(CondData* pData, bool bSystemMode) override {
    if (!pData || bSystemMode || !install.pArgs) return;
    install.bOpened = true;
    const Args& a = *install.pArgs;
    if (a.Has("--title")) OVCopyCut(pData->szTitle, install.strTitle.c_str());
    View view;
    OVCondProp dlg(view, tool, prompt);
    dlg.FormCreate();
    dlg.SetConduit(pData);
    view.SetText(OVPropField::CreatorID, install.strCreator);
    if (a.Has("--directory")) view.SetText(OVPropField::Directory, a.Get("--directory"));
    if (a.Has("--file")) view.SetText(OVPropField::File, a.Get("--file"));
    dlg.edtCreatorIDExit();
    if (a.Has("--remote")) view.SetText(OVPropField::PalmDB, a.Get("--remote"));
    if (a.Has("--priority")) view.SetText(OVPropField::Priority, a.Get("--priority"));
    install.bOK = dlg.btnOKClick();
  }

  const TdcEnv& m_env;
  char m_szCwd[MAX_PATH] = {};
  std::string m_strPDIni, m_strIni;
  bool m_bLayer = false;
};

// The backup-set dialogs' lists, with the command line's choice.
class SetView : public IOVSetView {
 public:
  std::vector<std::string> files, descs;
  int nSelected = -1;
  std::string strNewFile, strDesc;
  void AddRow(const std::string& f, const std::string&, const std::string& d) override {
    files.push_back(f);
    descs.push_back(d);
  }
  int RowCount() override { return static_cast<int>(files.size()); }
  int SelectedRow() override { return nSelected; }
  std::string RowFile(int i) override { return files.at(static_cast<size_t>(i)); }
  void EnableOK(bool) override {}
  void SetNewFile(const std::string& s) override { strNewFile = s; }
  std::string NewFile() override { return strNewFile; }
  std::string Desc() override { return strDesc; }
  bool NewChosen() override { return true; }
};

// ---------------------------------------------------------------- list

const char* StateOf(int nImage) {
  switch (nImage) {
    case OV_IMG_INSTALLED:
      return "installed";
    case OV_IMG_RESTORABLE:
      return "restorable";
    default:
      return "missing";
  }
}

// What a row is, with the library's own fault where it has one: an
// installed conduit whose library crashed, kept silent, answered out of turn
// or could not be checked is in a state of its own; a restorable one stays
// restorable and carries the reason.
struct RowState {
  std::string strState, strReason;
};

RowState StateOfRow(const OVRowList::Row& row, const CondAnswer& answer) {
  RowState r{StateOf(row.nImage), ""};
  const char* szState = nullptr;
  switch (answer.state) {
    case CondLibState::Crashed:
      szState = "crashed";
      r.strReason = "the library crashed when it was asked for its name";
      break;
    case CondLibState::NoAnswer:
      szState = "no-answer";
      r.strReason = "the library did not answer when it was asked for its name";
      break;
    case CondLibState::Misbehaved:
      szState = "misbehaved";
      r.strReason = "the library wrote out of turn when it was asked for its name";
      break;
    case CondLibState::Unasked:
      szState = "unchecked";
      r.strReason = "the library was not asked: " + CondUnaskedReason(answer);
      break;
    default:
      break;
  }
  if (szState && row.nImage != OV_IMG_RESTORABLE && row.pData->nStatus == ST_INSTALLED)
    r.strState = szState;
  return r;
}

std::string Hex(uint32_t n) {
  char sz[16];
  std::snprintf(sz, sizeof sz, "0x%x", static_cast<unsigned>(n));
  return sz;
}

int List(Session& s, const Args& a) {
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  std::map<std::string, std::string> versions;  // a shared library is read once
  auto version = [&](const std::string& lib) -> const std::string& {
    auto it = versions.find(lib);
    if (it == versions.end()) it = versions.emplace(lib, OVTool::LibraryVersion(lib.c_str())).first;
    return it->second;
  };
  // Every library in one question; the answers mostly come from the cache.
  std::vector<std::string> libs;
  for (OVRowList* rows : {&s.app, &s.sys})
    for (const OVRowList::Row& row : rows->rows)
      if (row.pData) libs.push_back(OVField(row.pData->szConduit));
  const std::vector<CondAnswer> answerList = CondAsker::Instance().Ask(libs);
  std::map<std::string, CondAnswer> answers;
  for (size_t i = 0; i < libs.size(); ++i) answers.emplace(libs[i], answerList[i]);
  auto state = [&](const OVRowList::Row& row) {
    return StateOfRow(row, answers[OVField(row.pData->szConduit)]);
  };
  std::string& out = s.result.strOut;
  if (a.Has("--json")) {
    s.result.bOutUtf8 = true;
    out += "{";
    const struct {
      const char* key;
      OVRowList* rows;
    } kLists[] = {{"application", &s.app}, {"system", &s.sys}};
    for (const auto& l : kLists) {
      out += l.rows == &s.app ? "\"" : ",\n\"";
      out += l.key;
      out += "\":[";
      bool bFirst = true;
      for (const OVRowList::Row& row : l.rows->rows) {
        const CondData* p = row.pData;
        if (!p) continue;
        out += bFirst ? "\n{" : ",\n{";
        bFirst = false;
        OVJsonField(out, "title", OVField(p->szTitle));
        out += ',';
        OVJsonField(out, "creator", OVField(p->szCreatorID));
        out += ",\"creator_id\":" + std::to_string(p->dwCreatorID) + ',';
        OVJsonField(out, "library", OVField(p->szConduit));
        out += ',';
        OVJsonField(out, "version", version(OVField(p->szConduit)));
        out += ',';
        const RowState st = state(row);
        OVJsonField(out, "state", st.strState);
        out += ',';
        OVJsonField(out, "reason", st.strReason);
        out += ',';
        OVJsonField(out, "directory", OVField(p->szDirectory));
        out += ',';
        OVJsonField(out, "file", OVField(p->szFile));
        out += ',';
        OVJsonField(out, "remote", OVField(p->szRemote));
        out += ",\"priority\":" + std::to_string(p->nPriority) + '}';
      }
      out += bFirst ? "]" : "\n]";
    }
    out += "}\n";
    return TDC_EXIT_OK;
  }
  auto dash = [](const std::string& v) { return v.empty() ? std::string("-") : OVVisible(v); };
  const struct {
    const char* title;
    OVRowList* rows;
  } kLists[] = {{"Application conduits", &s.app}, {"System conduits", &s.sys}};
  for (const auto& l : kLists) {
    if (l.rows == &s.sys) out += "\n";
    out += std::string(l.title) + " (" + std::to_string(l.rows->rows.size()) + "):\n";
    std::vector<std::vector<std::string>> table = {{"STATE", "CREATOR", "NUMBER", "PRIORITY",
                                                    "VERSION", "TITLE", "DIRECTORY", "FILE",
                                                    "REMOTE", "LIBRARY"}};
    for (const OVRowList::Row& row : l.rows->rows) {
      const CondData* p = row.pData;
      if (!p) continue;
      table.push_back({state(row).strState, dash(OVField(p->szCreatorID)), Hex(p->dwCreatorID),
                       p->nKind == CONDS_MANAGER ? std::to_string(p->nPriority) : "-",
                       version(OVField(p->szConduit)), dash(OVField(p->szTitle)),
                       dash(OVField(p->szDirectory)), dash(OVField(p->szFile)),
                       dash(OVField(p->szRemote)), dash(OVField(p->szConduit))});
    }
    if (table.size() > 1) OVWriteTable(out, table, "  ");
  }
  return TDC_EXIT_OK;
}

// ---------------------------------------------------------------- install

bool IsDecimal(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int Install(Session& s, const Args& a) {
  const std::string creator = a.Get("--creator");
  if (!OVIsPrintableCreator(creator)) {
    s.result.strErr +=
        "tdcond install: --creator takes a creator ID of four printable characters\n";
    return TDC_EXIT_USAGE;
  }
  const struct {
    const char* name;
    size_t nMax;
  } kLimits[] = {{"--directory", 31}, {"--file", 31}, {"--remote", 31}, {"--title", 63}};
  for (const auto& l : kLimits) {
    if (a.Get(l.name).size() > l.nMax) {
      s.result.strErr += std::string("tdcond install: ") + l.name + " takes at most " +
                         std::to_string(l.nMax) + " characters\n";
      return TDC_EXIT_USAGE;
    }
  }
  if (a.Has("--priority")) {
    const std::string p = a.Get("--priority");
    if (!IsDecimal(p) || std::stoi(p) < 1 || std::stoi(p) > 5) {
      s.result.strErr += "tdcond install: --priority takes a number from 1 to 5\n";
      return TDC_EXIT_USAGE;
    }
  }
  std::string lib;
  if (!FullPath(a.pos[0], &lib) || lib.size() >= sizeof(CondData::szConduit))
    return s.Failed("the library path \"" + a.pos[0] + "\" is too long");
  if (!IsFile(lib)) return s.Failed("the library \"" + lib + "\" does not exist");
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.install.strLibrary = lib;
  s.install.strCreator = creator;
  s.install.strTitle = a.Get("--title");
  s.install.pArgs = &a;
  s.prompt.bYes = a.Has("--replace");
  s.StartTool();
  s.tool.btnOVInstClick();
  return s.Finish(s.install.bOpened && s.install.bOK, "the conduit was not installed");
}

// ---------------------------------------------------------------- uninstall, restore

bool CreatorArg(Session& s, const char* cmd, const std::string& creator) {
  if (creator.size() == 4 && creator.find('\0') == std::string::npos) return true;
  s.result.strErr += std::string("tdcond ") + cmd + ": a creator ID has four characters, not \"" +
                     creator + "\"\n";
  return false;
}

int Uninstall(Session& s, const Args& a) {
  const std::string creator = a.pos[0];
  if (!CreatorArg(s, "uninstall", creator)) return TDC_EXIT_USAGE;
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  CondData* pData = nullptr;
  bool bRestorable = false;
  for (const OVRowList::Row& row : s.app.rows) {
    if (!row.pData || OVField(row.pData->szCreatorID) != creator) continue;
    if (row.pData->nMark & MARK_RESTORE) {
      bRestorable = true;
    } else if (!pData) {
      pData = row.pData;
    }
  }
  if (!pData)
    return s.Failed(
        "no installed application conduit has the creator ID \"" + creator + "\"" +
        (bRestorable ? " (one is uninstalled already: tdcond restore " + creator + ")" : ""));
  if (!s.tool.UninstallConduit(pData, false))
    return s.Finish(false, "the conduit was not uninstalled");
  s.result.strOut += OVFormat(kOVUninstalled, pData->szConduit) + "\n";
  if (!s.tool.LastUninstallStored())
    return s.Failed("conduit \"" + OVField(pData->szConduit) +
                    "\" was uninstalled, but its settings "
                    "could not be written to \"" +
                    s.tool.RestoreStorePath() + "\": it cannot be restored");
  return TDC_EXIT_OK;
}

int Restore(Session& s, const Args& a) {
  const std::string creator = a.pos[0];
  if (!CreatorArg(s, "restore", creator)) return TDC_EXIT_USAGE;
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.prompt.bYes = a.Has("--replace");
  s.StartTool();
  std::vector<CondData*> found;
  for (const OVRowList::Row& row : s.app.rows) {
    CondData* p = row.pData;
    if (!p || !(p->nMark & MARK_RESTORE) || OVField(p->szCreatorID) != creator) continue;
    if (a.Has("--library") && lstrcmpiA(p->szConduit, a.Get("--library").c_str()) != 0) continue;
    found.push_back(p);
  }
  if (found.empty())
    return s.Failed("no uninstalled conduit with the creator ID \"" + creator + "\"" +
                    (a.Has("--library") ? " and the library \"" + a.Get("--library") + "\"" : "") +
                    " can be restored");
  if (found.size() > 1) {
    std::string libs;
    for (const CondData* p : found)
      libs += (libs.empty() ? "\"" : ", \"") + OVField(p->szConduit) + "\"";
    return s.Failed(std::to_string(found.size()) + " uninstalled conduits have the creator ID \"" +
                    creator + "\": give --library with one of " + libs);
  }
  CondData* pData = found[0];
  const bool bOk = s.tool.RestoreConduit(pData, false);
  if (bOk) s.prompt.ShowInfo(OVFormat(kOVRestored, pData->szTitle).c_str(), "Information");
  return s.Finish(bOk, "the conduit was not restored");
}

// ---------------------------------------------------------------- backup sets

bool SetNameArg(Session& s, const char* cmd, const std::string& name) {
  std::string why;
  if (OVTool::IsValidSetName(name.c_str(), &why)) return true;
  s.result.strErr += std::string("tdcond ") + cmd + ": " +
                     OVFormat(kOVBadSetName, name.c_str(), why.c_str()) + "\n";
  return false;
}

int Backup(Session& s, const Args& a) {
  const std::string name = a.pos[0];
  if (!SetNameArg(s, "backup", name)) return TDC_EXIT_USAGE;
  if (a.Get("--desc").size() > 255) {
    s.result.strErr += "tdcond backup: --desc takes at most 255 characters\n";
    return TDC_EXIT_USAGE;
  }
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  SetView view;
  OVBackupDlg dlg(view, s.tool, s.prompt);
  dlg.FormCreate();
  view.strNewFile = name;
  view.strDesc = a.Get("--desc");
  if (!dlg.btnOKClick()) return s.Finish(false, "the backup set was not chosen");
  const bool bOk = s.tool.BackupConduitSettings(dlg.ChosenFile().c_str());
  // The set is listed from now on, as the dialog lists it: the list is saved
  // now rather than when a window closes.
  if (!WriteBackupSetList(s.IniPath().c_str(), s.tool.BackupSets()))
    s.prompt.ShowError(
        ("the list of backup sets could not be written to \"" + s.IniPath() + "\"").c_str());
  for (BackupSetEntry* p = s.tool.GetFirstBackupSet(); p; p = s.tool.GetNextBackupSet())
    if (OVField(p->szFileName) == dlg.ChosenFile() && a.Has("--desc") &&
        OVField(p->szDesc) != a.Get("--desc"))
      s.prompt.ShowInfo(("The set keeps its description \"" + OVField(p->szDesc) + "\".").c_str(),
                        "Information");
  return s.Finish(bOk && !s.prompt.Last(TdcPrompt::Error), "the backup set was not written");
}

int RestoreSet(Session& s, const Args& a) {
  const std::string name = a.pos[0];
  if (!SetNameArg(s, "restore-set", name)) return TDC_EXIT_USAGE;
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  SetView view;
  OVRestoreDlg dlg(view, s.tool, s.prompt);
  dlg.FormCreate();
  for (size_t i = 0; i < view.files.size() && view.nSelected < 0; ++i)
    if (view.files[i] == name) view.nSelected = static_cast<int>(i);
  if (view.nSelected < 0) {
    std::string known;
    for (const std::string& f : view.files) known += (known.empty() ? "" : ", ") + f;
    return s.Failed("\"" + name + "\" is not a known backup set (" +
                    (known.empty() ? std::string("none is known") : "known: " + known) + ")");
  }
  if (!dlg.btnOKClick()) return s.Finish(false, "no backup set was chosen");
  return s.Finish(s.tool.RestoreConduitSettings(dlg.ChosenFile().c_str()),
                  "the set was not restored");
}

// The sets as the Restore dialog lists them: file, backup time, description.
int Sets(Session& s, const Args& a) {
  BackupSetList sets;
  TdxSettings ignored;
  ReadSettingsFile(s.IniPath().c_str(), ignored, &sets);
  OVTool tool;  // only for the sets' file times, as the dialog shows them
  OVPorts ports;
  ports.strModuleDir = s.Env().strModuleDir;
  tool.Attach(ports);
  std::vector<std::vector<std::string>> rows;
  for (BackupSetEntry* p = sets.GetFirst(); p; p = sets.GetNext()) {
    const std::string file = OVField(p->szFileName);
    rows.push_back({file, tool.BackupTime(file.c_str()), OVField(p->szDesc)});
  }
  std::string& out = s.result.strOut;
  if (a.Has("--json")) {
    s.result.bOutUtf8 = true;
    out += "{\"sets\":[";
    for (size_t i = 0; i < rows.size(); ++i) {
      out += i ? ",\n{" : "\n{";
      OVJsonField(out, "file", rows[i][0]);
      out += ',';
      OVJsonField(out, "time", rows[i][1]);
      out += ',';
      OVJsonField(out, "description", rows[i][2]);
      out += '}';
    }
    out += rows.empty() ? "]}\n" : "\n]}\n";
    return TDC_EXIT_OK;
  }
  if (rows.empty()) {
    out += "No backup sets are listed in " + s.IniPath() + ".\n";
    return TDC_EXIT_OK;
  }
  for (auto& row : rows)
    for (std::string& cell : row) cell = OVVisible(cell);
  rows.insert(rows.begin(), {"File", "Backup Time", "Description"});
  OVWriteTable(out, rows, "");
  return TDC_EXIT_OK;
}

// ---------------------------------------------------------------- pages

// OUT when given (a directory: the page's own name inside it), else the
// program directory.
bool PagePath(Session& s, const Args& a, const char* szPage, std::string* pPath) {
  if (a.pos.empty()) {
    *pPath = s.Env().strModuleDir + szPage;
    return true;
  }
  if (!FullPath(a.pos[0], pPath)) return s.Fail("the path \"" + a.pos[0] + "\" is too long");
  if (IsDir(*pPath)) *pPath += std::string(pPath->back() == '\\' ? "" : "\\") + szPage;
  return true;
}

int Report(Session& s, const Args& a) {
  std::string path;
  if (!PagePath(s, a, kOVReportPage, &path) || !s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  if (!s.tool.WriteConduitReportTo(path)) return s.Failed("cannot write \"" + path + "\"");
  s.result.strOut += path + "\n";
  return TDC_EXIT_OK;
}

int History(Session& s, const Args& a) {
  std::string path;
  if (!PagePath(s, a, kOVHistoryPage, &path)) return TDC_EXIT_FAILED;
  s.log.Attach(s.Env().strModuleDir.c_str(), &s.prompt, nullptr, s.Env().pClock);
  bool bNoHistory = false;
  if (!s.log.WriteHistoryPage(path, &bNoHistory))
    return s.Failed(bNoHistory ? std::string(kOVNoHistory) + " (\"" + s.log.HistoryPath() +
                                     "\" cannot be read)"
                               : "cannot write \"" + path + "\"");
  s.result.strOut += path + "\n";
  return TDC_EXIT_OK;
}

// ---------------------------------------------------------------- doctor

// "--keep CREATOR=LIBRARY[,CREATOR=LIBRARY...]".
bool ParseKeep(const std::string& text, std::map<std::string, std::string>* pKeep) {
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    const std::string item = text.substr(at, comma - at);
    const size_t eq = item.find('=');
    if (eq != 4 || item.size() == 5) return false;
    (*pKeep)[item.substr(0, 4)] = item.substr(5);
    at = comma + 1;
  }
  return !pKeep->empty();
}

void WriteRepairsJson(std::string& out, const std::vector<OVRepairOutcome>& done,
                      const std::vector<bool>& skipped) {
  out += ",\"repairs\":[";
  for (size_t i = 0; i < done.size(); ++i) {
    out += i ? ",\n{" : "\n{";
    OVJsonField(out, "check", done[i].strCheck);
    out += ',';
    OVJsonField(out, "subject", done[i].strSubject);
    out += std::string(",\"skipped\":") + (skipped[i] ? "true" : "false");
    out += std::string(",\"repaired\":") + (done[i].bDone ? "true" : "false") + ',';
    OVJsonField(out, "text", done[i].strText);
    out += '}';
  }
  out += done.empty() ? "]" : "\n]";
}

// Asks before each repair (or takes --yes), runs the chosen ones as one
// operation, then checks again: exit 0 when nothing is left.
int DoctorFix(Session& s, const Args& a, const OVFacts& facts,
              const std::vector<OVFinding>& findings,
              const std::map<std::string, std::string>& keep) {
  std::vector<OVRepairOutcome> outcomes;
  std::vector<bool> skipped;
  std::string set, setDesc;  // saved before the first change
  bool bAny = false;
  for (const OVFinding& f : findings) bAny = bAny || OVHasRepair(facts, f);
  if (bAny) {
    s.StartTool();
    OVRepairer repairer(s.tool, s.Env().pClock);
    if (repairer.Refused()) return s.Failed(kPdSyncRunning);
    for (const auto& k : keep) repairer.Keep(k.first, k.second);
    for (const OVFinding& f : findings) {
      if (!OVHasRepair(facts, f)) continue;
      bool bYes = a.Has("--yes");
      if (!bYes && s.Env().ask) {
        const std::string answer =
            s.Env().ask("[" + f.strCheck + "] " + f.strSubject + ": " + f.strProblem +
                        "\n  Repair: " + OVRepairText(facts, f) + " [y/N] ");
        bYes = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
      }
      if (bYes) {
        outcomes.push_back(repairer.Repair(facts, f));
      } else {
        outcomes.push_back({f.strCheck, f.strSubject, false, "Not repaired: answered No."});
      }
      skipped.push_back(!bYes);
    }
    set = repairer.SavedSet();
    setDesc = repairer.SavedSetDesc();
  }
  const OVFacts after = OVGatherFacts(s.Env().strModuleDir);
  const std::vector<OVFinding> left = OVDiagnose(after);
  std::string& out = s.result.strOut;
  if (a.Has("--json")) {
    s.result.bOutUtf8 = true;
    OVWriteFindingsJson(out, after, left);
    out.resize(out.size() - 2);  // "}\n": the repairs join the object
    WriteRepairsJson(out, outcomes, skipped);
    if (!set.empty()) {
      out += ",\"backup_set\":{";
      OVJsonField(out, "file", set);
      out += ',';
      OVJsonField(out, "description", setDesc);
      out += '}';
    }
    out += "}\n";
  } else {
    if (!set.empty())
      out += "Saved every conduit registration to the backup set " + set + " (\"" + setDesc +
             "\") first: restore it (tdcond restore-set " + set + ") to undo these repairs.\n";
    for (size_t i = 0; i < outcomes.size(); ++i) {
      const OVRepairOutcome& o = outcomes[i];
      out += std::string(skipped[i] ? "skipped"
                         : o.bDone  ? "repaired"
                                    : "not repaired") +
             " [" + o.strCheck + "] " + o.strSubject + (skipped[i] ? "" : ": " + o.strText) + "\n";
    }
    if (!outcomes.empty()) out += "\nChecked again after the repairs.\n";
    OVWriteFindings(out, after, left);
  }
  // What is there for information only does not remain to be repaired.
  const size_t nLeft = left.size() - OVCount(left, OVSeverity::Info);
  if (nLeft == 0) return TDC_EXIT_OK;
  return s.Failed(std::to_string(nLeft) + (nLeft == 1 ? " finding remains" : " findings remain"));
}

int Doctor(Session& s, const Args& a) {
  std::map<std::string, std::string> keep;
  if ((a.Has("--yes") || a.Has("--keep")) && !a.Has("--fix")) {
    s.result.strErr += "tdcond doctor: --yes and --keep go with --fix\n";
    return TDC_EXIT_USAGE;
  }
  if (a.Has("--keep") && !ParseKeep(a.Get("--keep"), &keep)) {
    s.result.strErr +=
        "tdcond doctor: --keep takes CREATOR=LIBRARY (a four-character creator ID)\n";
    return TDC_EXIT_USAGE;
  }
  s.StartPalmForDoctor();
  const OVFacts facts = OVGatherFacts(s.Env().strModuleDir);
  const std::vector<OVFinding> findings = OVDiagnose(facts);
  if (a.Has("--fix")) return DoctorFix(s, a, facts, findings, keep);
  if (a.Has("--json")) {
    s.result.bOutUtf8 = true;
    OVWriteFindingsJson(s.result.strOut, facts, findings);
  } else {
    OVWriteFindings(s.result.strOut, facts, findings);
  }
  const size_t nErrors = OVCountErrors(findings);
  if (nErrors == 0) return TDC_EXIT_OK;
  return s.Failed("the HotSync configuration has " + std::to_string(nErrors) +
                  (nErrors == 1 ? " error" : " errors"));
}

// ---------------------------------------------------------------- export, import

int Export(Session& s, const Args& a) {
  std::string target;
  if (!FullPath(a.pos[0], &target)) return s.Failed("\"" + a.pos[0] + "\" is not a file name");
  if (IsDir(target)) target += (target.back() == '\\' ? "" : "\\") + OVDefaultExportName();
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  const OVCliResult r = OVCliExport(s.Env().strModuleDir, s.tool.BackupSets(), target,
                                    a.Has("--with-data"));
  s.result.strOut += r.strOut;
  s.result.strErr += r.strErr;
  return r.bOk ? TDC_EXIT_OK : s.Failed(r.strFailure);
}

int Import(Session& s, const Args& a) {
  const bool bUndo = a.Has("--undo");
  if (bUndo == (a.pos.size() == 1) || (bUndo && (a.Has("--dry-run") || a.lists.count("--user") ||
                                                a.Has("--replace")))) {
    s.result.strErr += bUndo ? "tdcond import: --undo takes no file and no other option but --yes\n"
                             : "tdcond import: a set-up file is missing\n";
    return TDC_EXIT_USAGE;
  }
  OVCliImportOptions o;
  o.bUndo = bUndo;
  o.bDryRun = a.Has("--dry-run");
  o.bYes = a.Has("--yes");
  o.bReplace = a.Has("--replace");
  o.ask = s.Env().ask;
  auto it = a.lists.find("--user");
  for (const std::string& map : it == a.lists.end() ? std::vector<std::string>() : it->second) {
    const size_t eq = map.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == map.size()) {
      s.result.strErr += "tdcond import: --user takes OLD=NEW (a user of the file, a user here)\n";
      return TDC_EXIT_USAGE;
    }
    o.users.emplace_back(map.substr(0, eq), map.substr(eq + 1));
  }
  if (!bUndo && !FullPath(a.pos[0], &o.strFile))
    return s.Failed("\"" + a.pos[0] + "\" is not a file name");
  if (!s.StartPalm()) return TDC_EXIT_FAILED;
  s.StartTool();
  const OVCliResult r = OVCliImport(s.Env().strModuleDir, &s.tool, o);
  s.result.strOut += r.strOut;
  s.result.strErr += r.strErr;
  return r.bOk ? TDC_EXIT_OK : s.Failed(r.strFailure);
}

// ---------------------------------------------------------------- commands

const std::vector<Command>& Commands() {
  static const std::vector<Command> kCommands = {
      {"list",
       "tdcond list [--json]",
       "Lists the application conduits (with the uninstalled ones that can be restored\n"
       "from OVRes.dat), then the system conduits, in the order of the Orvello tab:\n"
       "state (installed, restorable, missing, crashed, no-answer, misbehaved,\n"
       "unchecked), creator ID as text and number, priority, library version, title,\n"
       "data directory, data file, handheld database and library.\n"
       "  --json  one object {\"application\": [...], \"system\": [...]} in UTF-8, each\n"
       "          entry with title, creator, creator_id, library, version, state,\n"
       "          directory, file, remote and priority.\n",
       0,
       0,
       {},
       {"--json"},
       List},
      {"install",
       "tdcond install DLL --creator XXXX [--directory D] [--file F] [--remote R]\n"
       "                      [--priority N] [--title T] [--replace]",
       "Installs a conduit from its library, as the Install button and the properties\n"
       "dialog do: the library must export OpenConduit; the creator IDs addr, date,\n"
       "todo and memo and their variants PAdd, PDat, PTod and PMem get their usual\n"
       "data directory and file unless given. The title is the one the library\n"
       "reports, unless --title is given. The priority is 1 to 5 (2 when not given).\n"
       "A creator ID held by another installed conduit is refused, unless --replace\n"
       "is given: that conduit is then uninstalled first (and can be restored).\n",
       1,
       1,
       {"--creator", "--directory", "--file", "--remote", "--priority", "--title"},
       {"--replace"},
       Install},
      {"uninstall",
       "tdcond uninstall CREATOR",
       "Uninstalls the installed application conduit with this creator ID, as the\n"
       "Uninstall button does. While its library is there it can be restored later:\n"
       "its settings are kept in OVRes.dat. Recorded in the history.\n",
       1,
       1,
       {},
       {},
       Uninstall},
      {"restore",
       "tdcond restore CREATOR [--library L] [--replace]",
       "Restores an uninstalled conduit with its stored settings, as the Restore\n"
       "button does. --library chooses among several uninstalled conduits with the\n"
       "same creator ID. A creator ID held by another installed conduit is refused,\n"
       "unless --replace is given. Recorded in the history.\n",
       1,
       1,
       {"--library"},
       {"--replace"},
       Restore},
      {"backup",
       "tdcond backup NAME [--desc TEXT]",
       "Saves the settings of every application conduit to the backup set NAME (a\n"
       "file name beside tdcond.exe or in a folder inside that folder, such as\n"
       "ovset1.bak or sets\\ovset1.bak), as Backup Conduit Settings does, and lists\n"
       "the set in tessary.ini. A set of the same name is overwritten and keeps its\n"
       "description. A running Tandelix keeps the set in its list.\n",
       1,
       1,
       {"--desc"},
       {},
       Backup},
      {"restore-set",
       "tdcond restore-set NAME",
       "Installs the conduits of the listed backup set NAME again, as Restore Conduit\n"
       "Settings does: conduits installed already are passed over, uninstalled ones\n"
       "are restored, a conduit holding a set's creator ID with another library is\n"
       "uninstalled first.\n",
       1,
       1,
       {},
       {},
       RestoreSet},
      {"sets",
       "tdcond sets [--json]",
       "Lists the backup sets Tandelix knows, as Restore Conduit Settings lists them:\n"
       "file, backup time and description (the sets the repairs save first among\n"
       "them, \"Before repair ...\").\n"
       "  --json  one object {\"sets\": [...]} in UTF-8, each entry with file, time and\n"
       "          description.\n",
       0,
       0,
       {},
       {"--json"},
       Sets},
      {"report",
       "tdcond report [OUT]",
       "Writes the conduit report condrpt.html, byte for byte as the Report button\n"
       "does, to OUT (a file, or a directory to put it in) or else beside tdcond.exe,\n"
       "without opening it. Prints the path written.\n",
       0,
       1,
       {},
       {},
       Report},
      {"history",
       "tdcond history [OUT]",
       "Writes the install/uninstall history ovlog.html from ovlog.dat, byte for byte\n"
       "as the Log button does, to OUT (a file, or a directory to put it in) or else\n"
       "beside tdcond.exe, without opening it. Prints the path written.\n",
       0,
       1,
       {},
       {},
       History},
      {"doctor",
       "tdcond doctor [--json] [--fix [--yes] [--keep CREATOR=LIBRARY]]",
       "Checks the HotSync configuration and changes nothing. Finds: a registered\n"
       "library that does not exist, does not load as a 32-bit DLL or exports no\n"
       "OpenConduit; a creator ID registered twice or not four printable characters;\n"
       "a priority outside 1 to 5; conduits sharing one library; OVRes.dat entries\n"
       "whose library is gone; a Palm Desktop or user directory that does not exist;\n"
       "a HotSync log that cannot be read, is far too large or holds zero bytes or\n"
       "binary data (HotSync Manager reads it as it starts and can fail on it). From\n"
       "every user's logs: a conduit that failed in each of the user's last 3 HotSync\n"
       "operations (a warning) and, for information, a registered conduit none of\n"
       "the users' last 30 operations names. Each finding has a severity (error,\n"
       "warning or info), what it concerns and what to do.\n"
       "  --json  one object {\"desktop\", \"findings\": [{\"severity\", \"check\",\n"
       "          \"subject\", \"creator\", \"file\", \"problem\", \"action\"}], \"errors\",\n"
       "          \"warnings\", \"info\"} in UTF-8.\n"
       "  --fix   repairs what has a safe repair, asking before each (y/N, on the\n"
       "          error output): a conduit whose library is missing, does not load or\n"
       "          is no conduit is uninstalled (restorable from OVRes.dat); of the\n"
       "          conduits sharing a creator ID all but the first are uninstalled; a\n"
       "          priority outside 1 to 5 becomes 2; a damaged or far too large log is\n"
       "          renamed (kept); an OVRes.dat entry whose library is gone is removed;\n"
       "          a missing user directory is created. Prints one line per repair,\n"
       "          then checks again (with --json: the fresh findings and \"repairs\").\n"
       "          Refused while a HotSync operation is in progress.\n"
       "  --yes   answers Yes to every repair.\n"
       "  --keep CREATOR=LIBRARY  the conduit to keep of those sharing CREATOR (a\n"
       "          library path or file name); several separated by commas.\n"
       "Exit status 0 when nothing worse than a warning was found, else 1; with\n"
       "--fix, 0 when no finding but information is left, else 1.\n",
       0,
       0,
       {"--keep"},
       {"--json", "--fix", "--yes"},
       Doctor},
      {"export",
       "tdcond export FILE [--with-data]",
       "Writes the whole HotSync set-up of this PC into one ZIP file, as Export\n"
       "HotSync Set-up does: a manifest (manifest.json), every application conduit's\n"
       "registration with every value of its registry key, the backup conduit, the\n"
       "install conduits (listed only), each registered conduit library once, the\n"
       "Palm users with their permanent HotSync action for every creator, and\n"
       "Tandelix's own files (the listed backup sets and ovlog.dat). FILE may be a\n"
       "folder: the file is then named \"HotSync Set-up <computer> <yyyy-mm-dd>.zip\".\n"
       "  --with-data  each user's folder under Palm Desktop's directory too (the\n"
       "               handheld's data and backups).\n",
       1,
       1,
       {},
       {"--with-data"},
       Export},
      {"import",
       "tdcond import FILE [--dry-run] [--yes] [--replace] [--user OLD=NEW]...\n"
       "       tdcond import --undo [--yes]",
       "Lists every change a set-up file would make on this PC, as Import HotSync\n"
       "Set-up does, then makes the checked ones ([x]) after asking (y/N). The file is\n"
       "checked whole first: a damaged or hostile file is refused with one line and\n"
       "nothing changes. Paths in the source's Palm Desktop directory become this\n"
       "PC's; users are matched by name, the others added; a library already here\n"
       "with the same SHA-256 is not copied; libraries are asked through the conduit\n"
       "helper and refused unless they are 32-bit conduit libraries. Refused while a\n"
       "HotSync operation is in progress.\n"
       "  --dry-run  list the changes and change nothing.\n"
       "  --yes      make the checked changes without asking.\n"
       "  --replace  check the rows that replace what is here as well: a conduit\n"
       "             registered here with other settings, the backup conduit, a\n"
       "             library or user file that differs (unchecked otherwise).\n"
       "  --user OLD=NEW  give the file's user OLD to this PC's user NEW instead of\n"
       "             adding it; may be given for several users.\n"
       "  --undo     put back what the last import changed (saved before it made its\n"
       "             first change) and say what could not be put back.\n",
       0,
       1,
       {},
       {"--dry-run", "--yes", "--replace", "--undo"},
       Import,
       {"--user"}},
  };
  return kCommands;
}

std::string CommandHelp(const Command& c) {
  return std::string("usage: ") + c.szUsage + "\n\n" + c.szHelp;
}

int Usage(TdcResult& r, const std::string& what, const Command* pCmd) {
  r.strErr += "tdcond: " + what + "\n";
  r.strErr += pCmd ? std::string("usage: ") + pCmd->szUsage + "\n"
                   : std::string("usage: tdcond <command> [arguments]\n");
  r.strErr +=
      std::string("Try \"tdcond ") + (pCmd ? std::string(pCmd->szName) + " " : "") + "--help\".\n";
  return TDC_EXIT_USAGE;
}

bool Contains(const std::vector<const char*>& v, const std::string& s) {
  for (const char* p : v)
    if (s == p) return true;
  return false;
}

}  // namespace

TdcResult TdcRun(int argc, const char* const* argv, const TdcEnv& env) {
  TdcResult r;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(argv[i] ? argv[i] : "");
  if (args.empty()) {
    r.nExit = Usage(r, "no command given", nullptr);
    return r;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    const Command* pCmd = nullptr;
    for (const Command& c : Commands())
      if (args.size() > 1 && args[1] == c.szName) pCmd = &c;
    r.strOut = pCmd ? CommandHelp(*pCmd) : kUsage;
    return r;
  }
  const Command* pCmd = nullptr;
  for (const Command& c : Commands())
    if (args[0] == c.szName) pCmd = &c;
  if (!pCmd) {
    r.nExit = Usage(r, "unknown command \"" + args[0] + "\"", nullptr);
    return r;
  }
  Args a;
  bool bOptions = true;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (bOptions && (arg == "--help" || arg == "-h")) {
      r.strOut = CommandHelp(*pCmd);
      return r;
    }
    if (bOptions && arg == "--") {
      bOptions = false;
      continue;
    }
    if (!bOptions || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      a.pos.push_back(arg);
      continue;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (Contains(pCmd->listOptions, name)) {
      if (eq != std::string::npos) {
        a.lists[name].push_back(arg.substr(eq + 1));
      } else if (i + 1 < args.size()) {
        a.lists[name].push_back(args[++i]);
      } else {
        r.nExit = Usage(r, name + " needs a value", pCmd);
        return r;
      }
      continue;
    }
    if (a.Has(name.c_str())) {
      r.nExit = Usage(r, name + " is given twice", pCmd);
      return r;
    }
    if (Contains(pCmd->flagOptions, name) && eq == std::string::npos) {
      a.values[name] = "";
    } else if (Contains(pCmd->valueOptions, name)) {
      if (eq != std::string::npos) {
        a.values[name] = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        a.values[name] = args[++i];
      } else {
        r.nExit = Usage(r, name + " needs a value", pCmd);
        return r;
      }
    } else {
      r.nExit = Usage(r, "unknown option \"" + arg + "\" for " + pCmd->szName, pCmd);
      return r;
    }
  }
  if (a.pos.size() < pCmd->nMinPos || a.pos.size() > pCmd->nMaxPos) {
    r.nExit =
        Usage(r,
              a.pos.size() < pCmd->nMinPos ? std::string("an argument is missing")
                                           : "unexpected argument \"" + a.pos[pCmd->nMaxPos] + "\"",
              pCmd);
    return r;
  }
  if (std::string(pCmd->szName) == "install" && !a.Has("--creator")) {
    r.nExit = Usage(r, "install needs --creator", pCmd);
    return r;
  }
  Session s(env);
  const int rc = pCmd->handler(s, a);
  if (rc == TDC_EXIT_USAGE) {
    s.result.strErr += std::string("usage: ") + pCmd->szUsage + "\n";
    s.result.strOut.clear();
  }
  s.result.nExit = rc;
  return s.result;
}
