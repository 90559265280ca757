#include "tables/errors.h"

#include "tables/case_fold.h"

#include <cstdio>

namespace orb {
namespace {

// Blanks, tabs and line breaks at either end removed.
std::string Trimmed(const std::string& s) {
  const char* blanks = " \t\r\n";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string::npos)
    return {};
  const size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

}  // namespace

EDatabaseError EDatabaseError::ForComponent(const std::string& component, const std::string& text) {
  return EDatabaseError(component + ": " + text);
}

EDBEngineError::EDBEngineError(uint16_t mainCode, const std::string& mainText,
                               const std::vector<DBIErrorEntry>& entries)
    : EDatabaseError(Compose(mainCode, mainText, entries)), mainCode_(mainCode) {}

std::string EDBEngineError::Compose(uint16_t mainCode, const std::string& mainText,
                                    const std::vector<DBIErrorEntry>& entries) {
  std::vector<std::string> lines;
  auto add = [&lines](const std::string& raw) {
    std::string line = Trimmed(raw);
    if (line.empty())
      return;
    for (const std::string& earlier : lines)
      if (EqualIgnoringCase(earlier, line))
        return;
    lines.push_back(std::move(line));
  };
  add(mainText);
  for (const DBIErrorEntry& entry : entries) {
    add(entry.codeText);
    add(entry.context);
  }
  if (lines.empty()) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "Database engine error $%.4X", mainCode);
    return buf;
  }
  std::string message = lines.front();
  for (size_t i = 1; i < lines.size(); ++i)
    message += "\r\n" + lines[i];
  return message;
}

std::string WithFinalPeriod(const std::string& message) {
  if (message.empty())
    return message;
  if (static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
    return message + ".";
  return message;
}

}  // namespace orb
