#include "exchange/xml_document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <pugixml.hpp>
#include <sstream>

#include "exchange/replace_file.h"
#include "tables/errors.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

// A fresh, empty folder for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "orb-xml-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }
  // The names in the folder, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The message of the EXmlError that `action` raises, or "no error".
template <typename F>
std::string ErrorOf(F action) {
  try {
    action();
  } catch (const EXmlError& e) {
    return e.Message();
  }
  return "no error";
}

// A document shaped like the exchange document: declaration, a root with
// attributes, one section with two rows and one empty section.
std::unique_ptr<XmlDocument> SmallDocument() {
  auto doc = std::make_unique<XmlDocument>();
  doc->AppendChild(doc->Document(),
                   doc->CreateNode(XmlDocument::kProcessingInstructionNode, "xml", ""));
  XmlNode root = doc->CreateElement("SERVICIO");
  doc->SetAttribute(root, "autor", "ORBALIS");
  doc->SetAttribute(root, "fecha", "3/5/09 9:07:03 pm");
  doc->AppendChild(doc->Document(), root);
  XmlNode section = doc->CreateElement("PROFT");
  doc->AppendChild(root, section);
  for (int32_t id : {1, 2}) {
    XmlNode row = doc->CreateElement("PROFF");
    doc->SetAttribute(row, "ID", id);
    doc->SetAttribute(row, "EMAIL", "");
    doc->AppendChild(section, row);
  }
  doc->AppendChild(root, doc->CreateElement("AULAT"));
  return doc;
}

TEST(XmlDocumentTest, WritesDeclarationIndentedElementsAndEmptyElementTags) {
  EXPECT_EQ(SmallDocument()->Serialize(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<SERVICIO autor=\"ORBALIS\" fecha=\"3/5/09 9:07:03 pm\">\r\n"
            "  <PROFT>\r\n"
            "    <PROFF ID=\"1\" EMAIL=\"\"/>\r\n"
            "    <PROFF ID=\"2\" EMAIL=\"\"/>\r\n"
            "  </PROFT>\r\n"
            "  <AULAT/>\r\n"
            "</SERVICIO>\r\n");
}

TEST(XmlDocumentTest, AttributeValuesReadBackUnchangedByAnXmlParser) {
  const std::string values[] = {
      "& < > \" '",
      "&amp; is not unescaped twice",
      "tab\there",
      "line\nfeed",
      "carriage\rreturn\r\n",
      "  leading and trailing blanks  ",
      "ÁÉÍÓÚÑÜ Ç àèìòùñü",
      "]]> and <!-- -->",
      "\xF0\x9F\x93\x85 outside the basic plane",
      "",
  };
  XmlDocument doc;
  doc.AppendChild(doc.Document(), doc.CreateDeclaration());
  XmlNode root = doc.CreateElement("R");
  doc.AppendChild(doc.Document(), root);
  for (const std::string& value : values) {
    XmlNode row = doc.CreateElement("F");
    doc.SetAttribute(row, "V", value);
    doc.AppendChild(root, row);
  }
  TempFolder folder;
  const fs::path file = folder.path() / "values.xml";
  doc.Save(file.string());

  pugi::xml_document parsed;
  ASSERT_TRUE(parsed.load_file(file.c_str(), pugi::parse_default, pugi::encoding_utf8));
  size_t i = 0;
  for (pugi::xml_node row : parsed.child("R").children("F")) {
    ASSERT_LT(i, std::size(values));
    EXPECT_EQ(std::string(row.attribute("V").value()), values[i]) << "row " << i;
    ++i;
  }
  EXPECT_EQ(i, std::size(values));

  const std::string command = "xmllint --noout '" + file.string() + "' 2>&1";
  if (std::system("command -v xmllint >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no xmllint";
  EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(XmlDocumentTest, IntegerAttributesAreDecimalTextAndARepeatedNameKeepsItsPlace) {
  XmlDocument doc;
  XmlNode row = doc.CreateElement("GRUPF");
  doc.SetAttribute(row, "ID", 7);
  doc.SetAttribute(row, "MAXALUM", 0);
  doc.SetAttribute(row, "MIN", INT32_MIN);
  doc.SetAttribute(row, "MAX", INT32_MAX);
  doc.SetAttribute(row, "NEG", -1);
  doc.SetAttribute(row, "ID", "8");
  doc.AppendChild(doc.Document(), row);
  EXPECT_EQ(
      doc.Serialize(),
      "<GRUPF ID=\"8\" MAXALUM=\"0\" MIN=\"-2147483648\" MAX=\"2147483647\" NEG=\"-1\"/>\r\n");
}

TEST(XmlDocumentTest, RefusesWhatAWellFormedFileCannotHold) {
  XmlDocument doc;
  const XmlNode root = doc.CreateElement("SERVICIO");
  const XmlNode declaration = doc.CreateDeclaration();
  doc.AppendChild(doc.Document(), root);
  const XmlNode inner = doc.CreateElement("ASIGT");
  doc.AppendChild(root, inner);
  const XmlNode loose = doc.CreateElement("LOOSE");
  const XmlNode looseChild = doc.CreateElement("CHILD");
  doc.AppendChild(loose, looseChild);

  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { doc.CreateElement("1ABC"); }, "'1ABC' is not a valid XML name"},
      {[&] { doc.CreateElement(""); }, "'' is not a valid XML name"},
      {[&] { doc.SetAttribute(root, "A B", "x"); }, "'A B' is not a valid XML name"},
      {[&] { doc.SetAttribute(root, "NOMBRE", "a\x01z"); },
       "The value of attribute 'NOMBRE' holds the character U+0001, which an XML document "
       "cannot carry"},
      {[&] { doc.SetAttribute(root, "NOMBRE", "\xEF\xBF\xBE"); },
       "The value of attribute 'NOMBRE' holds the character U+FFFE, which an XML document "
       "cannot carry"},
      {[&] { doc.SetAttribute(root, "NOMBRE", "\xC3"); },
       "The value of attribute 'NOMBRE' holds bytes that are not UTF-8, which an XML document "
       "cannot carry"},
      {[&] { doc.SetAttribute(root, "NOMBRE", "\xED\xA0\x80"); },
       "The value of attribute 'NOMBRE' holds bytes that are not UTF-8, which an XML document "
       "cannot carry"},
      {[&] { doc.SetAttribute(declaration, "A", "x"); }, "Only an element can have attributes"},
      {[&] { doc.AppendChild(doc.Document(), doc.CreateElement("SECOND")); },
       "The document already has a root element"},
      {[&] { doc.AppendChild(doc.Document(), declaration); },
       "The XML declaration must be the first node of the document"},
      {[&] { doc.AppendChild(root, inner); }, "The node is already in the tree"},
      {[&] { doc.AppendChild(looseChild, loose); }, "A node cannot be appended below itself"},
      {[&] { doc.AppendChild(root, doc.Document()); }, "The document cannot be a child"},
      {[&] { doc.AppendChild(root, XmlNode{12345}); }, "The node does not belong to this document"},
      {[&] { doc.CreateNode(XmlDocument::kProcessingInstructionNode, "xml-stylesheet", ""); },
       "Only the XML declaration is supported"},
      {[&] { doc.CreateNode(3, "#text", ""); }, "Node type 3 is not supported"},
      {[&] { doc.CreateNode(XmlDocument::kElementNode, "E", "urn:x"); },
       "Namespaces are not supported"},
      {[&] { doc.SelectSingleNode("SERVICIO"); }, "Unsupported path 'SERVICIO'"},
      {[&] { doc.SelectSingleNode("//ASIGT"); }, "Unsupported path '//ASIGT'"},
      {[&] { XmlDocument().Serialize(); }, "The document has no root element"},
  };
  const std::string before = doc.Serialize();
  for (const auto& [action, expected] : cases)
    EXPECT_EQ(ErrorOf(action), expected);
  EXPECT_EQ(doc.Serialize(), before) << "a refused operation changed the document";
}

TEST(XmlDocumentTest, SelectsTheFirstElementOnAnAbsolutePath) {
  XmlDocument doc;
  const XmlNode root = doc.CreateElement("SERVICIO");
  doc.AppendChild(doc.Document(), root);
  const XmlNode first = doc.CreateElement("ASIGT");
  const XmlNode second = doc.CreateElement("ASIGT");
  const XmlNode other = doc.CreateElement("SOLUCT");
  doc.AppendChild(root, first);
  doc.AppendChild(root, other);
  doc.AppendChild(root, second);
  const XmlNode row = doc.CreateElement("SOLUCF");
  doc.AppendChild(other, row);
  doc.CreateElement("NOMASIGT");  // made, never appended

  const std::pair<std::string, XmlNode> cases[] = {
      {"/SERVICIO", root},
      {"/SERVICIO/ASIGT", first},
      {"/SERVICIO/SOLUCT", other},
      {"/SERVICIO/SOLUCT/SOLUCF", row},
      {"/SERVICIO/NOMASIGT", {}},
      {"/SERVICIO/PROFT", {}},
      {"/ASIGT", {}},
      {"/servicio", {}},
  };
  for (const auto& [path, expected] : cases)
    EXPECT_EQ(doc.SelectSingleNode(path), expected) << path;
}

TEST(XmlDocumentSaveTest, ReplacesAnExistingFileKeepingItsPermissionsAndLeavesNoTemporaryFile) {
  TempFolder folder;
  const fs::path file = folder.path() / "horario.xml";
  WriteFile(file, "old contents");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  const auto doc = SmallDocument();
  doc->Save(file.string());

  EXPECT_EQ(ReadFile(file), doc->Serialize());
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"horario.xml"});
}

TEST(XmlDocumentSaveTest, ASymbolicLinkKeepsPointingAtTheNewDocument) {
  TempFolder folder;
  const fs::path real = folder.path() / "real.xml";
  const fs::path link = folder.path() / "link.xml";
  WriteFile(real, "old");
  fs::create_symlink(real, link);

  const auto doc = SmallDocument();
  doc->Save(link.string());

  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(ReadFile(real), doc->Serialize());
}

TEST(XmlDocumentSaveTest, AFailedSaveNamesTheFileAndTheReasonAndLeavesTheFolderAsItWas) {
  TempFolder folder;
  const fs::path existing = folder.path() / "existing.xml";
  WriteFile(existing, "keep me");
  const fs::path directory = folder.path() / "is-a-folder.xml";
  fs::create_directory(directory);
  const std::string missing = (folder.path() / "no-such-folder" / "out.xml").string();
  const fs::path readOnly = folder.path() / "read-only.xml";
  WriteFile(readOnly, "protected");
  fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);

  const std::pair<std::string, std::string> cases[] = {
      {missing, "Cannot save '" + missing + "': No such file or directory"},
      {directory.string(), "Cannot save '" + directory.string() + "': Is a directory"},
      // Nobody, not even the administrator, may create files in /sys.
      {"/sys/horario.xml", "Cannot save '/sys/horario.xml': Permission denied"},
      {"", "Cannot save '': No such file or directory"},
      // Renaming over it would work, but the user made it read-only.
      {readOnly.string(), "Cannot save '" + readOnly.string() + "': Permission denied"},
  };
  const auto doc = SmallDocument();
  for (const auto& [name, expected] : cases)
    EXPECT_EQ(ErrorOf([&] { doc->Save(name); }), expected);

  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"existing.xml", "is-a-folder.xml", "read-only.xml"}));
  EXPECT_TRUE(fs::is_empty(directory));
  EXPECT_EQ(ReadFile(existing), "keep me");
  EXPECT_EQ(ReadFile(readOnly), "protected");
}

TEST(XmlDocumentSaveTest, AWriteThatFailsHalfWayKeepsTheOldFile) {
  TempFolder folder;
  const fs::path file = folder.path() / "horario.xml";
  WriteFile(file, "old document");

  // A document of a few megabytes, written under a 64 KiB file size limit.
  XmlDocument doc;
  const XmlNode root = doc.CreateElement("SOLUCT");
  doc.AppendChild(doc.Document(), root);
  for (int i = 0; i < 50000; ++i) {
    const XmlNode row = doc.CreateElement("SOLUCF");
    doc.SetAttribute(row, "ASIG", "MATEMÁTICAS");
    doc.AppendChild(root, row);
  }
  rlimit saved;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = ErrorOf([&] { doc.Save(file.string()); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(error, "Cannot save '" + file.string() + "': File too large");
  EXPECT_EQ(ReadFile(file), "old document");
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"horario.xml"});
}

TEST(XmlDocumentTest, ATimetableRowTakesFewerThan400Bytes) {
  // Rows shaped like a timetable solution's: twelve short attributes.
  const char* names[] = {"ASIG", "AULA",  "CODGRUPO", "CURSO",    "DIA",   "GRUPO",
                         "HORA", "NIVEL", "PROF",     "SESIONES", "TAREA", "TURNO"};
  const char* values[] = {"MAT", "A01", "1A", "1", "3", "A", "2", "ESO", "JLG", "1", "L", "M"};
  XmlDocument doc;
  const XmlNode root = doc.CreateElement("SOLUCT");
  doc.AppendChild(doc.Document(), root);
  const size_t empty = doc.MemoryBytes();
  constexpr int kRows = 100000;
  for (int i = 0; i < kRows; ++i) {
    const XmlNode row = doc.CreateElement("SOLUCF");
    for (int a = 0; a < 12; ++a)
      doc.SetAttribute(row, names[a], values[a]);
    doc.AppendChild(root, row);
  }
  const double perRow = static_cast<double>(doc.MemoryBytes() - empty) / kRows;
  RecordProperty("bytes_per_row", std::to_string(perRow));
  EXPECT_LT(perRow, 400.0);
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

// A producer that fails half-way (an allocation, say) must not leave the new
// file's first half behind, nor touch the file it was to replace.
TEST(ReplaceFileTest, AProducerThatThrowsLeavesTheOldFileAndNoTemporaryFile) {
  TempFolder folder;
  const fs::path target = folder.path() / "horario.xml";
  WriteFile(target, "last week's export");
  EXPECT_THROW(ReplaceFile(target.string(),
                           [](ReplacementSink& sink) {
                             sink.Write("<?xml half");
                             throw std::bad_alloc();
                           }),
               std::bad_alloc);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"horario.xml"});
  EXPECT_EQ(ReadFile(target), "last week's export");
}

}  // namespace
}  // namespace orb
