#include "tables/ww_table.h"

#include <unistd.h>

#include <cassert>

#include "tables/case_fold.h"
#include "tables/code_pages.h"
#include "tables/dbf_file.h"
#include "tables/errors.h"
#include "tables/table_paths.h"

namespace orb {
namespace {

constexpr const char* kOpenDatasetText = "Cannot perform this operation on an open dataset";
constexpr const char* kClosedDatasetText = "Cannot perform this operation on a closed dataset";

uint64_t HashOf(std::string_view s) {
  uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (char c : s) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

// The extension of a file name, with its dot ("" when there is none).
std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  const size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  return name.substr(dot);
}

// The table's directory on this system, absolute, without a trailing separator
// ("/" for the root).
std::string AbsoluteDirectory(const std::string& databaseName) {
  std::string dir = MapHostDirectory(databaseName);
  if (dir.empty() || dir[0] != '/') {
    char cwd[4096];
    std::string base = ::getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".";
    dir = dir.empty() ? base : base + "/" + dir;
  }
  while (dir.size() > 1 && dir.back() == '/')
    dir.pop_back();
  return dir;
}

}  // namespace

// Field names folded to one case, in an open-addressing hash table built once
// at opening, so that the export run's look-up of every field on every record
// costs a hash and a comparison.
struct TwwTable::NameIndex {
  struct Slot {
    uint64_t hash = 0;
    int field = -1;  // index into fields_, -1 for an empty slot
  };
  std::vector<Slot> slots;
  std::vector<std::string> folded;  // folded name of each field

  explicit NameIndex(const std::vector<TField>& fields) {
    size_t capacity = 8;
    while (capacity < fields.size() * 2)
      capacity *= 2;
    slots.resize(capacity);
    folded.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
      folded.push_back(FoldCase(fields[i].FieldName()));
      const uint64_t h = HashOf(folded.back());
      for (size_t s = h & (capacity - 1);; s = (s + 1) & (capacity - 1)) {
        if (slots[s].field < 0) {
          slots[s] = {h, static_cast<int>(i)};
          break;
        }
        if (slots[s].hash == h && folded[static_cast<size_t>(slots[s].field)] == folded.back())
          break;  // an earlier field of the same name wins
      }
    }
  }

  // The index of the field whose folded name is `key`, or -1.
  int Find(std::string_view key) const {
    const uint64_t h = HashOf(key);
    const size_t mask = slots.size() - 1;
    for (size_t s = h & mask;; s = (s + 1) & mask) {
      const Slot& slot = slots[s];
      if (slot.field < 0)
        return -1;
      if (slot.hash == h && folded[static_cast<size_t>(slot.field)] == key)
        return slot.field;
    }
  }
};

FieldValue TField::Value() const {
  assert(file_ != nullptr);
  return file_->Value(*this);
}

TwwTable::TwwTable(std::string name) : name_(std::move(name)) {}

TwwTable::~TwwTable() = default;

void TwwTable::CheckInactive() const {
  if (Active())
    throw EDatabaseError::ForComponent(name_, kOpenDatasetText);
}

void TwwTable::SetTableName(std::string tableName) {
  if (tableName == tableName_)
    return;
  CheckInactive();
  tableName_ = std::move(tableName);
}

void TwwTable::SetTableType(TTableType type) {
  if (type == tableType_)
    return;
  CheckInactive();
  tableType_ = type;
}

void TwwTable::SetDatabaseName(std::string directory) {
  if (directory == databaseName_)
    return;
  CheckInactive();
  databaseName_ = std::move(directory);
}

void TwwTable::SetReadOnly(bool readOnly) {
  if (readOnly == readOnly_)
    return;
  CheckInactive();
  readOnly_ = readOnly;
}

void TwwTable::SetExclusive(bool exclusive) {
  if (exclusive == exclusive_)
    return;
  CheckInactive();
  exclusive_ = exclusive;
}

void TwwTable::SetActive(bool active) {
  if (active == Active())
    return;
  if (!active) {
    index_.reset();
    fields_.clear();
    file_.reset();
    fileName_.clear();
    openedType_ = ttDefault;
    eof_ = true;
    recNo_ = 0;
    return;
  }

  // Everything is built aside and only kept once the whole opening succeeded,
  // so a failed opening leaves the table closed and unchanged.
  const std::string directory = AbsoluteDirectory(databaseName_);
  std::string name = tableName_;
  if (ExtensionOf(name).empty())
    name += ".DBF";
  const std::string path = FindIgnoringCase(directory, name);

  TTableType type = tableType_;
  if (type == ttDefault) {
    type = ttDBase;
    if (EqualIgnoringCase(ExtensionOf(name), ".DBF")) {
      const std::string stem = name.substr(0, name.size() - 4);
      for (const char* companion : {".FPT", ".CDX"}) {
        if (::access(FindIgnoringCase(directory, stem + companion).c_str(), F_OK) == 0) {
          type = ttFoxPro;
          break;
        }
      }
    }
  }

  // The program never writes a table: a request to read and write is served by
  // a read-only opening, which is what the host's engine falls back to for a
  // table it may only read.
  std::unique_ptr<DbfFile> file = DbfFile::Open(path, OemCodePageOfLocale(UserLocaleName()));

  // One definition per column, a repeated name (ignoring case) renamed "%s_%d";
  // a field object for each column that has a field kind.
  std::vector<TField> fields;
  std::vector<std::string> takenFolded;
  auto taken = [&takenFolded](const std::string& folded) {
    for (const std::string& t : takenFolded)
      if (t == folded)
        return true;
    return false;
  };
  const std::vector<DbfColumn>& columns = file->Columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    std::string fieldName = columns[i].name;
    if (taken(FoldCase(fieldName))) {
      for (int counter = 1;; ++counter) {
        std::string candidate = columns[i].name + "_" + std::to_string(counter);
        if (!taken(FoldCase(candidate))) {
          fieldName = std::move(candidate);
          break;
        }
      }
    }
    takenFolded.push_back(FoldCase(fieldName));
    if (columns[i].kind == ftUnknown)
      continue;
    TField field;
    field.name_ = std::move(fieldName);
    field.kind_ = columns[i].kind;
    field.size_ = columns[i].kind == ftString ? static_cast<int>(columns[i].width) : 0;
    field.precision_ = 0;
    field.column_ = static_cast<int>(i);
    field.file_ = file.get();
    fields.push_back(std::move(field));
  }
  auto index = std::make_unique<NameIndex>(fields);

  // Stand on the first record, as an opened dataset does.
  const bool found = file->MoveToLive(0);

  file_ = std::move(file);
  fields_ = std::move(fields);
  index_ = std::move(index);
  fileName_ = path;
  openedType_ = type;
  eof_ = !found;
  recNo_ = found ? file_->Current() + 1 : 0;
}

void TwwTable::First() {
  if (!Active())
    throw EDatabaseError::ForComponent(name_, kClosedDatasetText);
  const bool found = file_->MoveToLive(0);
  eof_ = !found;
  recNo_ = found ? file_->Current() + 1 : 0;
}

void TwwTable::Next() {
  if (!Active())
    throw EDatabaseError::ForComponent(name_, kClosedDatasetText);
  if (eof_)
    return;
  if (file_->MoveToLive(recNo_)) {
    recNo_ = file_->Current() + 1;
  } else {
    eof_ = true;  // stays on the last record
  }
}

const TField& TwwTable::FieldByName(std::string_view fieldName) const {
  if (index_) {
    // Fold ASCII names on the stack; only other names go through ICU.
    char buffer[64];
    bool ascii = fieldName.size() <= sizeof buffer;
    for (size_t i = 0; ascii && i < fieldName.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(fieldName[i]);
      ascii = c < 0x80;
      buffer[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
    }
    const int found = ascii ? index_->Find(std::string_view(buffer, fieldName.size()))
                            : index_->Find(FoldCase(fieldName));
    if (found >= 0)
      return fields_[static_cast<size_t>(found)];
  }
  throw EDatabaseError::ForComponent(name_, "Field '" + std::string(fieldName) + "' not found");
}

}  // namespace orb
