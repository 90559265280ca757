// The six tables as Orbalis lays them out on disk: every column it writes, the
// ones the converter exports and the ones it ignores, in the host's order. The
// demo school and the tests write their tables through these layouts, so both
// look like what a school actually has.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tools/dbf_writer.h"

namespace orb::demo {

// The six host tables.
enum class HostTable : uint8_t { kAsig, kNomAsg, kProf, kGrup, kAula, kSoluc };

// The language driver of the host's tables: Windows ANSI (code page 1252).
inline constexpr uint8_t kHostLanguageDriver = 0x57;

// The file name as the host writes it: "Asig.DBF", "NOMASG.DBF", ... "SOLUC.DBF".
const char* HostFileName(HostTable table);

// The table's columns in the host's order.
std::vector<DbfFieldSpec> HostColumns(HostTable table);

// `columns` without the column called `name` (for tables an older host wrote).
std::vector<DbfFieldSpec> WithoutColumn(std::vector<DbfFieldSpec> columns, std::string_view name);

// One record: column name -> text as the column should hold it ("30" for a
// numeric column). Columns not named stay blank.
using HostRecord = std::map<std::string, std::string, std::less<>>;

// Writes `records` as a dBase III table with `columns` at `path`. A record that
// names a column the table does not have raises DbfWriteError, so a misspelt
// name in a test or in the demo cannot pass unnoticed.
void WriteHostTable(const std::string& path, const std::vector<DbfFieldSpec>& columns,
                    const std::vector<HostRecord>& records);

}  // namespace orb::demo
