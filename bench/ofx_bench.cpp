// Statement parsing benchmarks on generated SGML and XML statements of
// 20 000 and 200 000 transactions: the whole parse, each reader alone, and
// the decoding a statement file goes through.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>

#include "import/ofx_statement.h"
#include "import/statement_file.h"
#include "markup/loose_parser.h"
#include "markup/xml_parser.h"
#include "ofx_generate.h"

namespace {

using tallyvane::bench::OfxForm;

// Generated once per size and form, as read from a file.
const std::string& statementText(int transactions, OfxForm form) {
  static std::map<std::pair<int, OfxForm>, std::string> texts;
  auto& text = texts[{transactions, form}];
  if (text.empty()) {
    text = tallyvane::import::decodeStatementBytes(tallyvane::bench::generateOfxStatement(transactions, form));
  }
  return text;
}

OfxForm formOf(const benchmark::State& state) { return state.range(1) == 0 ? OfxForm::Sgml : OfxForm::Xml; }

void parseStatement(benchmark::State& state) {
  const std::string& text = statementText(static_cast<int>(state.range(0)), formOf(state));
  const tallyvane::store::RegionalSettings settings;
  for (auto _ : state) {
    auto candidates = tallyvane::import::parseOfxStatement(settings, tallyvane::import::cutToOfxBody(text));
    benchmark::DoNotOptimize(candidates.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void looseReader(benchmark::State& state) {
  const std::string& text = statementText(static_cast<int>(state.range(0)), formOf(state));
  tallyvane::markup::LooseMarkupParser parser;
  parser.setLeafElements(tallyvane::import::ofxLeafElements());
  for (auto _ : state) {
    tallyvane::markup::Document document;
    std::string error;
    parser.parse(tallyvane::import::cutToOfxBody(text), error, document);
    benchmark::DoNotOptimize(document.nodeCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void strictReader(benchmark::State& state) {
  const std::string& text = statementText(static_cast<int>(state.range(0)), formOf(state));
  for (auto _ : state) {
    tallyvane::markup::Document document;
    std::string error;
    tallyvane::markup::XmlParser().parse(tallyvane::import::cutToOfxBody(text), error, document);
    benchmark::DoNotOptimize(document.nodeCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void decodeBytes(benchmark::State& state) {
  const std::string bytes = tallyvane::bench::generateOfxStatement(static_cast<int>(state.range(0)), formOf(state));
  for (auto _ : state) {
    std::string text = tallyvane::import::decodeStatementBytes(bytes);
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

// Second argument: 0 SGML, 1 XML.
void sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"transactions", "xml"})->Unit(benchmark::kMillisecond);
  for (int xml : {0, 1}) {
    for (int count : {20000, 200000}) b->Args({count, xml});
  }
}

BENCHMARK(parseStatement)->Apply(sizes);
BENCHMARK(looseReader)->Apply(sizes);
BENCHMARK(strictReader)->Apply(sizes);
BENCHMARK(decodeBytes)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
