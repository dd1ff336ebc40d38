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
  for (const SeedFile& f : plan.files) {
    if (f.sTarget.empty()) std::abort();
    // No component may be a run of dots: the file would land outside the desktop.
    size_t start = 0;
    while (start <= f.sTarget.size()) {
      size_t end = f.sTarget.find_first_of("\\/", start);
      if (end == std::string::npos) end = f.sTarget.size();
      const std::string part = f.sTarget.substr(start, end - start);
      if (!part.empty() && part.find_first_not_of('.') == std::string::npos) std::abort();
      start = end + 1;
    }
  }
  return 0;
}
