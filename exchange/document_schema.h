// The shape of the exchange document as data: the root element with its three
// header attributes, and the six sections, each with its row element, the table
// component it is read from and the attributes of a row in their order. The
// export run walks this description; no section is written out by hand.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace orb {

// Where an attribute's value comes from.
enum class AttributeKind : uint8_t {
  kText,        // the field read as text (FieldText)
  kInteger,     // the field read as a 32-bit whole number (FieldWholeNumber)
  kRowCounter,  // the section's one-based row number
};

// One attribute of a row element.
struct AttributeSchema {
  const char* name;   // attribute name, "HORASEM"
  const char* field;  // source field, "NHORAS"; nullptr for the row counter
  AttributeKind kind;
};

// One section of the document: a child of the root holding one row per record.
struct SectionSchema {
  const char* name;         // section element, "ASIGT"
  const char* rowName;      // row element, "ASIGF"
  const char* component;    // table component, "wwTableASIGT"
  const char* path;         // where the section is found, "/SERVICIO/ASIGT"
  bool inDataDirectory;     // the run points the table at the data directory
  bool skipsAsteriskAbrev;  // records whose ABREV text is exactly "*" give no row
  std::span<const AttributeSchema> attributes;  // in the order they are set
  // True when the rows carry the row counter (as their first attribute).
  bool Numbered() const {
    return !attributes.empty() && attributes.front().kind == AttributeKind::kRowCounter;
  }
};

// The root element and its header attributes.
inline constexpr const char* kRootElementName = "SERVICIO";
inline constexpr const char* kAutorAttribute = "autor";
inline constexpr const char* kAutorValue = "ORBALIS";
inline constexpr const char* kFechaAttribute = "fecha";
inline constexpr const char* kModuloAttribute = "modulo";
inline constexpr const char* kModuloValue = "HORARIOS";

// The field whose text "*" leaves a record out of a skipping section.
inline constexpr const char* kSkipField = "ABREV";
inline constexpr const char* kSkipText = "*";

// The six sections in document order.
extern const std::array<SectionSchema, 6> kDocumentSections;

}  // namespace orb
