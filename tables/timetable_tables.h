// The six table components the export run walks, with their settings as data.
#pragma once

#include <array>
#include <string>

#include "tables/ww_table.h"

namespace orb {

// The stored settings of one table component.
struct TableComponentSettings {
  const char* name;          // component name, "wwTableASIGT"
  const char* tableName;     // TableName, "Asig.DBF"
  TTableType tableType;      // TableType
  bool readOnly;             // ReadOnly
  const char* databaseName;  // DatabaseName as stored; empty where the export run sets it
};

// The six components in the order the export run reads them.
extern const std::array<TableComponentSettings, 6> kTimetableTableSettings;

// The directory SOLUC.DBF is read from, as the host configures it.
inline constexpr const char* kSolucDirectory = "c:\\otemp";

// The six table components, created closed with their stored settings.
struct TimetableTables {
  TimetableTables();
  TwwTable wwTableASIGT;
  TwwTable wwTableNomAsg;
  TwwTable wwTableProfesor;
  TwwTable wwTableGrupos;
  TwwTable wwTableAulas;
  TwwTable wwTableSoluc;
  // The component of that name ("wwTableSoluc"); nullptr when there is none.
  TwwTable* ByName(const std::string& name);
};

}  // namespace orb
