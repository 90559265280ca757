#include "exchange/document_schema.h"

namespace orb {
namespace {

constexpr AttributeKind kText = AttributeKind::kText;
constexpr AttributeKind kInteger = AttributeKind::kInteger;
constexpr AttributeSchema kId = {"ID", nullptr, AttributeKind::kRowCounter};

// Subject assignments. Two attributes are named apart from their fields:
// AULA comes from AULA0 and HORASEM from NHORAS.
constexpr AttributeSchema kAsigAttributes[] = {
    kId,
    {"ASIG", "ASIG", kText},
    {"AULA", "AULA0", kText},
    {"AULA1", "AULA1", kText},
    {"AULA2", "AULA2", kText},
    {"AULA3", "AULA3", kText},
    {"AULA4", "AULA4", kText},
    {"EDIFICIO", "EDIFICIO", kText},
    {"GRUP", "GRUP", kText},
    {"NALUM", "NALUM", kText},
    {"PROF", "PROF", kText},
    {"TIPO", "TIPO", kText},
    {"HORASEM", "NHORAS", kText},
};

// Subject names.
constexpr AttributeSchema kNomAsigAttributes[] = {
    kId,
    {"ABREV", "ABREV", kText},
    {"NOMBRE", "NOMBRE", kText},
    {"ACTIV", "ACTIV", kText},
};

// Teachers.
constexpr AttributeSchema kProfAttributes[] = {
    kId,
    {"ABREV", "ABREV", kText},
    {"NOMBRE", "NOMBRE", kText},
    {"DEPART", "DEPART", kText},
    {"EMAIL", "EMAIL", kText},
};

// Groups; MAXALUM is the one value read as a whole number.
constexpr AttributeSchema kGrupAttributes[] = {
    kId,
    {"ABREV", "ABREV", kText},
    {"CURSO", "CURSO", kText},
    {"GRUPO", "GRUPO", kText},
    {"MAXALUM", "MAXALUM", kInteger},
    {"NIVEL", "NIVEL", kText},
    {"TURNO", "TURNO", kText},
    {"DESCRIP", "DESCRIP", kText},
};

// Rooms.
constexpr AttributeSchema kAulaAttributes[] = {
    kId,
    {"ABREV", "ABREV", kText},
    {"NOMBRE", "NOMBRE", kText},
    {"EDIFICIO", "EDIFICIO", kText},
    {"MAXALUM", "MAXALUM", kInteger},
};

// The timetable solution: no row counter; here AULA comes from a field AULA.
constexpr AttributeSchema kSolucAttributes[] = {
    {"ASIG", "ASIG", kText},         {"AULA", "AULA", kText},   {"CODGRUPO", "CODGRUPO", kText},
    {"CURSO", "CURSO", kText},       {"DIA", "DIA", kText},     {"GRUPO", "GRUPO", kText},
    {"HORA", "HORA", kText},         {"NIVEL", "NIVEL", kText}, {"PROF", "PROF", kText},
    {"SESIONES", "SESIONES", kText}, {"TAREA", "TAREA", kText}, {"TURNO", "TURNO", kText},
};

}  // namespace

const std::array<SectionSchema, 6> kDocumentSections = {{
    {"ASIGT", "ASIGF", "wwTableASIGT", "/SERVICIO/ASIGT", true, false, kAsigAttributes},
    {"NOMASIGT", "NOMASIGF", "wwTableNomAsg", "/SERVICIO/NOMASIGT", true, false,
     kNomAsigAttributes},
    {"PROFT", "PROFF", "wwTableProfesor", "/SERVICIO/PROFT", true, true, kProfAttributes},
    {"GRUPT", "GRUPF", "wwTableGrupos", "/SERVICIO/GRUPT", true, false, kGrupAttributes},
    {"AULAT", "AULAF", "wwTableAulas", "/SERVICIO/AULAT", true, true, kAulaAttributes},
    {"SOLUCT", "SOLUCF", "wwTableSoluc", "/SERVICIO/SOLUCT", false, false, kSolucAttributes},
}};

}  // namespace orb
