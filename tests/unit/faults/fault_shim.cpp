// A library preloaded (LD_PRELOAD) into the program under test to make its file
// writes fail the way a full disk, a broken device or a killed process make
// them fail, at an exact byte. Only files under ORB_FAULT_FOLDER count:
//
//   ORB_FAULT_FOLDER   the folder whose files are watched (full path)
//   ORB_FAULT_ACTION   kill-write: SIGKILL once ORB_FAULT_AFTER bytes are written
//                      enospc:     writes stop at ORB_FAULT_AFTER bytes with ENOSPC
//                      eio-fsync:  flushing a watched file fails with EIO
//                      kill-rename: SIGKILL when a watched file is renamed
//   ORB_FAULT_AFTER    bytes written to watched files before the fault
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#include <string>

namespace {

using WriteFn = ssize_t (*)(int, const void*, size_t);
using FsyncFn = int (*)(int);
using RenameFn = int (*)(const char*, const char*);

// The settings, read once.
struct Settings {
  std::string folder;  // with a trailing "/"
  std::string action;
  unsigned long long after = 0;
};

const Settings& Config() {
  static const Settings settings = [] {
    Settings s;
    if (const char* f = getenv("ORB_FAULT_FOLDER"))
      s.folder = std::string(f) + (f[0] != '\0' && f[strlen(f) - 1] == '/' ? "" : "/");
    if (const char* a = getenv("ORB_FAULT_ACTION"))
      s.action = a;
    if (const char* n = getenv("ORB_FAULT_AFTER"))
      s.after = strtoull(n, nullptr, 10);
    return s;
  }();
  return settings;
}

// True when `path` lies in the watched folder.
bool Watched(const char* path) {
  const Settings& s = Config();
  return !s.folder.empty() && strncmp(path, s.folder.c_str(), s.folder.size()) == 0;
}

// True when the descriptor is open on a file in the watched folder.
bool WatchedFd(int fd) {
  char link[64];
  char path[4096];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0)
    return false;
  path[n] = '\0';
  return Watched(path);
}

unsigned long long written = 0;  // bytes written to watched files so far

}  // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
  static const WriteFn next = reinterpret_cast<WriteFn>(dlsym(RTLD_NEXT, "write"));
  const Settings& s = Config();
  if ((s.action != "kill-write" && s.action != "enospc") || !WatchedFd(fd))
    return next(fd, buffer, count);
  const unsigned long long room = s.after > written ? s.after - written : 0;
  if (count <= room) {
    const ssize_t n = next(fd, buffer, count);
    if (n > 0)
      written += static_cast<unsigned long long>(n);
    return n;
  }
  // This write crosses the limit: the bytes up to it reach the file, then the fault.
  if (room > 0) {
    const ssize_t n = next(fd, buffer, static_cast<size_t>(room));
    if (n > 0)
      written += static_cast<unsigned long long>(n);
    if (s.action == "enospc")
      return n;
  }
  if (s.action == "kill-write")
    raise(SIGKILL);
  errno = ENOSPC;
  return -1;
}

extern "C" int fsync(int fd) {
  static const FsyncFn next = reinterpret_cast<FsyncFn>(dlsym(RTLD_NEXT, "fsync"));
  if (Config().action == "eio-fsync" && WatchedFd(fd)) {
    errno = EIO;
    return -1;
  }
  return next(fd);
}

extern "C" int rename(const char* from, const char* to) {
  static const RenameFn next = reinterpret_cast<RenameFn>(dlsym(RTLD_NEXT, "rename"));
  if (Config().action == "kill-rename" && Watched(to))
    raise(SIGKILL);
  return next(from, to);
}
