// Fuzzes the table engine with whole table files: the input is a table file,
// optionally followed by kMemoMark, one byte choosing the memo file's extension
// (even: .DBT, odd: .FPT) and the memo file's bytes. The table is opened the way
// the export run opens Asig.DBF, walked from its first record to its end, and
// every field is read as text and as a whole number.
//
// A damaged file may raise the program's own errors (orb::Exception) and nothing
// else: any other exception, a crash or a sanitizer report is a bug. Each field
// must also be found again by its own name, since the export run looks every
// field up by name on every record.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "tables/errors.h"
#include "tables/value_text.h"
#include "tables/ww_table.h"

namespace {

constexpr std::string_view kMemoMark = "\xF0MEMO\xF0";

// A private folder for this process's files, removed at exit. The name is never
// freed, so the exit handler can still use it.
const std::string& WorkFolder() {
  static const std::string* const folder = [] {
    const char* base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    auto* made = new std::string(std::string(base) + "/orb-fuzz-dbf-XXXXXX");
    if (::mkdtemp(made->data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(WorkFolder(), ec);
    });
    return made;
  }();
  return *folder;
}

// Replaces the file `name` in the work folder with `bytes`.
void WriteFile(const std::string& name, std::string_view bytes) {
  const std::string path = WorkFolder() + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n <= 0) {
      std::perror(path.c_str());
      std::abort();
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  ::close(fd);
}

// Reads one field both ways the export run does; the program's errors are expected.
void ReadField(const orb::TField& field, const orb::TLocaleFormats& formats) {
  try {
    const std::string text = orb::FieldText(field, formats);
    (void)orb::DocumentText(text);
  } catch (const orb::Exception&) {
  }
  try {
    (void)orb::FieldWholeNumber(field);
  } catch (const orb::Exception&) {
  }
}

void Walk(orb::TwwTable& table, const orb::TLocaleFormats& formats) {
  // Every field must be found under its own name, and be the field of that name.
  for (const orb::TField& field : table.Fields()) {
    if (&table.FieldByName(field.FieldName()) != &field) {
      std::fprintf(stderr, "FieldByName(\"%s\") found another field\n", field.FieldName().c_str());
      std::abort();
    }
  }
  for (table.First(); !table.Eof(); table.Next()) {
    for (const orb::TField& field : table.Fields())
      ReadField(field, formats);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view table = input;
  std::string_view memo;
  bool hasMemo = false;
  bool fptMemo = false;
  if (const size_t mark = input.find(kMemoMark); mark != std::string_view::npos) {
    table = input.substr(0, mark);
    std::string_view rest = input.substr(mark + kMemoMark.size());
    if (!rest.empty()) {
      hasMemo = true;
      fptMemo = (static_cast<unsigned char>(rest[0]) & 1) != 0;
      memo = rest.substr(1);
    }
  }

  const std::string& folder = WorkFolder();
  ::unlink((folder + "/T.DBT").c_str());
  ::unlink((folder + "/T.FPT").c_str());
  WriteFile("T.DBF", table);
  if (hasMemo)
    WriteFile(fptMemo ? "T.FPT" : "T.DBT", memo);

  static const orb::TLocaleFormats formats;
  // As the export run opens Asig.DBF: type from the extension, read and write asked for.
  orb::TwwTable component("wwTableASIGT");
  component.SetTableName("T.DBF");
  component.SetTableType(orb::ttDefault);
  component.SetReadOnly(false);
  component.SetDatabaseName(folder + "/");
  try {
    component.SetActive(true);
  } catch (const orb::Exception&) {
    return 0;  // a table that cannot be opened is reported and stays closed
  }
  try {
    Walk(component, formats);
    // A second walk starts again from the first record, as a later export run does.
    Walk(component, formats);
  } catch (const orb::Exception&) {
  }
  component.SetActive(false);
  return 0;
}
