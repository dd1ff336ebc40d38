// The seeding tool's description parser on arbitrary bytes: it either accepts
// or names a line, and what it accepts keeps its own limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SeedSpec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SeedVars vars = {{"BIN", "C:\\bin"}, {"HERE", "C:\\here"}, {"DESKTOP", ""}};
  SeedSpec spec;
  std::string err;
  if (!ParseSeedSpec(text, vars, &spec, &err)) {
    if (err.empty()) std::abort();
    return 0;
  }
  if (spec.sDesktop.empty()) std::abort();
  for (const SeedUser& u : spec.users)
    if (u.sName.size() > 63 || u.sDir.size() > 255) std::abort();
  for (const SeedApp& a : spec.apps)
    if (a.sCreator.size() != 4 || a.nPriority < 1 || a.nPriority > 5) std::abort();
  for (const SeedFile& f : spec.files)
    if (f.sTarget.empty() || f.sTarget.find("..") == 0) std::abort();
  return 0;
}
