// The seeding tool's description parser on arbitrary bytes: it either accepts
// or names a line, and what it accepts keeps its own limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SeedPlan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const SeedVars vars = {{"BIN", "C:\\bin"}, {"HERE", "C:\\here"}, {"DESKTOP", ""}};
  SeedPlan plan;
  std::string err;
  if (!ParseSeedPlan(text, vars, &plan, &err)) {
    if (err.empty()) std::abort();
    return 0;
  }
  if (plan.sDesktop.empty()) std::abort();
  for (const SeedUser& u : plan.users)
    if (u.sName.size() > 63 || u.sDir.size() > 255) std::abort();
  for (const SeedApp& a : plan.apps)
    if (a.sCreator.size() != 4 || a.nPriority < 1 || a.nPriority > 5) std::abort();
  for (const SeedFile& f : plan.files)
    if (f.sTarget.empty() || f.sTarget.find("..") == 0) std::abort();
  return 0;
}
