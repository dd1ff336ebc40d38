// tdseed: creates a Palm Desktop for the stand-in libraries from a plain text
// description (see SeedPlan.h for the format).
//
//   tdseed [--desktop <dir>] [--bin <dir>] <description file>
//
// --desktop replaces the description's "desktop" line; --bin is where the
// stand-in libraries and sample conduits are (default: tdseed's own directory).
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "SeedPlan.h"
#include "Seeder.h"
#include "misc/WinUtil.h"

namespace {

std::string Dir(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string NoSlash(std::string s) {
  while (s.size() > 3 && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  return s;
}

int Usage() {
  std::fprintf(stderr, "usage: tdseed [--desktop <dir>] [--bin <dir>] <description file>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string desc, desktop, bin;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--desktop" || a == "--bin") && i + 1 < argc) {
      (a == "--desktop" ? desktop : bin) = NoSlash(argv[++i]);
    } else if (!a.empty() && a[0] == '-') {
      return Usage();
    } else if (desc.empty()) {
      desc = a;
    } else {
      return Usage();
    }
  }
  if (desc.empty()) return Usage();
  if (bin.empty()) {
    char sz[MAX_PATH];
    if (!GetModuleDir(nullptr, sz)) return 1;
    bin = NoSlash(sz);
  }

  std::ifstream in(desc, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "tdseed: cannot read %s\n", desc.c_str());
    return 1;
  }
  std::ostringstream text;
  text << in.rdbuf();

  char full[MAX_PATH];
  const DWORD n = GetFullPathNameA(desc.c_str(), sizeof full, full, nullptr);
  const SeedVars vars = {{"BIN", bin},
                         {"HERE", Dir(n && n < sizeof full ? full : desc)},
                         {"DESKTOP", desktop}};
  SeedPlan plan;
  std::string err;
  if (!ParseSeedPlan(text.str(), vars, &plan, &err) || !SeedDesktop(plan, bin, &err)) {
    std::fprintf(stderr, "tdseed: %s: %s\n", desc.c_str(), err.c_str());
    return 1;
  }
  std::printf("tdseed: %s: %u users, %u application conduits, %u install conduits%s\n",
              plan.sDesktop.c_str(), static_cast<unsigned>(plan.users.size()),
              static_cast<unsigned>(plan.apps.size()), static_cast<unsigned>(plan.installs.size()),
              plan.nBackupLine ? ", a backup conduit" : "");
  return 0;
}
