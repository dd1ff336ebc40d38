// Texts from outside (logs, the registry, file, user and set names) on the
// pages the program writes: the four characters that could make markup of
// them become entities, every other byte stays as it is.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

inline void TdxAppendHtml(std::string& out, const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    switch (p[i]) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += p[i];
    }
  }
}

inline void TdxAppendHtml(std::string& out, const std::string& s) {
  TdxAppendHtml(out, s.data(), s.size());
}

// A zero-terminated text; null is an empty one.
inline void TdxAppendHtml(std::string& out, const char* sz) {
  if (sz) TdxAppendHtml(out, sz, std::strlen(sz));
}

inline std::string TdxHtml(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  TdxAppendHtml(out, s);
  return out;
}
