// The private-profile writer. Orbalis.ini belongs to the host: the converter
// edits one key and must leave every other byte of the host's file as it was.
#include "app/ini_file.h"

#include "exchange/replace_file.h"
#include "tables/case_fold.h"
#include "tables/errors.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

namespace orb {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";  // some editors put it before the first line
constexpr std::string_view kCrLf = "\r\n";             // what the host's own writer uses
constexpr std::string_view kLf = "\n";

// One line of the file: its text and its own terminator ("\r\n", "\n" or none at the end).
struct Line {
  std::string_view text;        // without the terminator
  std::string_view terminator;  // exactly as in the file
};

// The file cut into lines; the concatenation of text and terminator of every line
// gives back the content byte for byte.
std::vector<Line> SplitLines(std::string_view content) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < content.size()) {
    const size_t newline = content.find('\n', start);
    if (newline == std::string_view::npos) {
      lines.push_back({content.substr(start), {}});
      break;
    }
    size_t textEnd = newline;
    if (textEnd > start && content[textEnd - 1] == '\r')
      --textEnd;
    lines.push_back(
        {content.substr(start, textEnd - start), content.substr(textEnd, newline + 1 - textEnd)});
    start = newline + 1;
  }
  return lines;
}

// Blanks and tabs at either end removed.
std::string_view Trimmed(std::string_view s) {
  constexpr std::string_view blanks = " \t";
  const size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos)
    return {};
  const size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

// The section name of a header line "[name]" (blanks around it ignored), or
// false when the line is not a section header.
bool SectionName(std::string_view text, std::string_view* name) {
  const std::string_view t = Trimmed(text);
  if (t.empty() || t.front() != '[')
    return false;
  const size_t close = t.find(']');
  if (close == std::string_view::npos)
    return false;
  *name = Trimmed(t.substr(1, close - 1));
  return true;
}

// The key name of an entry line "key=value", or false when the line holds no
// entry (a comment, a blank line, a line without "=").
bool KeyName(std::string_view text, std::string_view* name, size_t* equals) {
  const std::string_view t = Trimmed(text);
  if (t.empty() || t.front() == ';')
    return false;
  const size_t eq = text.find('=');
  if (eq == std::string_view::npos)
    return false;
  *name = Trimmed(text.substr(0, eq));
  *equals = eq;
  return true;
}

// The terminator new lines get: the one of the file's first line, CR LF for a
// file that has none yet.
std::string_view FileLineEnding(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (!line.terminator.empty())
      return line.terminator == kLf ? kLf : kCrLf;
  }
  return kCrLf;
}

// The raw message for every failure of the writer.
[[noreturn]] void FailWriting(const std::string& fileName) {
  throw EIniFileException("Unable to write to " + fileName);
}

// Reads the whole file; a file that does not exist reads as empty. Returns false
// when the file exists and cannot be read (it would be wrong to replace it).
bool ReadWholeFile(const std::string& fileName, std::string* content) {
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (f == nullptr)
    return errno == ENOENT;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
    content->append(buffer, n);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

}  // namespace

// Returns `content` with `key` of `section` set to `value`; see the header.
std::string EditPrivateProfile(const std::string& content, const std::string& section,
                               const std::string& key, const std::string& value) {
  const std::vector<Line> lines = SplitLines(content);
  const std::string_view eol = FileLineEnding(lines);

  // Where the section starts and ends, and the line holding the key.
  size_t sectionHeader = lines.size();
  size_t sectionEnd = lines.size();
  size_t keyLine = lines.size();
  size_t keyEquals = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view text = lines[i].text;
    if (i == 0 && text.substr(0, kUtf8Bom.size()) == kUtf8Bom)
      text.remove_prefix(kUtf8Bom.size());
    std::string_view name;
    if (SectionName(text, &name)) {
      if (sectionHeader < lines.size()) {
        sectionEnd = i;
        break;
      }
      if (EqualIgnoringCase(name, section))
        sectionHeader = i;
      continue;
    }
    size_t equals = 0;
    if (sectionHeader < lines.size() && keyLine == lines.size() && KeyName(text, &name, &equals) &&
        EqualIgnoringCase(name, key)) {
      keyLine = i;
      keyEquals = equals + static_cast<size_t>(text.data() - lines[i].text.data());
    }
  }

  std::string out;
  out.reserve(content.size() + section.size() + key.size() + value.size() + 8);
  auto append = [&out](std::string_view s) { out.append(s.data(), s.size()); };
  auto appendLines = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      append(lines[i].text);
      append(lines[i].terminator);
    }
  };
  auto appendEntry = [&] {
    append(key);
    append("=");
    append(value);
    append(eol);
  };

  if (keyLine < lines.size()) {
    // Replace the value, keeping the key's spelling and the blanks after "=".
    const std::string_view text = lines[keyLine].text;
    size_t valueStart = keyEquals + 1;
    while (valueStart < text.size() && (text[valueStart] == ' ' || text[valueStart] == '\t')) {
      ++valueStart;
    }
    appendLines(0, keyLine);
    append(text.substr(0, valueStart));
    append(value);
    append(lines[keyLine].terminator);
    appendLines(keyLine + 1, lines.size());
    return out;
  }

  if (sectionHeader < lines.size()) {
    // A new key goes after the section's last non-blank line, before the blank
    // lines that separate it from the next section.
    size_t insertAt = sectionEnd;
    while (insertAt > sectionHeader + 1 && Trimmed(lines[insertAt - 1].text).empty())
      --insertAt;
    appendLines(0, insertAt);
    if (lines[insertAt - 1].terminator.empty())
      append(eol);
    appendEntry();
    appendLines(insertAt, lines.size());
    return out;
  }

  // A new section goes at the end, after a blank line when the file has content.
  out = content;
  if (!lines.empty()) {
    if (lines.back().terminator.empty())
      append(eol);
    if (!Trimmed(lines.back().text).empty())
      append(eol);
  }
  append("[");
  append(section);
  append("]");
  append(eol);
  appendEntry();
  return out;
}

// Writes the key through a temporary file in the same folder that is flushed and
// then renamed over the file, so a reader sees the old file or the new one, never
// a part of either. Raises EIniFileException on any failure.
void WritePrivateProfileInt(const std::string& fileName, const std::string& section,
                            const std::string& key, int32_t value) {
  std::string content;
  if (!ReadWholeFile(fileName, &content))
    FailWriting(fileName);
  const std::string edited = EditPrivateProfile(content, section, key, std::to_string(value));
  if (ReplaceFile(fileName, [&edited](ReplacementSink& sink) { sink.Write(edited); }) != 0)
    FailWriting(fileName);
}

}  // namespace orb
