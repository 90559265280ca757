#include "exchange/export_run.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "exchange/document_schema.h"
#include "exchange/xml_document.h"
#include "tables/errors.h"
#include "tables/timetable_tables.h"
#include "tables/value_text.h"

namespace orb {
namespace {

constexpr const char* kNoFileNameMessage = "Debe indicar un Nombre de Archivo";
constexpr const char* kFinishedMessage = "Proceso finalizado";

// The names of one section interned in the run's document, so that a row costs
// no name lookups.
struct SectionNames {
  XmlName section;
  XmlName row;
  std::vector<XmlName> attributes;  // in the order of the section's attribute list
};

// What is wrong with a text: "the character U+0007", or, where the text could
// not be decoded at all (reported as U+FFFD), "bytes that are not UTF-8".
std::string Problem(const NonXmlCharacter& bad) {
  if (bad.codePoint == 0xFFFD)
    return "bytes that are not UTF-8";
  char buf[32];
  std::snprintf(buf, sizeof buf, "the character U+%04X", static_cast<unsigned>(bad.codePoint));
  return buf;
}

// Raises the error for a field value the document cannot carry, naming the
// table component, the record, the field, the character and the file, so that
// the user can find and mend the record in Orbalis.
void CheckFieldText(std::string_view text, const TwwTable& table, const char* field) {
  const std::optional<NonXmlCharacter> bad = DocumentText(text);
  if (!bad)
    return;
  throw EXmlError(table.Name() + ": Field '" + field + "' of record " +
                  std::to_string(table.RecNo()) + " holds " + Problem(*bad) +
                  ", which an XML document cannot carry\r\nFile: " + table.FileName());
}

// Builds the section's element and its rows from `table`, walking the table from
// its first record to its end. The table is closed only when the walk is done;
// an error leaves it open where it stopped.
void ExportSection(XmlDocument& doc, XmlNode root, const SectionSchema& section,
                   const SectionNames& names, TwwTable& table, const ExportEnvironment& environment,
                   const TLocaleFormats& formats) {
  doc.AppendChild(root, doc.CreateElement(names.section));
  const XmlNode rows = doc.SelectSingleNode(section.path);
  if (!rows)
    throw EXmlError(std::string("The document has no node ") + section.path);

  if (section.inDataDirectory)
    table.SetDatabaseName(environment.dataDirectory);
  table.SetActive(true);
  table.First();
  const bool numbered = section.Numbered();
  int32_t counter = 0;
  while (!table.Eof()) {
    if (section.skipsAsteriskAbrev &&
        FieldText(table.FieldByName(kSkipField), formats) == kSkipText) {
      table.Next();
      continue;
    }
    if (numbered) {
      if (counter == INT32_MAX)
        throw EXmlError(table.Name() + ": Too many rows");
      ++counter;
    }
    const XmlNode row = doc.CreateElement(names.row);
    for (size_t i = 0; i < section.attributes.size(); ++i) {
      const AttributeSchema& attribute = section.attributes[i];
      switch (attribute.kind) {
        case AttributeKind::kRowCounter:
          doc.SetAttribute(row, names.attributes[i], counter);
          break;
        case AttributeKind::kInteger:
          doc.SetAttribute(row, names.attributes[i],
                           FieldWholeNumber(table.FieldByName(attribute.field)));
          break;
        case AttributeKind::kText: {
          const std::string text = FieldText(table.FieldByName(attribute.field), formats);
          CheckFieldText(text, table, attribute.field);
          doc.SetAttribute(row, names.attributes[i], text);
          break;
        }
      }
    }
    doc.AppendChild(rows, row);
    table.Next();
  }
  table.SetActive(false);
}

}  // namespace

ProcessState::ProcessState() = default;
ProcessState::~ProcessState() = default;

void RunExport(ExportUi& ui, ProcessState& state, TimetableTables& tables,
               const ExportEnvironment& environment) {
  // 1. The save dialog; a cancelled dialog keeps the name of an earlier run.
  if (std::optional<std::string> chosen = ui.AskOutputFile())
    state.outputFileName = *chosen;

  // 2. Without a name nothing is built; a host that launched us learns it failed.
  if (state.outputFileName.empty()) {
    ui.ShowMessage(kNoFileNameMessage);
    if (state.HostLaunched()) {
      state.hostCompletionFlag = 0;
      ui.CloseMainWindow();
    }
    return;
  }

  const TLocaleFormats& formats =
      environment.formats != nullptr ? *environment.formats : ProcessLocaleFormats();
  const LocalClock clock = environment.clock ? environment.clock : LocalClock(ReadLocalClock);

  // 3. A new document replaces the last run's.
  state.document = std::make_unique<XmlDocument>();
  XmlDocument& doc = *state.document;

  // 4. The XML declaration.
  doc.AppendChild(doc.Document(),
                  doc.CreateNode(XmlDocument::kProcessingInstructionNode, "xml", ""));

  // 5. The root and its header, stamped before any table is opened.
  const XmlNode root = doc.CreateElement(kRootElementName);
  doc.SetAttribute(root, kAutorAttribute, kAutorValue);
  const std::string stamp = StampText(formats, clock);
  if (const std::optional<NonXmlCharacter> bad = DocumentText(stamp))
    throw EXmlError("The time stamp holds " + Problem(*bad) +
                    ", which an XML document cannot carry");
  doc.SetAttribute(root, kFechaAttribute, stamp);
  doc.SetAttribute(root, kModuloAttribute, kModuloValue);
  doc.AppendChild(doc.Document(), root);

  // 6. The six sections, one table at a time.
  for (const SectionSchema& section : kDocumentSections) {
    TwwTable* table = tables.ByName(section.component);
    if (table == nullptr)
      throw EXmlError(std::string("There is no table component ") + section.component);
    SectionNames names{doc.InternName(section.name), doc.InternName(section.rowName), {}};
    for (const AttributeSchema& attribute : section.attributes)
      names.attributes.push_back(doc.InternName(attribute.name));
    ExportSection(doc, root, section, names, *table, environment, formats);
  }

  // 7. Nothing is written before the document is complete.
  doc.Save(state.outputFileName);

  // 8. Report; the flag is 1 before the message is shown.
  ui.HideExportButton();
  ui.SetDefaultCursor();
  state.hostCompletionFlag = 1;
  ui.ShowMessage(kFinishedMessage);
  if (state.HostLaunched())
    ui.CloseMainWindow();
}

}  // namespace orb
