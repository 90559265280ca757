// The export's per-record costs, one at a time: looking a field up by name,
// reading a character field (code page decoding) and a numeric field as text
// (number parsing and FloatText), and setting attributes in the document.
// Run: build/bin/orb-bench-per-record
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "exchange/xml_document.h"
#include "tables/value_text.h"
#include "tables/ww_table.h"
#include "tools/dbf_writer.h"

namespace orb {
namespace {

// A teachers' table of 10,000 rows in a scratch folder, open on its first record.
class Teachers {
 public:
  Teachers()
      : dir_(std::filesystem::temp_directory_path() / ("orb_bench_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    DbfWriter w((dir_ / "PROF.DBF").string(),
                {{"ABREV", 'C', 4}, {"NOMBRE", 'C', 40}, {"MAXHDIA", 'N', 5, 2}}, 0x57);
    for (int i = 0; i < 10000; ++i)
      w.AppendRow({"P" + std::to_string(i % 1000), "Echeverría Ibáñez, María José", "6.00"});
    w.Close();
    table.SetTableName("PROF");
    table.SetDatabaseName(dir_.string());
    table.SetActive(true);
  }
  ~Teachers() {
    table.SetActive(false);
    std::filesystem::remove_all(dir_);
  }
  TwwTable table{"wwTableProfesor"};

 private:
  std::filesystem::path dir_;
};

Teachers& Shared() {
  static Teachers teachers;
  return teachers;
}

void BM_FieldByName(benchmark::State& state) {
  TwwTable& t = Shared().table;
  for (auto _ : state)
    benchmark::DoNotOptimize(&t.FieldByName("NOMBRE"));
}
BENCHMARK(BM_FieldByName);

void BM_NextRecord(benchmark::State& state) {
  TwwTable& t = Shared().table;
  t.First();
  for (auto _ : state) {
    t.Next();
    if (t.Eof())
      t.First();
  }
}
BENCHMARK(BM_NextRecord);

void BM_TextOfCharacterField(benchmark::State& state) {
  const TLocaleFormats formats;
  const TField& f = Shared().table.FieldByName("NOMBRE");
  for (auto _ : state)
    benchmark::DoNotOptimize(FieldText(f, formats));
}
BENCHMARK(BM_TextOfCharacterField);

void BM_TextOfNumericField(benchmark::State& state) {
  const TLocaleFormats formats;
  const TField& f = Shared().table.FieldByName("MAXHDIA");
  for (auto _ : state)
    benchmark::DoNotOptimize(FieldText(f, formats));
}
BENCHMARK(BM_TextOfNumericField);

void BM_FloatText(benchmark::State& state) {
  const TLocaleFormats formats;
  double v = 0.5;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FloatText(v, formats));
    v += 1.25;
  }
}
BENCHMARK(BM_FloatText);

void BM_RowOfTwelveAttributes(benchmark::State& state) {
  XmlDocument doc;
  const XmlNode root = doc.CreateElement("SERVICIO");
  doc.AppendChild(doc.Document(), root);
  const XmlName row = doc.InternName("SOLUCF");
  XmlName names[12];
  for (int i = 0; i < 12; ++i)
    names[i] = doc.InternName("A" + std::to_string(i));
  for (auto _ : state) {
    const XmlNode e = doc.CreateElement(row);
    for (const XmlName& n : names)
      doc.SetAttribute(e, n, "P0A1");
    doc.AppendChild(root, e);
  }
  state.counters["bytes/row"] =
      static_cast<double>(doc.MemoryBytes()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RowOfTwelveAttributes);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
