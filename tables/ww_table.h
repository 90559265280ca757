// TwwTable: the table component through which the export run reaches one source
// table. It holds the table's settings and, while open, one field object per
// column the engine can present. Tables are only ever read.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/field_value.h"

namespace orb {

class DbfFile;  // the open table file (tables/dbf_file.h)

// How the table's file format is chosen.
enum TTableType : uint8_t {
  ttDefault,  // from TableName's extension; ".DBF" with a .FPT or .CDX beside it is FoxPro
  ttDBase,
  ttFoxPro,
};

// One field object of an open table; it reads the current record of its table.
class TField {
 public:
  // The field's name as the table presents it (duplicates renamed "%s_%d"), UTF-8.
  const std::string& FieldName() const { return name_; }
  // The field kind fixed when the table was opened.
  TFieldType DataType() const { return kind_; }
  // Column width for ftString, decimals for ftBCD, otherwise 0.
  int Size() const { return size_; }
  // Digits of an ftBCD column, otherwise 0.
  int Precision() const { return precision_; }
  // The field of the current record. Throws EDBEngineError when the stored bytes
  // are not a value of the column's type (for instance "12abc" in a numeric column).
  FieldValue Value() const;

 private:
  friend class TwwTable;
  friend class DbfFile;
  std::string name_;
  TFieldType kind_ = ftUnknown;
  int size_ = 0;
  int precision_ = 0;
  int column_ = 0;  // index of the column in the file's descriptors
  const DbfFile* file_ = nullptr;
};

class TwwTable {
 public:
  // A closed table component named `name` ("wwTableProfesor").
  explicit TwwTable(std::string name);
  ~TwwTable();
  TwwTable(const TwwTable&) = delete;
  TwwTable& operator=(const TwwTable&) = delete;

  const std::string& Name() const { return name_; }

  const std::string& TableName() const { return tableName_; }
  void SetTableName(std::string tableName);  // only while closed
  TTableType TableType() const { return tableType_; }
  void SetTableType(TTableType type);  // only while closed
  // The directory that holds the table file. Setting the value it already has is
  // always accepted; another value while open raises
  // "<name>: Cannot perform this operation on an open dataset".
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(std::string directory);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool readOnly);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive);

  // Opens (true) or closes (false) the table. Opening an open table, or closing a
  // closed one, changes nothing. A failed opening raises EDBEngineError and leaves
  // the table closed.
  void SetActive(bool active);
  bool Active() const { return file_ != nullptr; }

  // The type the table was opened as (ttDBase or ttFoxPro); ttDefault while closed.
  TTableType OpenedType() const { return openedType_; }
  // The full name of the file the table was opened from; empty while closed.
  const std::string& FileName() const { return fileName_; }

  // Moves to the first record not marked deleted; Eof() when there is none.
  void First();
  // Moves to the next delivered record; at the end Eof() becomes true and the
  // table stays where it was.
  void Next();
  // True when the last First or Next found no record to stand on.
  bool Eof() const { return eof_; }
  // One-based number of the current record in the file (deleted records count).
  uint32_t RecNo() const { return recNo_; }

  // The field of that name, ignoring letter case, first match in column order.
  // Raises EDatabaseError "<name>: Field '<fieldName>' not found".
  const TField& FieldByName(std::string_view fieldName) const;
  // The field objects in column order (empty while closed).
  const std::vector<TField>& Fields() const { return fields_; }

 private:
  void CheckInactive() const;

  std::string name_;
  std::string tableName_;
  TTableType tableType_ = ttDBase;
  std::string databaseName_;
  bool readOnly_ = true;
  bool exclusive_ = false;

  std::unique_ptr<DbfFile> file_;
  TTableType openedType_ = ttDefault;
  std::string fileName_;
  std::vector<TField> fields_;
  struct NameIndex;
  std::unique_ptr<NameIndex> index_;  // case-folded name -> field, built at opening
  bool eof_ = true;
  uint32_t recNo_ = 0;
};

}  // namespace orb
