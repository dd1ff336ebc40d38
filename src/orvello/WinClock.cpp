#include "orvello/WinClock.h"

#include <cstring>
#include <ctime>

#include "misc/WinUtil.h"

int32_t WinClock::Now() { return static_cast<int32_t>(std::time(nullptr)); }

TdxDateTime WinClock::ToLocal(int32_t nTime) {
  const SYSTEMTIME st = LocalTimeOf(nTime);
  TdxDateTime t;
  static_assert(sizeof t == sizeof st);
  std::memcpy(&t, &st, sizeof t);
  return t;
}
