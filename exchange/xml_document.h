// XmlDocument: the exchange document while it is built, and its writer.
//
// A compact, append-only document object model with exactly what the export
// run needs: the XML declaration, elements, attributes set as text or as a
// 32-bit integer, appending children, finding a section by its absolute path,
// and saving. Names are interned, attribute values live in one arena and every
// element keeps its attributes in the order they were set. A large school's
// document has hundreds of thousands of rows, so a row costs a few hundred
// bytes here rather than the kilobyte a general DOM would take.
//
// The document only ever holds what a well-formed XML 1.0 file can carry: a
// name that is not an XML name, a value with a character XML cannot carry, a
// second root or a cycle is refused with EXmlError when it is made, and a file
// is saved only in one piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace orb {

// A node of one XmlDocument: the document itself, the declaration or an element.
struct XmlNode {
  uint32_t index = UINT32_MAX;  // position in the document's node table
  // False for the "no node" answer of SelectSingleNode.
  explicit operator bool() const { return index != UINT32_MAX; }
  friend bool operator==(XmlNode, XmlNode) = default;
};

// An element or attribute name interned in one XmlDocument.
struct XmlName {
  uint32_t id = UINT32_MAX;  // position in the document's name table
};

class XmlDocument {
 public:
  // Node types as createNode numbers them.
  static constexpr int32_t kElementNode = 1;
  static constexpr int32_t kProcessingInstructionNode = 7;

  // A new, empty document.
  XmlDocument();
  ~XmlDocument();
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // The document node, parent of the declaration and of the root element.
  XmlNode Document() const { return XmlNode{0}; }

  // Returns the interned name; raises EXmlError when `name` is not an XML name
  // (ASCII letters, digits, "_", "-", ".", ":", not starting with a digit, "-" or ".").
  XmlName InternName(std::string_view name);

  // createNode: an element (type 1) or the XML declaration (type 7, name "xml").
  // The namespace must be empty. Other types and targets raise EXmlError.
  XmlNode CreateNode(int32_t type, std::string_view name, std::string_view namespaceUri);
  // The XML declaration, written as <?xml version="1.0" encoding="UTF-8"?>.
  XmlNode CreateDeclaration();
  // A new element, not yet in the tree.
  XmlNode CreateElement(std::string_view name);
  XmlNode CreateElement(XmlName name);

  // Sets an attribute of `element`. A new name follows the element's earlier
  // attributes; a name it already has keeps its place and takes the new value.
  // The text must be UTF-8 of characters XML 1.0 can carry, else EXmlError.
  void SetAttribute(XmlNode element, XmlName name, std::string_view value);
  void SetAttribute(XmlNode element, std::string_view name, std::string_view value);
  // The integer is kept as its decimal text ("-" before a negative value).
  void SetAttribute(XmlNode element, XmlName name, int32_t value);
  void SetAttribute(XmlNode element, std::string_view name, int32_t value);

  // Makes `child` (a node not yet in the tree) the last child of `parent`.
  // Raises EXmlError for a node already placed, a cycle, a second root element,
  // or a declaration that is not the document's first child.
  void AppendChild(XmlNode parent, XmlNode child);

  // The first element matching an absolute path of element names
  // ("/SERVICIO/ASIGT"), or no node. Other path forms raise EXmlError.
  XmlNode SelectSingleNode(std::string_view path) const;

  // Writes the document to `fileName`, replacing any file of that name only
  // once the whole document is on disk: it is written to a temporary file in
  // the same folder, flushed to the device and renamed over the target. On any
  // failure the temporary file is removed, an existing file is left as it was,
  // and EXmlError names the file and the system's reason.
  void Save(const std::string& fileName) const;

  // The bytes Save writes.
  std::string Serialize() const;

  // Number of nodes, the document node included.
  size_t NodeCount() const;
  // Bytes of memory the document holds for its nodes, attributes, names and values.
  size_t MemoryBytes() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace orb
