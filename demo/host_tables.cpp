#include "demo/host_tables.h"

#include <algorithm>

namespace orb::demo {
namespace {

// The columns Orbalis keeps for preferences and the two timetable grids of a
// teacher, a group or a room.
void AddPlanningColumns(std::vector<DbfFieldSpec>& columns) {
  columns.push_back({"PREF", 'C', 80});
  columns.push_back({"CUAD1", 'C', 200});
  columns.push_back({"CUAD2", 'C', 200});
}

}  // namespace

const char* HostFileName(HostTable table) {
  switch (table) {
    case HostTable::kAsig:
      return "Asig.DBF";
    case HostTable::kNomAsg:
      return "NOMASG.DBF";
    case HostTable::kProf:
      return "PROF.DBF";
    case HostTable::kGrup:
      return "GRUP.DBF";
    case HostTable::kAula:
      return "AULA.DBF";
    case HostTable::kSoluc:
      return "SOLUC.DBF";
  }
  return "";
}

std::vector<DbfFieldSpec> HostColumns(HostTable table) {
  std::vector<DbfFieldSpec> columns;
  switch (table) {
    case HostTable::kAsig:
      columns = {{"N", 'N', 6},     {"ASIG", 'C', 4},     {"GRUP", 'C', 4},  {"PROF", 'C', 4},
                 {"AULA0", 'C', 4}, {"AULA1", 'C', 4},    {"AULA2", 'C', 4}, {"AULA3", 'C', 4},
                 {"AULA4", 'C', 4}, {"EDIFICIO", 'C', 1}, {"NALUM", 'N', 3}, {"TIPO", 'C', 1},
                 {"NHORAS", 'N', 2}};
      break;
    case HostTable::kNomAsg:
      columns = {{"N", 'N', 6},           {"N2", 'N', 6},         {"ID", 'N', 6},
                 {"ABREV", 'C', 4},       {"ABREV8", 'C', 8},     {"NOMBRE", 'C', 40},
                 {"ACTIV", 'N', 1},       {"POND", 'N', 5, 2},    {"ESTILOFOND", 'N', 2},
                 {"COLORFUENT", 'C', 10}, {"COLORFONDO", 'C', 10}};
      break;
    case HostTable::kProf:
      columns = {{"N", 'N', 6},       {"ID", 'N', 6},      {"NOMBRE", 'C', 40}, {"ABREV", 'C', 4},
                 {"MAXHDIA", 'N', 2}, {"MINHDIA", 'N', 2}, {"DEPART", 'C', 40}};
      AddPlanningColumns(columns);
      columns.push_back({"EMAIL", 'C', 60});
      break;
    case HostTable::kGrup:
      columns = {{"N", 'N', 6},     {"ID", 'N', 6},    {"ABREV", 'C', 4},
                 {"CURSO", 'C', 3}, {"GRUPO", 'C', 1}, {"MAXALUM", 'N', 3},
                 {"NIVEL", 'C', 5}, {"TURNO", 'C', 1}, {"DESCRIP", 'C', 40}};
      AddPlanningColumns(columns);
      break;
    case HostTable::kAula:
      columns = {{"N", 'N', 6},       {"ID", 'N', 6},       {"ABREV", 'C', 4},
                 {"NOMBRE", 'C', 40}, {"EDIFICIO", 'C', 1}, {"MAXALUM", 'N', 3}};
      AddPlanningColumns(columns);
      break;
    case HostTable::kSoluc:
      columns = {{"ASIG", 'C', 4}, {"AULA", 'C', 4},     {"CODGRUPO", 'C', 4}, {"CURSO", 'C', 3},
                 {"DIA", 'N', 1},  {"GRUPO", 'C', 1},    {"HORA", 'N', 2},     {"NIVEL", 'C', 5},
                 {"PROF", 'C', 4}, {"SESIONES", 'N', 2}, {"TAREA", 'C', 1},    {"TURNO", 'C', 1}};
      break;
  }
  return columns;
}

std::vector<DbfFieldSpec> WithoutColumn(std::vector<DbfFieldSpec> columns, std::string_view name) {
  std::erase_if(columns, [name](const DbfFieldSpec& c) { return c.name == name; });
  return columns;
}

void WriteHostTable(const std::string& path, const std::vector<DbfFieldSpec>& columns,
                    const std::vector<HostRecord>& records) {
  DbfWriter writer(path, columns, kHostLanguageDriver);
  std::vector<std::string> texts(columns.size());
  for (const HostRecord& record : records) {
    size_t used = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
      const auto found = record.find(columns[i].name);
      texts[i] = found == record.end() ? std::string() : found->second;
      if (found != record.end())
        ++used;
    }
    if (used != record.size())
      throw DbfWriteError(path + ": a record names a column the table does not have");
    writer.AppendRow(texts);
  }
  writer.Close();
}

}  // namespace orb::demo
