// ZIP archives of arbitrary bytes: the walk refuses or lists entries that all
// pass the name and size checks, and reading an entry never yields more than
// its directory declares.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "orvello/setup/OVSetupPaths.h"
#include "orvello/setup/OVSetupZip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  OVZipReader r;
  std::string why;
  if (!r.OpenMemory(data, size, &why)) return 0;
  if (!r.Walk(&why)) {
    if (why.empty()) std::abort();
    return 0;
  }
  uint64_t total = 0;
  for (const OVZipEntry& e : r.Entries()) {
    if (!OVCheckEntryName(e.strName).empty() || e.qwSize > kOVZipMaxEntrySize) std::abort();
    total += e.qwSize;
    if (e.bDirectory || e.qwSize > (1u << 20)) continue;  // keep each run short
    uint64_t got = 0;
    const bool ok = r.Read(
        e,
        [&](const void*, size_t n) {
          got += n;
          return true;
        },
        &why);
    if (got > e.qwSize || (ok && got != e.qwSize)) std::abort();
  }
  if (total > kOVZipMaxTotal) std::abort();
  return 0;
}
