// A strict JSON reader for the tests: the whole text must be one valid value,
// strings valid UTF-8 with only the escapes JSON allows.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hvtest {

struct JValue {
  enum Type { Null, Bool, Number, String, Array, Object } type = Null;
  double num = 0;
  std::string str;  // UTF-8
  std::vector<JValue> arr;
  std::map<std::string, JValue> obj;
  const JValue& operator[](const std::string& k) const {
    static const JValue none;
    auto it = obj.find(k);
    return it == obj.end() ? none : it->second;
  }
};

class JsonReader {
 public:
  // False, with the offset of the fault in m_nError, when the text is not JSON.
  bool Parse(const std::string& text, JValue& v) {
    m_s = &text;
    m_i = 0;
    if (!Value(v)) return false;
    Ws();
    return m_i == text.size() || Fail();
  }
  size_t m_nError = 0;

 private:
  bool Fail() {
    m_nError = m_i;
    return false;
  }
  int Peek() const { return m_i < m_s->size() ? static_cast<unsigned char>((*m_s)[m_i]) : -1; }
  void Ws() {
    while (Peek() == ' ' || Peek() == '\n' || Peek() == '\r' || Peek() == '\t') ++m_i;
  }
  bool Lit(const char* w) {
    for (; *w; ++w, ++m_i)
      if (Peek() != *w) return Fail();
    return true;
  }
  bool Value(JValue& v) {
    Ws();
    switch (Peek()) {
      case '{': return Obj(v);
      case '[': return Arr(v);
      case '"': v.type = JValue::String; return Str(v.str);
      case 't': v.type = JValue::Bool; v.num = 1; return Lit("true");
      case 'f': v.type = JValue::Bool; return Lit("false");
      case 'n': return Lit("null");
      default: return Num(v);
    }
  }
  bool Num(JValue& v) {
    const size_t start = m_i;
    if (Peek() == '-') ++m_i;
    if (Peek() == '0') {
      ++m_i;
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9') ++m_i;
    } else {
      return Fail();
    }
    if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') return Fail();  // ours are integers
    v.type = JValue::Number;
    v.num = std::stod(m_s->substr(start, m_i - start));
    return true;
  }
  bool Str(std::string& out) {
    ++m_i;
    for (;;) {
      const int c = Peek();
      if (c < 0 || c < 0x20) return Fail();
      ++m_i;
      if (c == '"') return true;
      if (c == '\\') {
        const int e = Peek();
        ++m_i;
        switch (e) {
          case '"': out += '"'; break;
          case '\\': out += '\\'; break;
          case '/': out += '/'; break;
          case 'b': out += '\b'; break;
          case 'f': out += '\f'; break;
          case 'n': out += '\n'; break;
          case 'r': out += '\r'; break;
          case 't': out += '\t'; break;
          case 'u': {
            if (m_i + 4 > m_s->size()) return Fail();
            const unsigned cp = static_cast<unsigned>(std::stoul(m_s->substr(m_i, 4), nullptr, 16));
            m_i += 4;
            if (cp >= 0xD800 && cp <= 0xDFFF) return Fail();  // we never need surrogates
            Utf8(out, cp);
            break;
          }
          default: return Fail();
        }
        continue;
      }
      // UTF-8: lead byte, then the right number of continuation bytes.
      int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
      if (more < 0 || (c >= 0x80 && c < 0xC2)) return Fail();
      out += static_cast<char>(c);
      for (; more > 0; --more) {
        if ((Peek() & 0xC0) != 0x80) return Fail();
        out += static_cast<char>(Peek());
        ++m_i;
      }
    }
  }
  static void Utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  bool Arr(JValue& v) {
    v.type = JValue::Array;
    ++m_i;
    Ws();
    if (Peek() == ']') return ++m_i, true;
    for (;;) {
      v.arr.emplace_back();
      if (!Value(v.arr.back())) return false;
      Ws();
      if (Peek() == ']') return ++m_i, true;
      if (Peek() != ',') return Fail();
      ++m_i;
    }
  }
  bool Obj(JValue& v) {
    v.type = JValue::Object;
    ++m_i;
    Ws();
    if (Peek() == '}') return ++m_i, true;
    for (;;) {
      Ws();
      std::string key;
      if (Peek() != '"' || !Str(key)) return Fail();
      if (v.obj.count(key)) return Fail();  // duplicate key
      Ws();
      if (Peek() != ':') return Fail();
      ++m_i;
      if (!Value(v.obj[key])) return false;
      Ws();
      if (Peek() == '}') return ++m_i, true;
      if (Peek() != ',') return Fail();
      ++m_i;
    }
  }

  const std::string* m_s = nullptr;
  size_t m_i = 0;
};

}  // namespace hvtest
