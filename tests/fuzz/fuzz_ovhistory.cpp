// History files of arbitrary bytes: reading yields only terminated texts and
// known-size records, and what was read survives being appended to a new
// history and read back unchanged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "orvello/OVHistory.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

template <size_t N>
bool Terminated(const char (&sz)[N]) {
  return std::memchr(sz, 0, N) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* fp = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!fp) return 0;
  std::vector<OVLogEntry> read;
  OVReadHistory(fp, &read);
  std::fclose(fp);
  // Each record takes at least 20 bytes after the 4-byte count.
  Check(read.size() <= (size < 4 ? 0 : (size - 4) / 20));
  for (const OVLogEntry& e : read)
    Check(Terminated(e.szFileName) && Terminated(e.szName) && Terminated(e.szVersion));
  if (read.size() > 16) return 0;  // the round trip below opens the file per record

  char path[] = "/tmp/fuzz-ovlog-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return 0;
  close(fd);
  unlink(path);
  for (const OVLogEntry& e : read) Check(OVAppendHistory(path, e));
  std::vector<OVLogEntry> again;
  Check(read.empty() ? !OVReadHistory(path, &again) : OVReadHistory(path, &again));
  Check(again.size() == read.size());
  for (size_t i = 0; i < read.size(); ++i) {
    Check(std::strcmp(again[i].szFileName, read[i].szFileName) == 0);
    Check(std::strcmp(again[i].szName, read[i].szName) == 0);
    Check(std::strcmp(again[i].szVersion, read[i].szVersion) == 0);
    Check(again[i].nTime == read[i].nTime && again[i].nKind == read[i].nKind);
  }
  unlink(path);
  return 0;
}
