#include "tremwick/TWTool.h"

#include <cstring>

#include "palm/SyncGuard.h"
#include "shell/Commands.h"

namespace {

std::string Counted(size_t n, const char* szOne, const char* szMany) {
  return std::to_string(n) + " " + (n == 1 ? szOne : szMany);
}

bool HasFourCharCreator(const CondData* p) {
  return strnlen(p->szCreatorID, sizeof p->szCreatorID) == 4;
}

std::string TitleOf(const CondData* p) {
  const size_t n = strnlen(p->szTitle, sizeof p->szTitle);
  if (n) return std::string(p->szTitle, n);
  if (HasFourCharCreator(p)) return p->szCreatorID;
  return p->nKind & CONDS_BACKUP ? "the backup conduit" : "a conduit without a title";
}

std::string UserOf(const PalmUser* p) {
  const size_t n = strnlen(p->szUserName, sizeof p->szUserName);
  return n ? std::string(p->szUserName, n) : "user ID " + std::to_string(p->dwUserID);
}

// A text result of the library in a zeroed 256-byte buffer, kept terminated
// whatever the library wrote.
template <typename Call>
std::string ReadText(Call call) {
  char sz[256] = {};
  call(sz);
  sz[sizeof sz - 1] = '\0';
  return sz;
}

}  // namespace

TWTool::TWTool(ITWCheckList& users, ITWCheckList& conds, ITWCondMenu& menu, IPrompt& prompt,
               IShellOpen& shell, ITWUserInfoView& info)
    : m_users(users),
      m_conds(conds),
      m_menu(menu),
      m_prompt(prompt),
      m_shell(shell),
      m_info(info) {}

TWTool::~TWTool() = default;

void TWTool::SetUpSyncTab() {
  if (!m_pTable) m_pTable = std::make_unique<CCondMgr>();
  FillActionTable();
  FillUserList();
}

void TWTool::FillActionTable() {
  if (!m_pTable) return;
  const bool bWas = m_bFilling;
  m_bFilling = true;
  // The rows go first: loading frees the records they point at.
  m_conds.SuspendRedraw(true);
  m_conds.Clear();
  // Without CONDS_KEEP_MISSING: conduits whose library is gone are left out.
  m_pTable->LoadConduits(CONDS_MANAGER | CONDS_BACKUP | CONDS_INSTALL);
  for (CondData* p = m_pTable->GetFirst(); p; p = m_pTable->GetNext())
    p->nMark = static_cast<int32_t>(TWDefaultAction(p->nKind));
  for (CondData* p = m_pTable->GetFirst(); p; p = m_pTable->GetNext()) {
    const uint32_t nValue = static_cast<uint32_t>(p->nMark);
    const int i = m_conds.Add(p->szTitle, p);
    if (i < 0) continue;
    m_conds.SetSubItem(i, TWActionText(nValue));
    m_conds.SetCheck(i, TWIsOn(nValue));
  }
  m_conds.SuspendRedraw(false);
  m_bFilling = bWas;
}

void TWTool::FillUserList() {
  m_users.SuspendRedraw(true);
  m_users.Clear();
  if (CxListOf<PalmUser>* pUsers = GetPalmUserList()) {
    for (PalmUser* p = pUsers->GetFirst(); p; p = pUsers->GetNext()) {
      const int i = m_users.Add(p->szUserName, p);
      if (i >= 0) m_users.SetCheck(i, true);
    }
  }
  m_users.SuspendRedraw(false);
}

void TWTool::btnUserAllClick() {
  for (int i = 0, n = m_users.Count(); i < n; ++i) m_users.SetCheck(i, true);
}

void TWTool::btnUserClearClick() {
  for (int i = 0, n = m_users.Count(); i < n; ++i) m_users.SetCheck(i, false);
}

// Both go through the list's change event, like a click on each check box.
void TWTool::btnTWEnableAllClick() {
  for (int i = 0, n = m_conds.Count(); i < n; ++i) m_conds.SetCheck(i, true);
}

void TWTool::btnTWDisableAllClick() {
  for (int i = 0, n = m_conds.Count(); i < n; ++i) m_conds.SetCheck(i, false);
}

void TWTool::btnTWHotSyncClick() { RunHotSyncManager(m_shell); }

void TWTool::lvTWCondChange(int nItem) {
  if (m_bFilling) return;
  CondData* p = Record(nItem);
  if (!p) return;
  // Only brings the value in line with the check box, so a selection or focus
  // change leaves it as it was.
  uint32_t nValue = static_cast<uint32_t>(p->nMark);
  if (m_conds.IsChecked(nItem))
    nValue &= ~TW_OFF_BITS;
  else
    nValue |= TW_OFF_MARK;
  p->nMark = static_cast<int32_t>(nValue);
  m_conds.SetSubItem(nItem, TWActionText(nValue));
}

bool TWTool::pmTWCondPopup() {
  CondData* p = Record(m_conds.Selected());
  if (!p) return false;
  m_menu.SetCaption(TW_MI_PC2HH, (p->nKind & CONDS_INSTALL) ? kTWCaptionInstall : kTWCaptionPC2HH);
  const TWMenuItem checked = TWCheckedItem(static_cast<uint32_t>(p->nMark));
  for (int k = 0; k < TW_MI_COUNT; ++k) {
    const TWMenuItem item = static_cast<TWMenuItem>(k);
    m_menu.SetVisible(item, TWMenuOffers(p->nKind, item));
    m_menu.SetChecked(item, item == checked);
  }
  return true;
}

void TWTool::ChooseAction(TWMenuItem item) {
  const int i = m_conds.Selected();
  CondData* p = Record(i);
  // Only what the menu offered for this kind of conduit.
  if (!p || !TWMenuOffers(p->nKind, item)) return;
  uint32_t nValue = static_cast<uint32_t>(p->nMark);
  switch (item) {
    case TW_MI_SYNC:
      nValue = TW_ACT_SYNC;
      break;
    case TW_MI_PC2HH:
      nValue = TW_ACT_PC2HH;
      break;
    case TW_MI_HH2PC:
      nValue = TW_ACT_HH2PC;
      break;
    default:  // switched off: the code comes back with the check box
      nValue |= TW_OFF_MARK;
      break;
  }
  p->nMark = static_cast<int32_t>(nValue);
  // The check box follows (its change event keeps the value), and the text
  // is set even when the box was already in that state.
  m_conds.SetCheck(i, TWIsOn(nValue));
  m_conds.SetSubItem(i, TWActionText(static_cast<uint32_t>(p->nMark)));
}

std::vector<TWConduitRef> TWTool::Conduits() {
  std::vector<TWConduitRef> v;
  if (!m_pTable) return v;
  for (CondData* p = m_pTable->GetFirst(); p; p = m_pTable->GetNext())
    v.push_back({TitleOf(p), HasFourCharCreator(p) ? p->szCreatorID : ""});
  return v;
}

void TWTool::btnTWApplyClick(bool bDefaultAction) {
  std::vector<PalmUser*> users;
  for (int i = 0, n = m_users.Count(); i < n; ++i)
    if (m_users.IsChecked(i))
      if (auto* pUser = static_cast<PalmUser*>(m_users.Data(i))) users.push_back(pUser);
  std::vector<CondData*> conds;
  std::string strLeftOut;
  if (m_pTable) {
    for (CondData* p = m_pTable->GetFirst(); p; p = m_pTable->GetNext()) {
      if (HasFourCharCreator(p)) {
        conds.push_back(p);
      } else {
        strLeftOut += strLeftOut.empty() ? "" : ", ";
        strLeftOut += TitleOf(p);
      }
    }
  }
  if (users.empty()) {
    m_prompt.ShowError(
        "No user is checked. Check the users whose sync preferences are to be written.");
    return;
  }
  if (conds.empty()) {
    m_prompt.ShowError("There is no conduit whose action could be written.");
    return;
  }

  std::string strAsk = "Write the action of each of " +
                       Counted(conds.size(), "conduit", "conduits") +
                       " into the sync preferences of " + Counted(users.size(), "user", "users") +
                       (bDefaultAction ? ", as their default action for every HotSync?"
                                       : ", for their next HotSync only?");
  if (!strLeftOut.empty())
    strAsk += "\r\n\r\nLeft out, having no four-character creator ID: " + strLeftOut + ".";
  if (m_prompt.Ask(strAsk.c_str(), "Confirm", false) != Answer::Yes) return;
  PdRegChange op;
  if (op.Refused()) {
    m_prompt.ShowError(kPdSyncRunning);
    return;
  }

  size_t nWritten = 0;
  std::string strFailed;
  auto fail = [&](const PalmUser* pUser, const CondData* p, const std::string& why) {
    strFailed += "\r\n" + UserOf(pUser) + ": " + TitleOf(p) + " (" + why + ")";
  };
  for (PalmUser* pUser : users) {
    for (CondData* p : conds) {
      uint32_t dwCreator = 0;
      const int32_t rcId = CmConvertStringToCreatorID(p->szCreatorID, &dwCreator);
      if (rcId != 0) {
        fail(pUser, p, "creator ID not converted, error " + std::to_string(rcId));
        continue;
      }
      const int32_t nAction = TWPrefAction(static_cast<uint32_t>(p->nMark));
      const int32_t rc = bDefaultAction
                             ? UmSetUserPermSyncPreferences(pUser->dwUserID, dwCreator, nAction)
                             : UmSetUserTempSyncPreferences(pUser->dwUserID, dwCreator, nAction);
      if (rc != 0) {
        fail(pUser, p, "error " + std::to_string(rc));
        continue;
      }
      if (bDefaultAction) {
        // A temporary preference would override the default at the next
        // HotSync. Removing one that is not there may fail: only one that is
        // still there afterwards counts.
        int32_t nTemp = 0;
        const int32_t rcRemove = UmRemoveUserTempSyncPreferences(pUser->dwUserID, dwCreator);
        if (rcRemove != 0 &&
            UmGetUserTempSyncPreferences(pUser->dwUserID, dwCreator, &nTemp) == 0) {
          fail(pUser, p,
               "default written, but the next-HotSync preference could not be removed, error " +
                   std::to_string(rcRemove));
          continue;
        }
      }
      ++nWritten;
    }
  }

  if (nWritten > 0) PdRegChange::Changed();
  const size_t nTotal = users.size() * conds.size();
  if (strFailed.empty()) {
    m_prompt.ShowInfo(
        (Counted(nWritten, "sync preference", "sync preferences") + " written.").c_str());
  } else {
    m_prompt.ShowError((std::to_string(nWritten) + " of " +
                        Counted(nTotal, "sync preference", "sync preferences") +
                        " written. Not written:" + strFailed)
                           .c_str());
  }
}

void TWTool::lvTWUserDblClick() {
  const auto* pUser = static_cast<const PalmUser*>(m_users.Data(m_users.Selected()));
  if (!pUser) return;
  m_info.ShowUserInfo(pUser->dwUserID, Conduits());
}

TWUserInfo TWReadUserInfo(uint32_t dwUserID, const std::vector<TWConduitRef>& conduits) {
  TWUserInfo info;
  info.bProfile = UmIsUserProfile(dwUserID) != 0;
  info.strName = ReadText([&](char* sz) {
    uint16_t cb = 256;
    UmGetUserName(dwUserID, sz, &cb);
  });
  info.strDataDir = ReadText([&](char* sz) {
    uint16_t cb = 256;
    UmGetUserDirectory(dwUserID, sz, &cb);
  });
  info.strRootDir = ReadText([&](char* sz) {
    uint16_t cb = 256;
    UmGetRootDirectory(sz, &cb);
  });

  uint16_t nCount = 0;
  UmSlotGetSlotCount(dwUserID, &nCount);
  if (nCount > 0) {
    std::vector<uint32_t> refs(nCount, 0);
    UmSlotGetInfo(dwUserID, refs.data(), &nCount);
    // The count the library gives back, but never beyond the array.
    for (size_t i = 0; i < nCount && i < refs.size(); ++i) {
      TWSlotRow row;
      row.strNo = std::to_string(i + 1);
      row.strID = std::to_string(static_cast<int32_t>(refs[i]));
      uint32_t dwType = PD_MEDIA_WILD;
      UmSlotGetMediaType(dwUserID, refs[i], &dwType);
      row.strType = TWMediaTypeName(dwType);
      row.strName = ReadText([&](char* sz) {
        int32_t cb = 256;  // this size is 32-bit
        UmSlotGetDisplayName(dwUserID, refs[i], sz, &cb);
      });
      info.slots.push_back(row);
    }
  }

  for (const TWConduitRef& c : conduits) {
    if (c.strCreator.size() != 4) continue;
    TWPrefRow row;
    row.strConduit = c.strTitle;
    uint32_t dwCreator = 0;
    if (CmConvertStringToCreatorID(c.strCreator.c_str(), &dwCreator) == 0) {
      int32_t nAction = 0;
      row.strPerm = UmGetUserPermSyncPreferences(dwUserID, dwCreator, &nAction) == 0
                        ? TWPrefText(nAction)
                        : kTWPrefNotSet;
      row.strTemp = UmGetUserTempSyncPreferences(dwUserID, dwCreator, &nAction) == 0
                        ? TWPrefText(nAction)
                        : kTWPrefNotSet;
    }
    info.prefs.push_back(row);
  }
  return info;
}
