// Load costs of the XML reader and the exercise set on large and hostile files:
// a 1 MB document of ordinary elements, 1 MB of nesting far past the depth
// bound, a 1 MB tag name, and exercise files of 1,000 to 10,000 exercises
// (load time should grow linearly with the count), and the exercise checker on
// such files against a world-size navaid table, with every navaid found and with
// every exercise naming a navaid the table lacks (each then gets suggestions).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "exercise_check.h"
#include "ifr_exercise_set.h"
#include "xml_config.h"

namespace {

void parseText(benchmark::State& state, const std::string& text) {
  for (auto _ : state) {
    XmlDocument doc;
    XmlParser parser;
    parser.setHandler(&doc);
    parser.parse(text.data(), static_cast<int32_t>(text.size()));
    benchmark::DoNotOptimize(doc.root.leaves.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

void BM_ParseFlatMegabyte(benchmark::State& state) {
  std::string t = "<R>";
  for (int i = 0; t.size() < (1u << 20); ++i) {
    const std::string n = "E" + std::to_string(i % 1000);
    t += "<" + n + "><A>1</A><B>two</B></" + n + ">\n";
  }
  parseText(state, t + "</R>");
}

void BM_ParseDeepMegabyte(benchmark::State& state) {
  std::string t;
  int depth = 0;
  for (; t.size() < (1u << 19); ++depth) t += "<N" + std::to_string(depth) + ">";
  for (int i = depth - 1; i >= 0; --i) t += "</N" + std::to_string(i) + ">";
  parseText(state, t);
}

void BM_ParseLongName(benchmark::State& state) {
  const std::string name(1 << 20, 'x');
  parseText(state, "<R><" + name + ">1</" + name.substr(1) + "></R>");
}

void BM_LoadExercises(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::string body = "<DATA><EXERC>Bench</EXERC>\n";
  char tag[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(tag, sizeof tag, "DATA%02d", i);
    body += std::string("<") + tag + "><NAVAID><NAVAID_ID>V" + std::to_string(i % 100) +
            "</NAVAID_ID><TYPE>VOR</TYPE><NAME>N" + std::to_string(i) +
            "</NAME></NAVAID><NAV><QDM>10</QDM><QDR>20</QDR></NAV><FORM><TYPE>HIPP</TYPE><TRI>1.5</TRI></FORM></" +
            tag + ">\n";
  }
  body += "</DATA>\n";
  const std::string path = "/tmp/exercises_bench_" + std::to_string(::getpid()) + ".xml";
  std::ofstream(path) << body;
  for (auto _ : state) {
    IfrExerciseSet set(path.c_str());
    benchmark::DoNotOptimize(set.count());
  }
  std::remove(path.c_str());
  state.SetComplexityN(n);
}

// Three letters for i: the identifiers of the synthetic navaid table.
std::string ident3(int i) {
  const char* a = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  return {a[i / 676 % 26], a[i / 26 % 26], a[i % 26]};
}

// A name per navaid, as varied as real ones: four letters from the identifier's, a number.
std::string stationName(int i) { return ident3(i * 7919 % 17576) + "ORT " + std::to_string(i); }

// n exercises of every kind; `missing` misspells each navaid's name.
std::string exerciseFile(int n, bool missing) {
  std::string body = "<DATA><EXERC>Bench</EXERC>\n";
  const char* forms[] = {"<FORM><TYPE>LINE</TYPE></FORM>",
                         "<FORM><TYPE>HIPP</TYPE><TURN>LEFT</TURN><TRI>1</TRI><IAS_MAX>160</IAS_MAX></FORM>",
                         "<FORM><TYPE>RELY</TYPE><USER_DST>12</USER_DST><USER_HEADING>30</USER_HEADING></FORM>"};
  char tag[16];
  for (int i = 0; i < n; ++i) {
    std::snprintf(tag, sizeof tag, "DATA%02d", i);
    const int station = i * 13 % 11000;
    body += std::string("<") + tag + ">\n<NAVAID><NAVAID_ID>" + ident3(station) +
            "</NAVAID_ID><TYPE>VOR</TYPE><NAME>" + stationName(station) + (missing ? "X" : "") +
            "</NAME></NAVAID>\n<NAV><QDM>10</QDM></NAV>\n" + forms[i % 3] + "\n</" + tag + ">\n";
  }
  return body + "</DATA>\n";
}

void BM_CheckExercises(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  static std::vector<NavaidRecord> vors;
  if (vors.empty()) {
    for (int i = 0; i < 11000; ++i) {
      NavaidRecord r{};
      const std::string ident = ident3(i), name = stationName(i);
      std::memcpy(r.ident, ident.c_str(), ident.size() + 1);
      std::memcpy(r.name, name.c_str(), name.size() + 1);
      r.typeFlags = 1;
      r.latitude = (i % 170 - 85) * 100.0;
      r.longitude = (i % 350 - 175) * 100.0;
      vors.push_back(r);
    }
  }
  const std::vector<NavaidRecord> ndbs;
  const std::string text = exerciseFile(n, state.range(1) != 0);
  size_t diagnostics = 0;
  for (auto _ : state) {
    const CheckedFile file(text, vors, ndbs, true);
    diagnostics = checkExercises(file).size();
    benchmark::DoNotOptimize(diagnostics);
  }
  state.counters["diagnostics"] = static_cast<double>(diagnostics);
  state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(BM_ParseFlatMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseDeepMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLongName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadExercises)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK(BM_CheckExercises)->ArgsProduct({{1000, 10000}, {0, 1}})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
