// orb-bench-lower-bound: the floor the export is measured against. It reads the
// same six tables with plain read() calls, a block of whole records at a time,
// and writes the same document through one buffered writer, with no document
// object model, no table component and no look-up by name per record: the
// columns are found once per table. It knows only what the benchmark's tables
// hold (character and whole-number columns, code page 1252).
//
//   orb-bench-lower-bound --output FILE --data-dir DIR --soluc-dir DIR
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kBufferBytes = 1 << 20;

// The one buffered writer.
class Writer {
 public:
  explicit Writer(int fd) : fd_(fd) { buffer_.reserve(kBufferBytes + 4096); }
  ~Writer() { Flush(); }
  void Put(std::string_view s) {
    buffer_.append(s);
    if (buffer_.size() >= kBufferBytes)
      Flush();
  }
  void Put(char c) { buffer_.push_back(c); }
  void Flush() {
    const char* p = buffer_.data();
    size_t left = buffer_.size();
    while (left > 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n <= 0) {
        std::perror("write");
        std::exit(1);
      }
      p += n;
      left -= static_cast<size_t>(n);
    }
    buffer_.clear();
  }

 private:
  int fd_;
  std::string buffer_;
};

// Code page 1252 to UTF-8, one entry per byte.
struct Cp1252 {
  std::string utf8[256];
  Cp1252() {
    static constexpr uint16_t k80[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    for (unsigned b = 0; b < 256; ++b) {
      const unsigned c = b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : b;
      std::string& s = utf8[b];
      if (c < 0x80) {
        s = static_cast<char>(c);
      } else if (c < 0x800) {
        s = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
      } else {
        s = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
             static_cast<char>(0x80 | (c & 0x3F))};
      }
    }
  }
};
const Cp1252 kCp1252;

// One attribute of a row and where its column lies in the record.
struct Attribute {
  const char* name;
  const char* field;  // nullptr for the row counter
  char type = 0;
  uint32_t offset = 0;
  uint32_t width = 0;
};

struct Section {
  const char* name;
  const char* row;
  const char* file;
  bool soluc;     // in the SOLUC folder
  bool skipStar;  // rows whose ABREV is "*" are left out
  std::vector<Attribute> attributes;
};

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
    s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ')
    s.remove_prefix(1);
  return s;
}

void PutEscaped(Writer& out, std::string_view bytes) {
  for (unsigned char b : bytes) {
    switch (b) {
      case '&':
        out.Put("&amp;");
        break;
      case '<':
        out.Put("&lt;");
        break;
      case '>':
        out.Put("&gt;");
        break;
      case '"':
        out.Put("&quot;");
        break;
      case '\t':
        out.Put("&#9;");
        break;
      case '\n':
        out.Put("&#10;");
        break;
      case '\r':
        out.Put("&#13;");
        break;
      default:
        if (b < 0x80)
          out.Put(static_cast<char>(b));
        else
          out.Put(kCp1252.utf8[b]);
    }
  }
}

// A numeric column's text as the document writes it: the whole number without
// blanks or leading zeros; other numbers in the general form.
void PutNumber(Writer& out, std::string_view text) {
  text = Trimmed(text);
  if (text.empty())
    return;
  bool whole = true;
  for (size_t i = 0; i < text.size(); ++i)
    whole = whole && ((text[i] >= '0' && text[i] <= '9') || (i == 0 && text[i] == '-'));
  if (whole) {
    std::string_view digits = text[0] == '-' ? text.substr(1) : text;
    while (digits.size() > 1 && digits[0] == '0')
      digits.remove_prefix(1);
    if (text[0] == '-' && digits != "0")
      out.Put('-');
    out.Put(digits);
    return;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", std::strtod(std::string(text).c_str(), nullptr));
  out.Put(buf);
}

uint32_t U16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
uint32_t U32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadFully(int fd, char* p, size_t n) {
  while (n > 0) {
    const ssize_t r = ::read(fd, p, n);
    if (r <= 0)
      return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "orb-bench-lower-bound: %s\n", what.c_str());
  std::exit(1);
}

void WriteSection(Writer& out, Section& section, const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0)
    Fail("cannot open " + path);
  unsigned char fixed[32];
  if (!ReadFully(fd, reinterpret_cast<char*>(fixed), sizeof fixed))
    Fail("short header in " + path);
  const uint32_t count = U32(fixed + 4), headerLength = U16(fixed + 8),
                 recordLength = U16(fixed + 10);
  std::vector<char> header(headerLength - 32);
  if (!ReadFully(fd, header.data(), header.size()))
    Fail("short header in " + path);

  // The columns, found once.
  uint32_t offset = 1;
  Attribute abrev{"ABREV", "ABREV"};
  for (size_t at = 0; at + 32 <= header.size() && header[at] != 0x0D; at += 32) {
    const char* d = header.data() + at;
    const std::string name(d, strnlen(d, 11));
    const char type = d[11];
    const uint32_t width = static_cast<unsigned char>(d[16]);
    for (Attribute& a : section.attributes) {
      if (a.field != nullptr && name == a.field) {
        a.type = type;
        a.offset = offset;
        a.width = width;
      }
    }
    if (name == "ABREV") {
      abrev.offset = offset;
      abrev.width = width;
    }
    offset += width;
  }

  out.Put("  <");
  out.Put(section.name);
  out.Put(">\r\n");
  const uint32_t perBlock = std::max<uint32_t>(1, (256 * 1024) / recordLength);
  std::vector<char> block(static_cast<size_t>(perBlock) * recordLength);
  int32_t counter = 0;
  char number[16];
  for (uint32_t first = 0; first < count; first += perBlock) {
    const uint32_t n = std::min(perBlock, count - first);
    if (!ReadFully(fd, block.data(), static_cast<size_t>(n) * recordLength))
      Fail("short table " + path);
    for (uint32_t r = 0; r < n; ++r) {
      const char* rec = block.data() + static_cast<size_t>(r) * recordLength;
      if (rec[0] == '*')
        continue;
      if (section.skipStar && Trimmed(std::string_view(rec + abrev.offset, abrev.width)) == "*")
        continue;
      out.Put("    <");
      out.Put(section.row);
      for (const Attribute& a : section.attributes) {
        out.Put(' ');
        out.Put(a.name);
        out.Put("=\"");
        if (a.field == nullptr) {
          const int len = std::snprintf(number, sizeof number, "%d", ++counter);
          out.Put(std::string_view(number, static_cast<size_t>(len)));
        } else if (a.type == 'N' || a.type == 'F') {
          PutNumber(out, std::string_view(rec + a.offset, a.width));
        } else {
          std::string_view text(rec + a.offset, a.width);
          if (const size_t nul = text.find('\0'); nul != std::string_view::npos)
            text = text.substr(0, nul);
          while (!text.empty() && text.back() == ' ')
            text.remove_suffix(1);
          PutEscaped(out, text);
        }
        out.Put('"');
      }
      out.Put("/>\r\n");
    }
  }
  ::close(fd);
  out.Put("  </");
  out.Put(section.name);
  out.Put(">\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string output, dataDir, solucDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--output")
      output = argv[i + 1];
    else if (option == "--data-dir")
      dataDir = argv[i + 1];
    else if (option == "--soluc-dir")
      solucDir = argv[i + 1];
  }
  if (output.empty() || dataDir.empty() || solucDir.empty())
    Fail("usage: orb-bench-lower-bound --output FILE --data-dir DIR --soluc-dir DIR");

  std::vector<Section> sections = {
      {"ASIGT",
       "ASIGF",
       "Asig.DBF",
       false,
       false,
       {{"ID", nullptr},
        {"ASIG", "ASIG"},
        {"AULA", "AULA0"},
        {"AULA1", "AULA1"},
        {"AULA2", "AULA2"},
        {"AULA3", "AULA3"},
        {"AULA4", "AULA4"},
        {"EDIFICIO", "EDIFICIO"},
        {"GRUP", "GRUP"},
        {"NALUM", "NALUM"},
        {"PROF", "PROF"},
        {"TIPO", "TIPO"},
        {"HORASEM", "NHORAS"}}},
      {"NOMASIGT",
       "NOMASIGF",
       "NOMASG.DBF",
       false,
       false,
       {{"ID", nullptr}, {"ABREV", "ABREV"}, {"NOMBRE", "NOMBRE"}, {"ACTIV", "ACTIV"}}},
      {"PROFT",
       "PROFF",
       "PROF.DBF",
       false,
       true,
       {{"ID", nullptr},
        {"ABREV", "ABREV"},
        {"NOMBRE", "NOMBRE"},
        {"DEPART", "DEPART"},
        {"EMAIL", "EMAIL"}}},
      {"GRUPT",
       "GRUPF",
       "GRUP.DBF",
       false,
       false,
       {{"ID", nullptr},
        {"ABREV", "ABREV"},
        {"CURSO", "CURSO"},
        {"GRUPO", "GRUPO"},
        {"MAXALUM", "MAXALUM"},
        {"NIVEL", "NIVEL"},
        {"TURNO", "TURNO"},
        {"DESCRIP", "DESCRIP"}}},
      {"AULAT",
       "AULAF",
       "AULA.DBF",
       false,
       true,
       {{"ID", nullptr},
        {"ABREV", "ABREV"},
        {"NOMBRE", "NOMBRE"},
        {"EDIFICIO", "EDIFICIO"},
        {"MAXALUM", "MAXALUM"}}},
      {"SOLUCT",
       "SOLUCF",
       "SOLUC.DBF",
       true,
       false,
       {{"ASIG", "ASIG"},
        {"AULA", "AULA"},
        {"CODGRUPO", "CODGRUPO"},
        {"CURSO", "CURSO"},
        {"DIA", "DIA"},
        {"GRUPO", "GRUPO"},
        {"HORA", "HORA"},
        {"NIVEL", "NIVEL"},
        {"PROF", "PROF"},
        {"SESIONES", "SESIONES"},
        {"TAREA", "TAREA"},
        {"TURNO", "TURNO"}}},
  };

  const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0)
    Fail("cannot create " + output);
  {
    Writer out(fd);
    char stamp[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%d %b %Y %H:%M:%S", std::localtime(&now));
    out.Put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SERVICIO autor=\"ORBALIS\" fecha=\"");
    out.Put(stamp);
    out.Put("\" modulo=\"HORARIOS\">\r\n");
    for (Section& s : sections)
      WriteSection(out, s, (s.soluc ? solucDir : dataDir) + "/" + s.file);
    out.Put("</SERVICIO>\r\n");
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0)
    Fail("cannot write " + output);
  return 0;
}
