#include "exchange/replace_file.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orb {
namespace {

// Temporary names stay well within the usual 255-byte limit of a file name.
constexpr size_t kMaxTempStem = 200;

#ifdef _WIN32
int WriteSome(int fd, const char* p, size_t n) {
  return _write(fd, p, static_cast<unsigned>(n));
}
int FlushToDisk(int fd) {
  return _commit(fd);
}
int CloseFile(int fd) {
  return _close(fd);
}
// Opens a new, unique temporary file from `pattern` (ending in XXXXXX).
int OpenTemporary(std::string& pattern) {
  const std::string stem = pattern.substr(0, pattern.size() - 6);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + std::to_string(100000 + attempt);
    int fd = -1;
    if (_sopen_s(&fd, name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _SH_DENYRW,
                 _S_IREAD | _S_IWRITE) == 0) {
      pattern = name;
      return fd;
    }
    if (errno != EEXIST)
      return -1;
  }
  return -1;
}
void CopyPermissions(int, bool, unsigned) {}
int RenameOver(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return ec ? (ec.value() != 0 ? ec.value() : EIO) : 0;
}
void SyncFolder(const std::string&) {}
#else
int WriteSome(int fd, const char* p, size_t n) {
  return static_cast<int>(::write(fd, p, n));
}
int FlushToDisk(int fd) {
  // Some file systems (a pipe, a special device) cannot be flushed; that is no failure.
  return ::fsync(fd) != 0 && errno != EINVAL ? -1 : 0;
}
int CloseFile(int fd) {
  return ::close(fd);
}
int OpenTemporary(std::string& pattern) {
  return ::mkstemp(pattern.data());
}
// mkstemp makes a file only its owner can read; the host must keep reading its
// settings and the user their document. A file system without permissions (a FAT
// memory stick) refuses, which is no reason to fail.
void CopyPermissions(int fd, bool existed, unsigned mode) {
  if (!existed) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  (void)::fchmod(fd, static_cast<mode_t>(mode & 07777));
}
int RenameOver(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
// Makes the rename itself durable; the new file is in place whatever this says.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0)
    return;
  ::fsync(fd);
  ::close(fd);
}
#endif

}  // namespace

bool ReplacementSink::Write(std::string_view bytes) {
  while (error_ == 0 && !bytes.empty()) {
    const int written = WriteSome(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0) {
      error_ = written < 0 ? errno : EIO;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return error_ == 0;
}

int ReplaceFile(const std::string& fileName, const std::function<void(ReplacementSink&)>& produce) {
  namespace fs = std::filesystem;
  if (fileName.empty())
    return ENOENT;

  // Replace the file a symbolic link points to, not the link.
  fs::path target = fileName;
  std::error_code ec;
  if (fs::is_symlink(target, ec)) {
    target = fs::weakly_canonical(target, ec);
    if (ec)
      return ec.value() != 0 ? ec.value() : ENOENT;
  }
  const fs::file_status existing = fs::status(target, ec);
  const bool existed = !ec && fs::exists(existing);

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string stem = target.filename().string();
  if (stem.size() > kMaxTempStem)
    stem.resize(kMaxTempStem);
  std::string temp = (folder / ("." + stem + ".XXXXXX")).string();

  const int fd = OpenTemporary(temp);
  if (fd < 0)
    return errno != 0 ? errno : EIO;

  // From here on every failure removes the temporary file before reporting.
  auto fail = [&](int error, bool open) {
    if (open)
      CloseFile(fd);
    std::remove(temp.c_str());
    return error != 0 ? error : EIO;
  };

  CopyPermissions(fd, existed, static_cast<unsigned>(existing.permissions()));
  ReplacementSink sink(fd);
  try {
    produce(sink);
  } catch (...) {
    fail(0, true);
    throw;
  }
  if (sink.Error() != 0)
    return fail(sink.Error(), true);
  if (FlushToDisk(fd) != 0)
    return fail(errno, true);
  if (CloseFile(fd) != 0)
    return fail(errno, false);
  if (const int error = RenameOver(temp, target.string()); error != 0)
    return fail(error, false);
  SyncFolder(folder.string());
  return 0;
}

}  // namespace orb
