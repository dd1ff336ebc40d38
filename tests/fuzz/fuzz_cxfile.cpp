// Typed reads of CxFile over arbitrary bytes: no read may write past its buffer.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "misc/CxFile.h"
#include "misc/Diag.h"

namespace {
void Quiet(const char*, const char*, int) {}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/tdx-fuzz-cxfile-" + std::to_string(getpid()) + ".bin";
  static bool init = (tdx::SetDiagSink(Quiet), true);
  (void)init;
  if (size == 0) return 0;
  FILE* fp = std::fopen(path.c_str(), "wb");
  if (!fp) return 0;
  std::fwrite(data + 1, 1, size - 1, fp);
  std::fclose(fp);

  CxFile f;
  if (!f.Open(path.c_str(), "rb")) return 0;
  // The first byte picks the buffer size and the order of reads.
  const size_t cb = 1 + data[0] % 64;
  char buf[64];
  for (int i = 0; i < 64; ++i) {
    int32_t n = 0;
    bool ok = ((data[0] >> 6) + i) % 3 == 0 ? f.ReadInt(&n) : f.ReadString(buf, cb, &n);
    if (!ok) break;
  }
  return 0;
}
