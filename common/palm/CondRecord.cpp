#include "palm/CondRecord.h"

#include <cstring>

#include "misc/DurableFile.h"

namespace {

template <size_t N>
void Terminate(char (&sz)[N]) {
  sz[N - 1] = '\0';
}

}  // namespace

void SanitizeCondData(CondData* pRec) {
  pRec->pCondObj = 0;
  Terminate(pRec->szCreatorID);
  Terminate(pRec->szConduit);
  Terminate(pRec->szDirectory);
  Terminate(pRec->szFile);
  Terminate(pRec->szRemote);
  Terminate(pRec->szInfo);
  Terminate(pRec->szTitle);
  Terminate(pRec->szProduct);
}

void DecodeCondData(const void* pBytes, CondData* pRec) {
  std::memcpy(pRec, pBytes, COND_RECORD_SIZE);
  SanitizeCondData(pRec);
}

void EncodeCondData(const CondData& rec, void* pBytes) {
  std::memcpy(pBytes, &rec, COND_RECORD_SIZE);
  const uint32_t zero = 0;
  std::memcpy(static_cast<unsigned char*>(pBytes) + offsetof(CondData, pCondObj), &zero,
              sizeof zero);
}

bool CondRecordReader::Open(const char* szPath) {
  Close();
  if (!szPath || !*szPath) return false;
  m_fp = std::fopen(szPath, "rb");
  return m_fp != nullptr;
}

bool CondRecordReader::Read(CondData* pRec) {
  bool bSound;
  return Read(pRec, &bSound);
}

bool CondRecordReader::Read(CondData* pRec, bool* pbSound) {
  if (!m_fp || !pRec) return false;
  unsigned char buf[COND_RECORD_SIZE];
  if (std::fread(buf, 1, sizeof buf, m_fp) != sizeof buf) return false;
  if (pbSound) *pbSound = IsSoundCondRecord(buf);
  DecodeCondData(buf, pRec);
  return true;
}

bool IsSoundCondRecord(const void* pBytes) {
  if (!pBytes) return false;
  CondData r;
  std::memcpy(&r, pBytes, COND_RECORD_SIZE);
  auto terminated = [](const char* sz, size_t n) { return std::memchr(sz, 0, n) != nullptr; };
  if (!terminated(r.szCreatorID, sizeof r.szCreatorID) ||
      !terminated(r.szConduit, sizeof r.szConduit) ||
      !terminated(r.szDirectory, sizeof r.szDirectory) || !terminated(r.szFile, sizeof r.szFile) ||
      !terminated(r.szRemote, sizeof r.szRemote) || !terminated(r.szInfo, sizeof r.szInfo) ||
      !terminated(r.szTitle, sizeof r.szTitle) || !terminated(r.szProduct, sizeof r.szProduct))
    return false;
  const size_t nCreator = std::strlen(r.szCreatorID);
  if (nCreator == 0) return false;
  for (size_t i = 0; i < nCreator; ++i)
    if (static_cast<unsigned char>(r.szCreatorID[i]) < 0x20 ||
        static_cast<unsigned char>(r.szCreatorID[i]) > 0x7E)
      return false;
  return r.szConduit[0] != '\0' && r.nStatus >= ST_MISSING && r.nStatus <= ST_UNINSTALLED &&
         r.nPriority >= 0 && r.nPriority <= 255;
}

void CondRecordReader::Close() {
  if (m_fp) std::fclose(m_fp);
  m_fp = nullptr;
}

bool CondRecordWriter::Create(const char* szPath) {
  Abandon();
  if (!szPath || !*szPath) return false;
  m_target = szPath;
  m_temp = TempPathFor(m_target);
  m_bFailed = false;
  m_fp = std::fopen(m_temp.c_str(), "wb");
  if (!m_fp) {
    // Nothing of ours exists yet: keep Abandon from removing a stranger's file.
    m_temp.clear();
    return false;
  }
  return true;
}

bool CondRecordWriter::Write(const CondData& rec) {
  if (!m_fp || m_bFailed) return false;
  unsigned char buf[COND_RECORD_SIZE];
  EncodeCondData(rec, buf);
  if (std::fwrite(buf, 1, sizeof buf, m_fp) != sizeof buf) m_bFailed = true;
  return !m_bFailed;
}

bool CondRecordWriter::Commit() {
  if (!m_fp) return false;
  if (m_bFailed) {
    Abandon();
    return false;
  }
  // Flushed through the stream that wrote it, moved through and retried as
  // every whole-file store is; closed, and the temporary file gone, either way.
  std::FILE* f = m_fp;
  m_fp = nullptr;
  const bool ok = CommitTempStream(f, m_temp.c_str(), m_target.c_str());
  m_temp.clear();
  return ok;
}

void CondRecordWriter::Abandon() {
  if (m_fp) std::fclose(m_fp);
  m_fp = nullptr;
  if (!m_temp.empty()) std::remove(m_temp.c_str());
  m_temp.clear();
  m_bFailed = false;
}
