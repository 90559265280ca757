// orbalis2educa-cli: the export without a window. It runs the same export run
// as the window's export button, with the output file given on the command
// line in place of the save dialog, so that a school's technician or a script
// can convert the tables unattended.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "exchange/export_run.h"
#include "tables/errors.h"
#include "tables/locale_formats.h"
#include "tables/table_paths.h"
#include "tables/timetable_tables.h"

namespace orb {
namespace {

// Exit codes.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// What the command line asks for.
struct CliOptions {
  std::string output;    // the document to write
  std::string dataDir;   // where the five tables are; empty for the program's folder
  std::string solucDir;  // where SOLUC.DBF is; empty for the host's fixed folder
  bool help = false;
};

// The help text; names the default folders as they are on this system.
std::string Usage() {
  return "Usage: orbalis2educa-cli --output FILE [--data-dir DIR] [--soluc-dir DIR]\n"
         "\n"
         "Exports the school's timetable from the six Orbalis tables to one XML\n"
         "exchange document for EDUCA, as the window's export button does.\n"
         "\n"
         "  --output FILE     the XML document to write. An existing file of that\n"
         "                    name is replaced, but only once the whole document\n"
         "                    has been written; a failed export leaves it as it was.\n"
         "  --data-dir DIR    the folder of Asig.DBF, NOMASG.DBF, PROF.DBF, GRUP.DBF\n"
         "                    and AULA.DBF. Default: the folder of this program,\n"
         "                    " +
         ExecutableDirectory() +
         "\n"
         "  --soluc-dir DIR   the folder of SOLUC.DBF. Default: " +
         std::string(kSolucDirectory) + ", here\n" + "                    " +
         MapHostDirectory(kSolucDirectory) +
         "\n"
         "  --help            shows this text.\n"
         "\n"
         "Prints \"Proceso finalizado\" and exits with 0 when the document is written.\n"
         "When the export fails it prints the reason and exits with 1; a mistake in\n"
         "the command line exits with 2.\n";
}

// Reads the command line into `options`. Returns what is wrong with it, or
// nothing. Options take their value as the next argument or after "=".
std::optional<std::string> ParseOptions(int argc, char** argv, CliOptions& options) {
  bool seenOutput = false, seenData = false, seenSoluc = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      continue;
    }
    std::string_view name = arg;
    std::optional<std::string> value;
    if (const size_t equals = arg.find('=');
        arg.starts_with("--") && equals != std::string_view::npos) {
      name = arg.substr(0, equals);
      value = std::string(arg.substr(equals + 1));
    }
    std::string* target;
    bool* seen;
    if (name == "--output") {
      target = &options.output;
      seen = &seenOutput;
    } else if (name == "--data-dir") {
      target = &options.dataDir;
      seen = &seenData;
    } else if (name == "--soluc-dir") {
      target = &options.solucDir;
      seen = &seenSoluc;
    } else if (arg.starts_with("-")) {
      return "unknown option '" + std::string(arg) + "'";
    } else {
      return "unexpected argument '" + std::string(arg) + "'";
    }
    if (*seen)
      return std::string(name) + " is given twice";
    *seen = true;
    if (!value) {
      if (i + 1 >= argc)
        return std::string(name) + " needs a value";
      value = argv[++i];
    }
    if (value->empty())
      return std::string(name) + " needs a value";
    *target = *value;
  }
  if (!options.help && !seenOutput)
    return "--output is missing";
  return std::nullopt;
}

// The run's window side: the name from the command line stands in for the
// save dialog, messages go to standard output, and there is no button, cursor
// or window to touch.
class CliUi : public ExportUi {
 public:
  explicit CliUi(std::string output) : output_(std::move(output)) {}
  std::optional<std::string> AskOutputFile() override { return output_; }
  void ShowMessage(const std::string& text) override { std::printf("%s\n", text.c_str()); }
  void HideExportButton() override {}
  void SetDefaultCursor() override {}
  void CloseMainWindow() override {}

 private:
  std::string output_;
};

// The full name of `path`, as the save dialog gives it; `path` itself when the
// working folder cannot be read.
std::string FullPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.string();
}

// Runs the export and returns the exit code.
int Main(int argc, char** argv) {
  CliOptions options;
  if (const std::optional<std::string> problem = ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "orbalis2educa-cli: %s\n\n%s", problem->c_str(), Usage().c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::printf("%s", Usage().c_str());
    return kExitDone;
  }

  try {
    ProcessLocaleFormats() = LoadLocaleFormats();
    ExportEnvironment environment;
    environment.dataDirectory = options.dataDir.empty() ? ExecutableDirectory() : options.dataDir;
    if (const char last = environment.dataDirectory.back(); last != '/' && last != '\\')
      environment.dataDirectory += '/';
    environment.formats = &ProcessLocaleFormats();

    TimetableTables tables;
    if (!options.solucDir.empty())
      tables.wwTableSoluc.SetDatabaseName(options.solucDir);

    ProcessState state;
    CliUi ui(FullPath(options.output));
    RunExport(ui, state, tables, environment);
    std::fflush(stdout);
    return kExitDone;
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", WithFinalPeriod(e.Message()).c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", WithFinalPeriod(e.what()).c_str());
  }
  return kExitFailed;
}

}  // namespace
}  // namespace orb

int main(int argc, char** argv) {
  return orb::Main(argc, argv);
}
