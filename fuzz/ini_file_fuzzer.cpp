// Fuzzes the settings-file edit over any existing Orbalis.ini: the input is the
// file's bytes. The edit must not crash, must touch at most one line of the
// host's file (the rest is the host's and is kept byte for byte), must settle
// (setting the key to the value it already has changes nothing) and must be
// undone by setting the old value back, since the host reads the file after
// every run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ini_file.h"

namespace {

// Stops the run with the content that broke the rule.
void Check(bool ok, const char* rule, const std::string& content) {
  if (ok)
    return;
  std::fprintf(stderr, "rule broken: %s (content of %zu bytes)\n", rule, content.size());
  std::abort();
}

// True when `edited` is `original` with at most one line's text replaced or
// lines inserted at one place: the bytes the edit removed hold no line break.
bool TouchesOneLine(const std::string& original, const std::string& edited) {
  size_t prefix = 0;
  const size_t shorter = std::min(original.size(), edited.size());
  while (prefix < shorter && original[prefix] == edited[prefix])
    ++prefix;
  size_t suffix = 0;
  while (suffix < shorter - prefix &&
         original[original.size() - 1 - suffix] == edited[edited.size() - 1 - suffix])
    ++suffix;
  return original.find('\n', prefix) >= original.size() - suffix;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const std::string section = "Transformadores";
  const std::string key = "Transformado";

  const std::string one = orb::EditPrivateProfile(content, section, key, "1");
  Check(TouchesOneLine(content, one), "the edit keeps the other lines", content);
  Check(orb::EditPrivateProfile(one, section, key, "1") == one, "the edit settles", content);
  const std::string zero = orb::EditPrivateProfile(one, section, key, "0");
  Check(orb::EditPrivateProfile(zero, section, key, "1") == one, "the edit can be undone", content);
  return 0;
}
