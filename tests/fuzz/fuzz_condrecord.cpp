// Record files of arbitrary bytes: reading yields only whole, terminated
// records, and what was read survives a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "palm/CondRecord.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool Terminated(const char* sz, size_t n) { return std::memchr(sz, 0, n) != nullptr; }

std::vector<CondData> ReadAll(const std::string& path) {
  std::vector<CondData> out;
  CondRecordReader rd;
  Check(rd.Open(path.c_str()));
  CondData r;
  while (rd.Read(&r)) out.push_back(r);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string in = "/tmp/tdx-fuzz-condrec-" + std::to_string(getpid()) + ".in";
  static const std::string out = "/tmp/tdx-fuzz-condrec-" + std::to_string(getpid()) + ".out";
  FILE* fp = std::fopen(in.c_str(), "wb");
  if (!fp) return 0;
  if (size) std::fwrite(data, 1, size, fp);
  std::fclose(fp);

  const std::vector<CondData> recs = ReadAll(in);
  Check(recs.size() == size / COND_RECORD_SIZE);
  for (const CondData& r : recs) {
    Check(r.pCondObj == 0);
    Check(Terminated(r.szCreatorID, sizeof r.szCreatorID) &&
          Terminated(r.szConduit, sizeof r.szConduit) &&
          Terminated(r.szDirectory, sizeof r.szDirectory) &&
          Terminated(r.szFile, sizeof r.szFile) && Terminated(r.szRemote, sizeof r.szRemote) &&
          Terminated(r.szInfo, sizeof r.szInfo) && Terminated(r.szTitle, sizeof r.szTitle) &&
          Terminated(r.szProduct, sizeof r.szProduct));
  }

  CondRecordWriter w;
  if (!w.Create(out.c_str())) return 0;
  for (const CondData& r : recs) Check(w.Write(r));
  Check(w.Commit());
  const std::vector<CondData> again = ReadAll(out);
  Check(again.size() == recs.size());
  for (size_t i = 0; i < recs.size(); ++i)
    Check(std::memcmp(&again[i], &recs[i], sizeof(CondData)) == 0);
  return 0;
}
