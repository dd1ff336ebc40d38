// A directory of its own for one test, removed with everything in it afterwards.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tdxtest {

class TempDir {
 public:
  explicit TempDir(const std::string& tag = "t") {
    static std::atomic<unsigned> seq{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("tdx-" + tag + "-" + std::to_string(stamp) + "-" + std::to_string(seq++));
    std::filesystem::create_directories(m_path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  // Path of a file in the directory, as a narrow string for the program's APIs.
  std::string file(const std::string& name) const { return (m_path / name).string(); }

 private:
  std::filesystem::path m_path;
};

inline std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const void* data, size_t n) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, text.data(), text.size());
}

}  // namespace tdxtest
