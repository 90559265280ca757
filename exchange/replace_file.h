// Replacing a file whole, so that a failure never leaves a half-written file or
// loses the one that was there: the exchange document and the host's
// Orbalis.ini are both written this way.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orb {

// Receives the new file's bytes, piece by piece.
class ReplacementSink {
 public:
  explicit ReplacementSink(int fd) : fd_(fd) {}
  // Writes all of `bytes`, going on after short and interrupted writes. After a
  // failure it writes nothing more and returns false.
  bool Write(std::string_view bytes);
  // The errno of the first failed write, 0 while none failed.
  int Error() const { return error_; }

 private:
  int fd_;
  int error_ = 0;
};

// Replaces `fileName` with the bytes `produce` hands to its sink: they go to a
// hidden temporary file in the same folder (".<name>.XXXXXX"), which is flushed to
// the disk and then renamed over the file, so a reader sees the old file or the
// new one, never a part of either. A symbolic link is kept and the file it points
// to replaced. The new file gets the permissions of the one it replaces, or the
// usual ones for a new file. Returns 0, or the errno of the first failure; then
// the temporary file is removed and an existing file is left exactly as it was;
// so it is when `produce` throws, and the exception goes on.
int ReplaceFile(const std::string& fileName, const std::function<void(ReplacementSink&)>& produce);

}  // namespace orb
