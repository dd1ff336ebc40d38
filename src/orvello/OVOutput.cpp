#include "orvello/OVOutput.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "misc/Utf8.h"

void OVJsonString(std::string& out, const char* szText, size_t nMax) {
  out += '"';
  size_t n = 0;
  if (szText)
    while (n < nMax && szText[n]) ++n;
  std::wstring wide;
  if (n > 0) {
    const int nIn = static_cast<int>(n);  // field texts: far below INT_MAX
    const int nWide = MultiByteToWideChar(CP_ACP, 0, szText, nIn, nullptr, 0);
    if (nWide > 0) {
      wide.resize(static_cast<size_t>(nWide));
      MultiByteToWideChar(CP_ACP, 0, szText, nIn, wide.data(), nWide);
    }
  }
  for (size_t i = 0; i < wide.size(); ++i) {
    unsigned cp = wide[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
        wide[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;  // a lone surrogate has no UTF-8 form
    }
    switch (cp) {
      case '"':
        out += "\\\"";
        continue;
      case '\\':
        out += "\\\\";
        continue;
      case '\n':
        out += "\\n";
        continue;
      case '\r':
        out += "\\r";
        continue;
      case '\t':
        out += "\\t";
        continue;
      default:
        break;
    }
    if (cp < 0x20) {
      char sz[8];
      std::snprintf(sz, sizeof sz, "\\u%04x", cp);
      out += sz;
    } else {
      TdxAppendUtf8(out, cp);
    }
  }
  out += '"';
}

void OVJsonField(std::string& out, const char* szKey, const std::string& strValue) {
  out += '"';
  out += szKey;
  out += "\":";
  OVJsonString(out, strValue);
}

void OVWriteTable(std::string& out, const std::vector<std::vector<std::string>>& rows,
                  const std::string& strIndent) {
  std::vector<size_t> width;
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) {
      if (width.size() <= c) width.resize(c + 1, 0);
      if (row[c].size() > width[c]) width[c] = row[c].size();
    }
  for (const auto& row : rows) {
    std::string line = strIndent;
    for (size_t c = 0; c < row.size(); ++c) {
      line += row[c];
      if (c + 1 < row.size()) line.append(width[c] - row[c].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
}

std::string OVVisible(const std::string& s) {
  std::string r;
  for (const char ch : s) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      char sz[8];
      std::snprintf(sz, sizeof sz, "\\x%02X", c);
      r += sz;
    } else {
      r += ch;
    }
  }
  return r;
}
