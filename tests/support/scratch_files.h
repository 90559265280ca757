// Scratch folders and whole-file reads and writes for the tests that run the
// program's executables over real files.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orb::testing_files {

// A fresh folder under the system's temporary folder, named for the test and the
// process, removed afterwards.
class ScratchDir {
 public:
  ScratchDir(const std::string& prefix, const std::string& tag)
      : path_(std::filesystem::temp_directory_path() /
              (prefix + "_" + tag + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  // The folder's full name.
  std::string Path() const { return path_.string(); }
  // The full name of `name` inside the folder.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole file's bytes; "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Replaces the file's bytes with `bytes`.
inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The names in `dir`, sorted.
inline std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const std::filesystem::directory_entry& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orb::testing_files
