// Answer-cache files and helper answer lines of arbitrary bytes: a cache is
// read whole or not at all, every name it gives is terminated within a title,
// and what was read survives a write and a second read unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "palm/CondAnswer.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CondAnswerCache c;
  if (c.Decode(data, size)) {
    const std::string again = c.Encode();
    CondAnswerCache d;
    Check(d.Decode(again.data(), again.size()));
    Check(d.Count() == c.Count());
    Check(d.Encode().size() == again.size());  // the order of entries may differ
  } else {
    Check(c.Count() == 0);
  }
  CondProbeLine line;
  if (DecodeProbeLine(reinterpret_cast<const char*>(data), size, &line)) {
    Check(line.cKind == 'A' || line.cKind == 'B');
    Check(std::memchr(line.answer.szName, 0, sizeof line.answer.szName) != nullptr);
    Check(static_cast<uint8_t>(line.answer.state) <= 3);
    if (line.cKind == 'A') {
      const std::string enc = EncodeProbeAnswer(line.nIndex, line.answer);
      CondProbeLine back;
      Check(DecodeProbeLine(enc.data(), enc.size(), &back));
      Check(back.nIndex == line.nIndex && back.answer.state == line.answer.state &&
            back.answer.nNameResult == line.answer.nNameResult &&
            back.answer.dwLoadError == line.answer.dwLoadError &&
            std::strcmp(back.answer.szName, line.answer.szName) == 0 &&
            std::memcmp(back.answer.wVersion, line.answer.wVersion, sizeof back.answer.wVersion) == 0);
    }
  }
  return 0;
}
