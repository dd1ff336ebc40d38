// A calendar date-time with the fields of the Windows SYSTEMTIME record, in the
// same order, so the portable core needs no Windows header.
#pragma once

#include <cstdint>

struct TdxDateTime {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
};
static_assert(sizeof(TdxDateTime) == 16, "TdxDateTime has the layout of SYSTEMTIME");
