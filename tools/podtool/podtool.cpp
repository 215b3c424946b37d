// podtool: builds the simulator's airport, runway and navaid archives from CSV.
//
//   podtool airports IN.csv OUT.POD   key,shortIdent,ident,name,latitudeSeconds,longitudeSeconds
//   podtool runways  IN.csv OUT.POD   key,key2,latitude1,longitude1,latitude2,longitude2
//   podtool navaids  IN.csv OUT.POD   key,ident,name,variation,typeFlags,latitudeSeconds,longitudeSeconds
//
// One record a line; blank lines and lines starting with '#' are skipped; fields hold
// no commas, so there is no quoting. Positions are arc-seconds, latitude -324000..324000,
// longitude eastward 0..1296000. A bad line stops the tool with its line number and
// exit status 2 before anything is written; 1 means the files could not be read or
// written.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pod_writer.h"
#include "simpath.h"

namespace {

std::vector<std::string> splitCommas(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t comma = line.find(',', start);
    if (comma == std::string::npos) {
      out.push_back(line.substr(start));
      return out;
    }
    out.push_back(line.substr(start, comma - start));
    start = comma + 1;
  }
}

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool parseNumber(const std::string& field, double* out) {
  std::string t = trimmed(field);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(t.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool parseFlags(const std::string& field, uint32_t* out) {
  std::string t = trimmed(field);
  if (t.empty() || t[0] == '-' || t[0] == '+') return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(t.c_str(), &end, 0);
  if (*end != '\0' || errno == ERANGE || v > 0xffffffffull) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}


// Parses one record's numbers; on failure fills `why`.
bool latitude(const std::string& f, const char* name, double* v, std::string* why) {
  if (!parseNumber(f, v)) {
    *why = std::string(name) + " is not a number: \"" + f + "\"";
    return false;
  }
  if (*v < -324000 || *v > 324000) {
    *why = std::string(name) + " is outside -324000..324000 arc-seconds";
    return false;
  }
  return true;
}

bool longitude(const std::string& f, const char* name, double* v, std::string* why) {
  if (!parseNumber(f, v)) {
    *why = std::string(name) + " is not a number: \"" + f + "\"";
    return false;
  }
  if (*v < 0 || *v > 1296000) {
    *why = std::string(name) + " is outside 0..1296000 arc-seconds (eastward)";
    return false;
  }
  return true;
}

bool parseAirport(const std::vector<std::string>& f, PodAirportIn* a, std::string* why) {
  a->key = f[0];
  a->shortIdent = f[1];
  a->ident = f[2];
  a->name = f[3];
  return latitude(f[4], "latitudeSeconds", &a->latitudeSeconds, why) &&
         longitude(f[5], "longitudeSeconds", &a->longitudeSeconds, why);
}

bool parseRunway(const std::vector<std::string>& f, PodRunwayIn* r, std::string* why) {
  r->key = f[0];
  r->key2 = f[1];
  return latitude(f[2], "latitude1", &r->latitude1, why) &&
         longitude(f[3], "longitude1", &r->longitude1, why) &&
         latitude(f[4], "latitude2", &r->latitude2, why) &&
         longitude(f[5], "longitude2", &r->longitude2, why);
}

bool parseNavaid(const std::vector<std::string>& f, PodNavaidIn* n, std::string* why) {
  n->key = f[0];
  n->ident = f[1];
  n->name = f[2];
  if (!parseNumber(f[3], &n->variation)) {
    *why = "variation is not a number: \"" + f[3] + "\"";
    return false;
  }
  if (!parseFlags(f[4], &n->typeFlags)) {
    *why = "typeFlags is not an unsigned 32-bit integer: \"" + f[4] + "\"";
    return false;
  }
  return latitude(f[5], "latitudeSeconds", &n->latitudeSeconds, why) &&
         longitude(f[6], "longitudeSeconds", &n->longitudeSeconds, why);
}

int usage() {
  std::fputs(
      "usage: podtool airports|runways|navaids IN.csv OUT.POD\n"
      "  airports: key,shortIdent,ident,name,latitudeSeconds,longitudeSeconds\n"
      "  runways:  key,key2,latitude1,longitude1,latitude2,longitude2\n"
      "  navaids:  key,ident,name,variation,typeFlags,latitudeSeconds,longitudeSeconds\n",
      stderr);
  return 2;
}

template <typename T, typename Parse>
int convert(const char* inPath, size_t columns, Parse parse, std::vector<T>* out) {
  std::FILE* in = simpath::open(inPath, "r");
  if (!in) {
    std::fprintf(stderr, "podtool: cannot read %s: %s\n", inPath, std::strerror(errno));
    return 1;
  }
  std::string line;
  long lineNo = 0;
  int c;
  bool more = true;
  while (more) {
    line.clear();
    while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF) {
      more = false;
      if (line.empty()) break;
    }
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields = splitCommas(line);
    std::string why;
    if (fields.size() != columns) {
      why = "expected " + std::to_string(columns) + " comma-separated fields, found " +
            std::to_string(fields.size());
    } else {
      T item{};
      if (parse(fields, &item, &why)) {
        out->push_back(std::move(item));
        continue;
      }
    }
    std::fprintf(stderr, "podtool: %s:%ld: %s\n", inPath, lineNo, why.c_str());
    std::fclose(in);
    return 2;
  }
  bool readError = std::ferror(in) != 0;
  std::fclose(in);
  if (readError) {
    std::fprintf(stderr, "podtool: error reading %s\n", inPath);
    return 1;
  }
  return 0;
}

int report(bool ok, const char* outPath, size_t count, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "podtool: cannot write %s\n", outPath);
    return 1;
  }
  std::printf("%s: %zu %s\n", outPath, count, what);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return usage();
  std::string kind = argv[1];
  const char* in = argv[2];
  const char* out = argv[3];
  if (kind == "airports") {
    std::vector<PodAirportIn> items;
    int rc = convert(in, 6, parseAirport, &items);
    if (rc != 0) return rc;
    return report(writeAirportArchive(out, items), out, items.size(), "airports");
  }
  if (kind == "runways") {
    std::vector<PodRunwayIn> items;
    int rc = convert(in, 6, parseRunway, &items);
    if (rc != 0) return rc;
    return report(writeRunwayArchive(out, items), out, items.size(), "runways");
  }
  if (kind == "navaids") {
    std::vector<PodNavaidIn> items;
    int rc = convert(in, 7, parseNavaid, &items);
    if (rc != 0) return rc;
    return report(writeNavaidArchive(out, items), out, items.size(), "navaids");
  }
  return usage();
}
