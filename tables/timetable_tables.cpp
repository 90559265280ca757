#include "tables/timetable_tables.h"

namespace orb {

const std::array<TableComponentSettings, 6> kTimetableTableSettings = {{
    {"wwTableASIGT", "Asig.DBF", ttDefault, false, ""},
    {"wwTableNomAsg", "NOMASG", ttDBase, true, ""},
    {"wwTableProfesor", "PROF", ttDBase, true, ""},
    {"wwTableGrupos", "GRUP", ttDBase, true, ""},
    {"wwTableAulas", "AULA", ttDBase, true, ""},
    {"wwTableSoluc", "SOLUC", ttDBase, true, kSolucDirectory},
}};

namespace {

// A closed component carrying the stored settings of `s`.
void Configure(TwwTable& table, const TableComponentSettings& s) {
  table.SetTableName(s.tableName);
  table.SetTableType(s.tableType);
  table.SetReadOnly(s.readOnly);
  table.SetExclusive(false);
  table.SetDatabaseName(s.databaseName);
}

}  // namespace

TimetableTables::TimetableTables()
    : wwTableASIGT(kTimetableTableSettings[0].name),
      wwTableNomAsg(kTimetableTableSettings[1].name),
      wwTableProfesor(kTimetableTableSettings[2].name),
      wwTableGrupos(kTimetableTableSettings[3].name),
      wwTableAulas(kTimetableTableSettings[4].name),
      wwTableSoluc(kTimetableTableSettings[5].name) {
  TwwTable* tables[] = {&wwTableASIGT,  &wwTableNomAsg, &wwTableProfesor,
                        &wwTableGrupos, &wwTableAulas,  &wwTableSoluc};
  for (size_t i = 0; i < kTimetableTableSettings.size(); ++i)
    Configure(*tables[i], kTimetableTableSettings[i]);
}

TwwTable* TimetableTables::ByName(const std::string& name) {
  TwwTable* tables[] = {&wwTableASIGT,  &wwTableNomAsg, &wwTableProfesor,
                        &wwTableGrupos, &wwTableAulas,  &wwTableSoluc};
  for (TwwTable* t : tables)
    if (t->Name() == name)
      return t;
  return nullptr;
}

}  // namespace orb
