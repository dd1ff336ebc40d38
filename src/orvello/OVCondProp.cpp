#include "orvello/OVCondProp.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "misc/Diag.h"
#include "palm/SyncGuard.h"

namespace {

// At most the first N-1 characters, terminated within the field.
template <size_t N>
void Store(char (&field)[N], const std::string& text, size_t nMax = N - 1) {
  const size_t n = text.size() < nMax ? text.size() : nMax;
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), n);
}

struct BuiltIn {
  const char* creators[2];
  const char* directory;
  const char* file;
};
const BuiltIn kBuiltIns[] = {
    {{"addr", "PAdd"}, "address", "address.dat"},
    {{"date", "PDat"}, "datebook", "datebook.dat"},
    {{"todo", "PTod"}, "todo", "todo.dat"},
    {{"memo", "PMem"}, "memopad", "memopad.dat"},
};

}  // namespace

int32_t OVParsePriority(const char* szText) {
  if (!szText) return 2;
  const char* p = szText;
  while (*p == ' ' || *p == '\t') ++p;
  bool bNeg = false;
  if (*p == '+' || *p == '-') bNeg = *p++ == '-';
  int64_t n = 0;
  for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
    n = n * 10 + (*p - '0');
    if (n > INT32_MAX) n = INT64_C(1) << 31;  // held at the end of the range
  }
  if (bNeg) n = -n;
  if (n > INT32_MAX) n = INT32_MAX;
  return n <= 0 ? 2 : static_cast<int32_t>(n);
}

void OVCondProp::FormCreate() {
  m_pData = nullptr;
  m_bNew = false;
  m_bSystem = false;
}

void OVCondProp::SetConduit(CondData* pData) {
  if (!TDX_VERIFY(pData!=NULL)) return;
  m_pData = pData;
  m_bNew = pData->dwCreatorID == 0;
  char sz[32];
  m_view.SetText(OVPropField::Title, pData->szTitle);
  if (m_bSystem) {
    std::snprintf(sz, sizeof sz, "0x%x", static_cast<unsigned>(pData->dwCreatorID));
    m_view.SetText(OVPropField::CreatorID, sz);
  } else {
    m_view.SetText(OVPropField::CreatorID, pData->szCreatorID);
  }
  m_view.SetText(OVPropField::Directory, pData->szDirectory);
  m_view.SetText(OVPropField::File, pData->szFile);
  m_view.SetText(OVPropField::PalmDB, pData->szRemote);
  if (pData->nPriority <= 0) pData->nPriority = 2;
  std::snprintf(sz, sizeof sz, "%d", static_cast<int>(pData->nPriority));
  m_view.SetText(OVPropField::Priority, sz);
  m_view.SetText(OVPropField::FileName, pData->szConduit);
  m_view.SetText(OVPropField::Version, OVTool::LibraryVersion(pData->szConduit));
  m_view.EnableCreatorID(m_bNew);
}

void OVCondProp::edtCreatorIDExit() {
  const std::string creator = m_view.Text(OVPropField::CreatorID);
  for (const BuiltIn& b : kBuiltIns) {
    if (creator != b.creators[0] && creator != b.creators[1]) continue;
    if (m_view.Text(OVPropField::Directory).empty()) m_view.SetText(OVPropField::Directory, b.directory);
    if (m_view.Text(OVPropField::File).empty()) m_view.SetText(OVPropField::File, b.file);
    return;
  }
}

bool OVCondProp::btnOKClick() {
  if (!TDX_VERIFY(m_pData)) return false;
  if (m_bSystem) return true;
  // Refused before the record takes the fields: the dialog stays as it was.
  PdRegChange op;
  if (op.Refused()) {
    m_prompt.ShowError(kPdSyncRunning);
    return false;
  }
  CondData* p = m_pData;
  Store(p->szCreatorID, m_view.Text(OVPropField::CreatorID), 4);
  Store(p->szDirectory, m_view.Text(OVPropField::Directory));
  Store(p->szFile, m_view.Text(OVPropField::File));
  Store(p->szRemote, m_view.Text(OVPropField::PalmDB));
  p->nPriority = OVParsePriority(m_view.Text(OVPropField::Priority).c_str());
  if (m_bNew) {
    if (m_view.Text(OVPropField::CreatorID).empty()) {
      m_prompt.ShowError(kOVNeedCreator);
      return false;
    }
    return m_tool.InstallConduit(p, false);
  }
  if (p->nMark & MARK_RESTORE) return m_tool.RestoreConduit(p, false);
  return m_tool.ApplyConduitSettings(p);
}
