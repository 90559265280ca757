// A school of one lesson: one assignment, one subject, a placeholder teacher and
// one real one, one group, no rooms and one timetable session. Small enough to
// write the whole exchange document out by hand, and shared by the in-process
// tests of the export run and the end-to-end tests of the batch command.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "demo/host_tables.h"

namespace orb::testing {

using demo::HostRecord;
using demo::HostTable;

// The records of each table.
inline std::map<HostTable, std::vector<HostRecord>> WorkedExampleRecords() {
  return {
      {HostTable::kAsig,
       {{{"ASIG", "MAT"},
         {"AULA0", "A01"},
         {"EDIFICIO", "1"},
         {"GRUP", "1A"},
         {"NALUM", "28"},
         {"PROF", "JLG"},
         {"TIPO", "N"},
         {"NHORAS", "4"}}}},
      {HostTable::kNomAsg, {{{"ABREV", "MAT"}, {"NOMBRE", "Matematicas"}, {"ACTIV", "1"}}}},
      {HostTable::kProf,
       {{{"ABREV", "*"}, {"NOMBRE", "Sin asignar"}},
        {{"ABREV", "JLG"}, {"NOMBRE", "Docente uno"}, {"DEPART", "Ciencias"}, {"EMAIL", ""}}}},
      {HostTable::kGrup,
       {{{"ABREV", "1A"},
         {"CURSO", "1"},
         {"GRUPO", "A"},
         {"MAXALUM", "30"},
         {"NIVEL", "ESO"},
         {"TURNO", "M"},
         {"DESCRIP", "Primero A"}}}},
      {HostTable::kAula, {}},
      {HostTable::kSoluc,
       {{{"ASIG", "MAT"},
         {"AULA", "A01"},
         {"CODGRUPO", "1A"},
         {"CURSO", "1"},
         {"DIA", "1"},
         {"GRUPO", "A"},
         {"HORA", "2"},
         {"NIVEL", "ESO"},
         {"PROF", "JLG"},
         {"SESIONES", "1"},
         {"TAREA", "L"},
         {"TURNO", "M"}}}},
  };
}

// Writes the tables with the host's layouts: five in `dataDir`, SOLUC in `solucDir`
// (SOLUC is left out when `solucDir` is empty).
inline void WriteTables(const std::map<HostTable, std::vector<HostRecord>>& tables,
                        const std::string& dataDir, const std::string& solucDir) {
  for (const auto& [table, records] : tables) {
    const bool soluc = table == HostTable::kSoluc;
    if (soluc && solucDir.empty())
      continue;
    demo::WriteHostTable((soluc ? solucDir : dataDir) + "/" + HostFileName(table),
                         demo::HostColumns(table), records);
  }
}

// The document the worked example gives, for a run whose time stamp is `fecha`.
inline std::string WorkedExampleDocument(const std::string& fecha) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<SERVICIO autor=\"ORBALIS\" fecha=\"" +
         fecha +
         "\" modulo=\"HORARIOS\">\r\n"
         "  <ASIGT>\r\n"
         "    <ASIGF ID=\"1\" ASIG=\"MAT\" AULA=\"A01\" AULA1=\"\" AULA2=\"\" AULA3=\"\" "
         "AULA4=\"\" EDIFICIO=\"1\" GRUP=\"1A\" NALUM=\"28\" PROF=\"JLG\" TIPO=\"N\" "
         "HORASEM=\"4\"/>\r\n"
         "  </ASIGT>\r\n"
         "  <NOMASIGT>\r\n"
         "    <NOMASIGF ID=\"1\" ABREV=\"MAT\" NOMBRE=\"Matematicas\" ACTIV=\"1\"/>\r\n"
         "  </NOMASIGT>\r\n"
         "  <PROFT>\r\n"
         "    <PROFF ID=\"1\" ABREV=\"JLG\" NOMBRE=\"Docente uno\" DEPART=\"Ciencias\" "
         "EMAIL=\"\"/>\r\n"
         "  </PROFT>\r\n"
         "  <GRUPT>\r\n"
         "    <GRUPF ID=\"1\" ABREV=\"1A\" CURSO=\"1\" GRUPO=\"A\" MAXALUM=\"30\" NIVEL=\"ESO\" "
         "TURNO=\"M\" DESCRIP=\"Primero A\"/>\r\n"
         "  </GRUPT>\r\n"
         "  <AULAT/>\r\n"
         "  <SOLUCT>\r\n"
         "    <SOLUCF ASIG=\"MAT\" AULA=\"A01\" CODGRUPO=\"1A\" CURSO=\"1\" DIA=\"1\" GRUPO=\"A\" "
         "HORA=\"2\" NIVEL=\"ESO\" PROF=\"JLG\" SESIONES=\"1\" TAREA=\"L\" TURNO=\"M\"/>\r\n"
         "  </SOLUCT>\r\n"
         "</SERVICIO>\r\n";
}

}  // namespace orb::testing
