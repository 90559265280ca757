// Helpers shared by the table tests: a scratch folder, file bytes, and one
// line of text per record so that expected tables read as tables.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tables/errors.h"
#include "tables/ww_table.h"

namespace orb::test {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  explicit TempDir(const std::string& tag) {
    path_ = std::filesystem::temp_directory_path() /
            ("orb_tables_" + tag + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string Path() const { return path_.string(); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// One field as text: "-" when blank, numbers as %g, dates as YYYY-MM-DD, date
// and time as YYYY-MM-DD hh:mm:ss.mmm, logicals T/F, texts and bytes unchanged.
inline std::string Render(const FieldValue& v) {
  if (v.blank)
    return "-";
  char buf[64];
  switch (v.kind) {
    case ftFloat:
    case ftCurrency:
      std::snprintf(buf, sizeof buf, "%g", v.number);
      return buf;
    case ftInteger:
    case ftAutoInc:
    case ftSmallint:
    case ftWord:
    case ftLargeint:
      return std::to_string(v.integer);
    case ftBoolean:
      return v.boolean ? "T" : "F";
    case ftDate:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", v.dateTime.year, v.dateTime.month,
                    v.dateTime.day);
      return buf;
    case ftDateTime:
    case ftTimeStamp:
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", v.dateTime.year,
                    v.dateTime.month, v.dateTime.day, v.dateTime.hour, v.dateTime.minute,
                    v.dateTime.second, v.dateTime.millisecond);
      return buf;
    default:
      return std::string(v.text);
  }
}

// Every delivered record of an open table, one line each: the fields' texts
// joined with "|".
inline std::vector<std::string> Rows(TwwTable& table) {
  std::vector<std::string> rows;
  for (table.First(); !table.Eof(); table.Next()) {
    std::string line;
    for (const TField& f : table.Fields()) {
      if (!line.empty())
        line += "|";
      line += Render(f.Value());
    }
    rows.push_back(line);
  }
  return rows;
}

// The name of a field kind, as written in the code.
inline std::string KindName(TFieldType kind) {
  static const char* const kNames[] = {
      "ftUnknown", "ftString",     "ftSmallint", "ftInteger",     "ftWord",     "ftBoolean",
      "ftFloat",   "ftCurrency",   "ftBCD",      "ftDate",        "ftTime",     "ftDateTime",
      "ftBytes",   "ftVarBytes",   "ftAutoInc",  "ftBlob",        "ftMemo",     "ftGraphic",
      "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftLargeint", "ftTimeStamp"};
  return kNames[kind];
}

// The fields of an open table as "NAME:kind:size", joined with blanks.
inline std::string Layout(const TwwTable& table) {
  std::string out;
  for (const TField& f : table.Fields()) {
    if (!out.empty())
      out += " ";
    out += f.FieldName() + ":" + KindName(f.DataType()) + ":" + std::to_string(f.Size());
  }
  return out;
}

// Opens `file` (a full path) through a table component; ttDefault decides the type.
inline void OpenFile(TwwTable& table, const std::string& file) {
  const std::filesystem::path p(file);
  table.SetDatabaseName(p.parent_path().string());
  table.SetTableName(p.filename().string());
  table.SetTableType(ttDefault);
  table.SetActive(true);
}

// The message of the EDBEngineError that `f` raises, or "no error".
template <typename F>
std::string EngineErrorOf(F&& f) {
  try {
    f();
  } catch (const EDBEngineError& e) {
    return e.Message();
  }
  return "no error";
}

}  // namespace orb::test
