// Small text helpers of the conduit tool.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

// printf into a string; a text longer than 1023 characters is cut.
inline std::string OVFormat(const char* szFormat, ...) {
  char sz[1024];
  va_list args;
  va_start(args, szFormat);
  std::vsnprintf(sz, sizeof sz, szFormat, args);
  va_end(args);
  return sz;
}

// At most the field's size less one of a text, terminated, the rest zero.
template <size_t N>
void OVCopyCut(char (&field)[N], const char* sz) {
  std::memset(field, 0, N);
  if (sz) std::memcpy(field, sz, strnlen(sz, N - 1));
}

// A text from a file, fit to be shown: control characters become '?'.
inline std::string OVPrintable(const char* sz) {
  std::string s = sz ? sz : "";
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}
