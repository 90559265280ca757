#include "tables/table_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "tables/case_fold.h"

namespace orb {
namespace {

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The folder drive `letter` stands for under Wine: drive_c for c:, otherwise the
// prefix's dosdevices entry ("dosdevices/d:").
std::string WineDrive(char letter) {
  std::string prefix;
  if (const char* wine = std::getenv("WINEPREFIX"); wine != nullptr && *wine != '\0') {
    prefix = wine;
  } else {
    const char* home = std::getenv("HOME");
    prefix = std::string(home != nullptr ? home : "") + "/.wine";
  }
  while (prefix.size() > 1 && prefix.back() == '/')
    prefix.pop_back();
  if (letter >= 'A' && letter <= 'Z')
    letter = static_cast<char>(letter - 'A' + 'a');
  if (letter == 'c')
    return prefix + "/drive_c";
  return prefix + "/dosdevices/" + std::string(1, letter) + ":";
}

}  // namespace

std::string FindIgnoringCase(const std::string& directory, const std::string& name) {
  std::string base = directory;
  if (!base.empty() && base.back() != '/')
    base += '/';
  const std::string exact = base + name;
  if (name.empty() || Exists(exact))
    return exact;
  DIR* dir = ::opendir(directory.empty() ? "." : directory.c_str());
  if (dir == nullptr)
    return exact;
  const std::string wanted = FoldCase(name);
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = entry->d_name;
    // Several names may match; take the first in sorted order so the choice
    // does not depend on the order the file system lists them in.
    if (FoldCase(candidate) == wanted && (found.empty() || candidate < found))
      found = candidate;
  }
  ::closedir(dir);
  return found.empty() ? exact : base + found;
}

std::string MapHostDirectory(const std::string& directory) {
  std::string path = directory;
  for (char& c : path)
    if (c == '\\')
      c = '/';
  std::string root;
  std::string rest = path;
  const bool driveLetter =
      path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'a' && path[0] <= 'z') || (path[0] >= 'A' && path[0] <= 'Z'));
  if (driveLetter) {
    root = WineDrive(path[0]);
    rest = path.substr(2);
  } else if (!path.empty() && path[0] == '/') {
    root = "/";
    rest = path.substr(1);
  }
  // Walk the remaining parts, each found ignoring case inside the one before.
  std::string mapped = root;
  const bool trailing = !rest.empty() && rest.back() == '/';
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos)
      end = rest.size();
    const std::string part = rest.substr(start, end - start);
    start = end + 1;
    if (part.empty())
      continue;
    if (part == "." || part == "..") {
      if (!mapped.empty() && mapped.back() != '/')
        mapped += '/';
      mapped += part;
      continue;
    }
    mapped = FindIgnoringCase(mapped, part);
  }
  if (driveLetter && mapped == root)
    return root + "/";
  if (trailing && !mapped.empty() && mapped.back() != '/')
    mapped += '/';
  return mapped;
}

std::string ExecutableDirectory() {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0)
    return "./";
  std::string path(buffer.data(), static_cast<size_t>(n));
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

}  // namespace orb
