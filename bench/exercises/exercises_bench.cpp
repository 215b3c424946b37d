// Load costs of the XML reader and the exercise set on large and hostile files:
// a 1 MB document of ordinary elements, 1 MB of nesting far past the depth
// bound, a 1 MB tag name, and exercise files of 1,000 to 10,000 exercises
// (load time should grow linearly with the count).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

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

}  // namespace

BENCHMARK(BM_ParseFlatMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseDeepMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLongName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadExercises)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
