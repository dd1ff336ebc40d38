// tdlog: see TdLog.h and "tdlog --help".
#include <cstdio>
#include <string>

#include "TdLog.h"
#include "logs/LogShortPath.h"

int main(int argc, char** argv) {
  std::string out, err;
  const int rc = TdRun(argc, argv, out, err, HVGetShortPath);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  if (std::fflush(stdout) != 0) return TD_EXIT_FAILED;
  return rc;
}
