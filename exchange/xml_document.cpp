#include "exchange/xml_document.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cassert>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "exchange/replace_file.h"
#include "tables/errors.h"

namespace orb {
namespace {

constexpr uint32_t kNone = UINT32_MAX;

// Bytes the writer gathers before each write to the file.
constexpr size_t kWriteChunk = 1 << 20;
// The document's tables grow in blocks of this size, aligned to it, so that
// the system can back them with huge pages: a large school's document takes
// hundreds of megabytes, and faulting that in 4 KiB pages and giving it back
// costs more than building the rows.
constexpr size_t kBlockBytes = 2u << 20;
// Size of one block of the value arena; a longer value gets a block of its own.
constexpr size_t kArenaBlock = kBlockBytes;
// Longest base name used inside a temporary file's name, so that the temporary
// name stays within the file system's limit even for a long output name.

// Line end after every element: the file opens readably in any Windows editor,
// and XML readers treat CR LF between elements as plain white space.
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
// Spaces per level of nesting.
constexpr size_t kIndent = 2;

enum class Kind : uint8_t { kDocument, kDeclaration, kElement };

// One node. Children and attributes are singly linked lists, so appending never
// moves anything.
struct NodeRecord {
  uint32_t name = kNone;
  uint32_t parent = kNone;
  uint32_t firstChild = kNone;
  uint32_t lastChild = kNone;
  uint32_t nextSibling = kNone;
  uint32_t firstAttribute = kNone;
  uint32_t lastAttribute = kNone;
  Kind kind = Kind::kElement;
  // Bit (name id % 16) set for each attribute name the element has, so that
  // setting a new attribute rarely has to look through the earlier ones.
  uint16_t attributeNames = 0;
};
static_assert(sizeof(NodeRecord) == 32, "a row's node stays 32 bytes");

// One attribute. `value` points into the arena at a length (LEB128) followed
// by that many bytes of UTF-8.
struct AttributeRecord {
  const char* value = nullptr;
  uint32_t name = kNone;
  uint32_t next = kNone;
};

// Frees a block taken by AllocateBlock.
struct BlockFree {
  void operator()(char* p) const { std::free(p); }
};
using Block = std::unique_ptr<char[], BlockFree>;

// A block of kBlockBytes aligned to its size, its pages not yet touched.
Block AllocateBlock() {
  void* p = std::aligned_alloc(kBlockBytes, kBlockBytes);
  if (p == nullptr)
    throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(p, kBlockBytes, MADV_HUGEPAGE);  // only advice: without huge pages all still works
#endif
  return Block(static_cast<char*>(p));
}

// A table that grows in fixed blocks: no reallocation, no copying, and at most
// one block of unused room. Records are made as they are added.
template <typename T>
class BlockTable {
  static_assert(std::is_trivially_destructible_v<T>);
  static constexpr size_t kPerBlock = kBlockBytes / sizeof(T);

 public:
  // Appends `record` and returns its index.
  uint32_t Add(const T& record) {
    if (size_ == static_cast<size_t>(kNone))
      throw EXmlError("The document is too large");
    if (size_ % kPerBlock == 0)
      blocks_.push_back(AllocateBlock());
    new (Slot(size_)) T(record);
    return static_cast<uint32_t>(size_++);
  }
  T& operator[](uint32_t i) { return *std::launder(Slot(i)); }
  const T& operator[](uint32_t i) const { return *std::launder(Slot(i)); }
  size_t size() const { return size_; }
  // Bytes held by the blocks and their index.
  size_t Bytes() const {
    return blocks_.size() * kBlockBytes + blocks_.capacity() * sizeof(blocks_[0]);
  }

 private:
  T* Slot(size_t i) const {
    return reinterpret_cast<T*>(blocks_[i / kPerBlock].get()) + i % kPerBlock;
  }
  std::vector<Block> blocks_;
  size_t size_ = 0;
};

// Storage for attribute values: each value is its length (LEB128) and its bytes.
class ValueArena {
 public:
  // Copies `value` into the arena and returns where it starts.
  const char* Store(std::string_view value) {
    const size_t needed = 10 + value.size();  // a 64-bit LEB128 takes at most 10 bytes
    char* out;
    if (needed > kArenaBlock / 4) {
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(needed));
      bytes_ += needed;
      out = blocks_.back().get();
    } else {
      if (free_ < needed) {
        // The big blocks stay in blocks_, so keep a pointer of our own to
        // where writing goes on.
        arena_.push_back(AllocateBlock());
        bytes_ += kArenaBlock;
        cursor_ = arena_.back().get();
        free_ = kArenaBlock;
      }
      out = cursor_;
    }
    char* p = out;
    uint64_t length = value.size();
    do {
      uint8_t byte = length & 0x7F;
      length >>= 7;
      if (length != 0)
        byte |= 0x80;
      *p++ = static_cast<char>(byte);
    } while (length != 0);
    if (!value.empty())
      std::memcpy(p, value.data(), value.size());
    p += value.size();
    if (out == cursor_) {
      free_ -= static_cast<size_t>(p - cursor_);
      cursor_ = p;
    }
    return out;
  }

  // The value stored at `at`.
  static std::string_view Load(const char* at) {
    uint64_t length = 0;
    int shift = 0;
    uint8_t byte;
    do {
      byte = static_cast<uint8_t>(*at++);
      length |= static_cast<uint64_t>(byte & 0x7F) << shift;
      shift += 7;
    } while (byte & 0x80);
    return std::string_view(at, static_cast<size_t>(length));
  }

  size_t Bytes() const {
    return bytes_ + blocks_.capacity() * sizeof(blocks_[0]) + arena_.capacity() * sizeof(arena_[0]);
  }

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;  // values too long for an arena block
  std::vector<Block> arena_;                     // the arena's blocks
  char* cursor_ = nullptr;
  size_t free_ = 0;
  size_t bytes_ = 0;
};

// True when `c` may start an XML name (restricted to ASCII).
bool IsNameStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

// True when `c` may continue an XML name (restricted to ASCII).
bool IsNameChar(unsigned char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// True when `name` is an XML name made of ASCII characters.
bool IsXmlName(std::string_view name) {
  if (name.empty() || !IsNameStart(static_cast<unsigned char>(name[0])))
    return false;
  for (char c : name)
    if (!IsNameChar(static_cast<unsigned char>(c)))
      return false;
  return true;
}

// Checks that `value` is UTF-8 made only of characters XML 1.0 can carry.
// Returns an empty text when it is, otherwise what is wrong ("the character U+0001").
std::string ValueProblem(std::string_view value) {
  const auto* s = reinterpret_cast<const unsigned char*>(value.data());
  const size_t n = value.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c >= 0x20 && c < 0x80) {
      ++i;
      continue;
    }
    char32_t cp;
    size_t length;
    if (c < 0x80) {
      cp = c;
      length = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      cp = c & 0x1F;
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      cp = c & 0x0F;
      length = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      cp = c & 0x07;
      length = 4;
    } else {
      return "bytes that are not UTF-8";
    }
    if (i + length > n)
      return "bytes that are not UTF-8";
    for (size_t k = 1; k < length; ++k) {
      if ((s[i + k] & 0xC0) != 0x80)
        return "bytes that are not UTF-8";
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    const bool overlong = (length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return "bytes that are not UTF-8";
    const bool allowed = cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
                         (cp >= 0xE000 && cp <= 0xFFFD) || cp >= 0x10000;
    if (!allowed) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "the character U+%04X", static_cast<unsigned>(cp));
      return buf;
    }
    i += length;
  }
  return {};
}

// `text` without trailing blanks, line breaks and periods.
std::string TrimmedReason(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                           text.back() == '\n' || text.back() == '.'))
    text.pop_back();
  return text;
}

// The text of a failed save of `fileName` with the system's reason for `error`.
EXmlError SaveError(const std::string& fileName, int error) {
  return EXmlError(
      TrimmedReason("Cannot save '" + fileName + "': " + TrimmedReason(std::strerror(error))));
}

// Gathers the serialised document and hands it on in large pieces.
class OutputBuffer {
 public:
  using Flush = void (*)(void* context, std::string_view bytes);
  OutputBuffer(Flush flush, void* context) : flush_(flush), context_(context) {
    data_.reserve(kWriteChunk + 4096);
  }
  void Append(std::string_view bytes) {
    data_.append(bytes);
    if (data_.size() >= kWriteChunk)
      FlushAll();
  }
  void Append(char c) { data_.push_back(c); }
  void Spaces(size_t count) { data_.append(count, ' '); }
  // Hands on whatever is gathered.
  void FlushAll() {
    if (data_.empty())
      return;
    flush_(context_, data_);
    data_.clear();
  }

 private:
  std::string data_;
  Flush flush_;
  void* context_;
};

// Appends `value` as the content of a double-quoted attribute value. Tab, line
// feed and carriage return become character references, which a reader gets
// back unchanged (written as themselves, a reader would turn them into blanks).
void AppendEscaped(OutputBuffer& out, std::string_view value) {
  size_t start = 0;
  for (size_t i = 0; i < value.size(); ++i) {
    std::string_view replacement;
    switch (value[i]) {
      case '&':
        replacement = "&amp;";
        break;
      case '<':
        replacement = "&lt;";
        break;
      case '>':
        replacement = "&gt;";
        break;
      case '"':
        replacement = "&quot;";
        break;
      case '\t':
        replacement = "&#9;";
        break;
      case '\n':
        replacement = "&#10;";
        break;
      case '\r':
        replacement = "&#13;";
        break;
      default:
        continue;
    }
    out.Append(value.substr(start, i - start));
    out.Append(replacement);
    start = i + 1;
  }
  out.Append(value.substr(start));
}

}  // namespace

struct XmlDocument::Impl {
  BlockTable<NodeRecord> nodes;
  BlockTable<AttributeRecord> attributes;
  ValueArena values;
  std::vector<std::string> names;
  std::unordered_map<std::string, uint32_t> nameIds;
  uint32_t rootElement = kNone;

  // The record of `node`; raises EXmlError for a node of no such index.
  NodeRecord& Record(XmlNode node) {
    if (node.index >= nodes.size())
      throw EXmlError("The node does not belong to this document");
    return nodes[node.index];
  }

  // The interned name `id`, or EXmlError when there is none.
  void CheckName(XmlName name) const {
    if (name.id >= names.size())
      throw EXmlError("The name does not belong to this document");
  }

  // Writes the whole tree to `out`.
  void Write(OutputBuffer& out) const;
};

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {
  NodeRecord document;
  document.kind = Kind::kDocument;
  impl_->nodes.Add(document);
}

XmlDocument::~XmlDocument() = default;

XmlName XmlDocument::InternName(std::string_view name) {
  std::string key(name);
  auto found = impl_->nameIds.find(key);
  if (found != impl_->nameIds.end())
    return XmlName{found->second};
  if (!IsXmlName(name))
    throw EXmlError("'" + key + "' is not a valid XML name");
  const auto id = static_cast<uint32_t>(impl_->names.size());
  impl_->names.push_back(key);
  impl_->nameIds.emplace(std::move(key), id);
  return XmlName{id};
}

XmlNode XmlDocument::CreateNode(int32_t type, std::string_view name,
                                std::string_view namespaceUri) {
  if (!namespaceUri.empty())
    throw EXmlError("Namespaces are not supported");
  if (type == kElementNode)
    return CreateElement(name);
  if (type == kProcessingInstructionNode) {
    if (name != "xml")
      throw EXmlError("Only the XML declaration is supported");
    return CreateDeclaration();
  }
  throw EXmlError("Node type " + std::to_string(type) + " is not supported");
}

XmlNode XmlDocument::CreateDeclaration() {
  NodeRecord record;
  record.kind = Kind::kDeclaration;
  return XmlNode{impl_->nodes.Add(record)};
}

XmlNode XmlDocument::CreateElement(std::string_view name) {
  return CreateElement(InternName(name));
}

XmlNode XmlDocument::CreateElement(XmlName name) {
  impl_->CheckName(name);
  NodeRecord record;
  record.kind = Kind::kElement;
  record.name = name.id;
  return XmlNode{impl_->nodes.Add(record)};
}

void XmlDocument::SetAttribute(XmlNode element, XmlName name, std::string_view value) {
  NodeRecord& record = impl_->Record(element);
  impl_->CheckName(name);
  if (record.kind != Kind::kElement)
    throw EXmlError("Only an element can have attributes");
  if (std::string problem = ValueProblem(value); !problem.empty())
    throw EXmlError("The value of attribute '" + impl_->names[name.id] + "' holds " + problem +
                    ", which an XML document cannot carry");
  const uint16_t bit = static_cast<uint16_t>(1u << (name.id % 16));
  if (record.attributeNames & bit) {
    for (uint32_t a = record.firstAttribute; a != kNone; a = impl_->attributes[a].next) {
      if (impl_->attributes[a].name == name.id) {
        impl_->attributes[a].value = impl_->values.Store(value);
        return;
      }
    }
  }
  record.attributeNames |= bit;
  AttributeRecord attribute;
  attribute.name = name.id;
  attribute.value = impl_->values.Store(value);
  const uint32_t a = impl_->attributes.Add(attribute);
  if (record.lastAttribute == kNone)
    record.firstAttribute = a;
  else
    impl_->attributes[record.lastAttribute].next = a;
  record.lastAttribute = a;
}

void XmlDocument::SetAttribute(XmlNode element, std::string_view name, std::string_view value) {
  SetAttribute(element, InternName(name), value);
}

void XmlDocument::SetAttribute(XmlNode element, XmlName name, int32_t value) {
  char buf[16];
  const auto result = std::to_chars(buf, buf + sizeof buf, value);
  assert(result.ec == std::errc());
  SetAttribute(element, name, std::string_view(buf, static_cast<size_t>(result.ptr - buf)));
}

void XmlDocument::SetAttribute(XmlNode element, std::string_view name, int32_t value) {
  SetAttribute(element, InternName(name), value);
}

void XmlDocument::AppendChild(XmlNode parent, XmlNode child) {
  NodeRecord& p = impl_->Record(parent);
  NodeRecord& c = impl_->Record(child);
  if (c.kind == Kind::kDocument)
    throw EXmlError("The document cannot be a child");
  if (c.parent != kNone)
    throw EXmlError("The node is already in the tree");
  if (p.kind == Kind::kDeclaration)
    throw EXmlError("The XML declaration cannot have children");
  if (c.kind == Kind::kDeclaration && (p.kind != Kind::kDocument || p.firstChild != kNone))
    throw EXmlError("The XML declaration must be the first node of the document");
  if (c.kind == Kind::kElement && p.kind == Kind::kDocument && impl_->rootElement != kNone)
    throw EXmlError("The document already has a root element");
  for (uint32_t up = parent.index; up != kNone; up = impl_->nodes[up].parent)
    if (up == child.index)
      throw EXmlError("A node cannot be appended below itself");

  c.parent = parent.index;
  if (p.lastChild == kNone)
    p.firstChild = child.index;
  else
    impl_->nodes[p.lastChild].nextSibling = child.index;
  p.lastChild = child.index;
  if (c.kind == Kind::kElement && p.kind == Kind::kDocument)
    impl_->rootElement = child.index;
}

XmlNode XmlDocument::SelectSingleNode(std::string_view path) const {
  if (path.size() < 2 || path[0] != '/')
    throw EXmlError("Unsupported path '" + std::string(path) + "'");
  uint32_t current = 0;
  std::string_view rest = path.substr(1);
  while (true) {
    const size_t slash = rest.find('/');
    const std::string_view step = rest.substr(0, slash);
    if (!IsXmlName(step))
      throw EXmlError("Unsupported path '" + std::string(path) + "'");
    auto found = impl_->nameIds.find(std::string(step));
    if (found == impl_->nameIds.end())
      return XmlNode{};
    uint32_t match = kNone;
    for (uint32_t n = impl_->nodes[current].firstChild; n != kNone;
         n = impl_->nodes[n].nextSibling) {
      if (impl_->nodes[n].kind == Kind::kElement && impl_->nodes[n].name == found->second) {
        match = n;
        break;
      }
    }
    if (match == kNone)
      return XmlNode{};
    current = match;
    if (slash == std::string_view::npos)
      return XmlNode{current};
    rest = rest.substr(slash + 1);
  }
}

void XmlDocument::Impl::Write(OutputBuffer& out) const {
  // Walks the tree depth first along the parent links, so that no nesting depth
  // can exhaust the stack.
  size_t depth = 0;
  uint32_t n = nodes[0].firstChild;
  while (n != kNone) {
    const NodeRecord& node = nodes[n];
    if (node.kind == Kind::kDeclaration) {
      out.Append(kDeclaration);
      out.Append(kLineEnd);
    } else {
      out.Spaces(depth * kIndent);
      out.Append('<');
      out.Append(names[node.name]);
      for (uint32_t a = node.firstAttribute; a != kNone; a = attributes[a].next) {
        out.Append(' ');
        out.Append(names[attributes[a].name]);
        out.Append("=\"");
        AppendEscaped(out, ValueArena::Load(attributes[a].value));
        out.Append('"');
      }
      if (node.firstChild != kNone) {
        out.Append('>');
        out.Append(kLineEnd);
        ++depth;
        n = node.firstChild;
        continue;
      }
      out.Append("/>");
      out.Append(kLineEnd);
    }
    // Climb until a node has a next sibling, closing the elements left behind.
    while (nodes[n].nextSibling == kNone) {
      n = nodes[n].parent;
      if (n == 0)
        return;
      --depth;
      out.Spaces(depth * kIndent);
      out.Append("</");
      out.Append(names[nodes[n].name]);
      out.Append('>');
      out.Append(kLineEnd);
    }
    n = nodes[n].nextSibling;
  }
}

std::string XmlDocument::Serialize() const {
  if (impl_->rootElement == kNone)
    throw EXmlError("The document has no root element");
  std::string result;
  OutputBuffer out(
      [](void* context, std::string_view bytes) {
        static_cast<std::string*>(context)->append(bytes);
      },
      &result);
  impl_->Write(out);
  out.FlushAll();
  return result;
}

void XmlDocument::Save(const std::string& fileName) const {
  if (impl_->rootElement == kNone)
    throw EXmlError("The document has no root element");
  if (fileName.empty())
    throw SaveError(fileName, ENOENT);

  // A file the user made read-only is not replaced behind their back, though
  // renaming over it would be allowed; on a read-only disk the system's own
  // reason says more than "permission". (stat follows a symbolic link to the file.)
  struct stat existing;
  if (::stat(fileName.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
    if ((existing.st_mode & 0222) == 0)
      throw SaveError(fileName, EACCES);
    if (::access(fileName.c_str(), W_OK) != 0)
      throw SaveError(fileName, errno);
  }

  const int error = ReplaceFile(fileName, [this](ReplacementSink& sink) {
    OutputBuffer out(
        [](void* context, std::string_view bytes) {
          static_cast<ReplacementSink*>(context)->Write(bytes);
        },
        &sink);
    impl_->Write(out);
    out.FlushAll();
  });
  if (error != 0)
    throw SaveError(fileName, error);
}

size_t XmlDocument::NodeCount() const {
  return impl_->nodes.size();
}

size_t XmlDocument::MemoryBytes() const {
  size_t bytes = sizeof(Impl) + impl_->nodes.Bytes() + impl_->attributes.Bytes() +
                 impl_->values.Bytes() + impl_->names.capacity() * sizeof(std::string);
  for (const std::string& name : impl_->names)
    bytes += name.capacity() + 1;
  // Each entry of the name map holds a node with a copy of the name and its hash.
  bytes += impl_->nameIds.size() * (sizeof(std::string) + 2 * sizeof(void*) + sizeof(uint32_t)) +
           impl_->nameIds.bucket_count() * sizeof(void*);
  return bytes;
}

}  // namespace orb
