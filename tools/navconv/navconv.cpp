#include "navconv.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <unordered_map>

namespace {

// Base letters of U+0100..U+017F, for names outside Latin-1.
const char kLatinExtA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof(kLatinExtA) == 129, "one letter per code point U+0100..U+017F");

// Decodes UTF-8; false when the bytes are not valid UTF-8.
bool decodeUtf8(const std::string& s, std::vector<uint32_t>* out) {
  out->clear();
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    int len;
    uint32_t cp;
    if (c < 0x80) { len = 1; cp = c; }
    else if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > s.size()) return false;
    for (int k = 1; k < len; ++k) {
      const unsigned char d = s[i + k];
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF) return false;  // overlong or out of range
    out->push_back(cp);
    i += len;
  }
  return true;
}

char latin1For(uint32_t cp) {
  if (cp < 0x100) return static_cast<char>(cp);
  if (cp >= 0x100 && cp < 0x180) return kLatinExtA[cp - 0x100];
  switch (cp) {
    case 0x2018: case 0x2019: case 0x201B: case 0x2032: return '\'';
    case 0x201C: case 0x201D: return '"';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: return '-';
    case 0x0218: return 'S'; case 0x0219: return 's';  // comma-below forms
    case 0x021A: return 'T'; case 0x021B: return 't';
    default: return '?';
  }
}

std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

std::vector<std::string> splitBlanks(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

// A number that must be there; empty or trailing junk is not a number.
bool toNumber(const std::string& text, double* value) {
  const std::string t = trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(t.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

bool validPosition(double lat, double lon) {
  return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180;
}

// Lines of a gzip or plain file (zlib reads both), without CR/LF.
class LineReader {
 public:
  explicit LineReader(const std::string& path) : file_(gzopen(path.c_str(), "rb")) {}
  ~LineReader() { if (file_) gzclose(file_); }
  bool ok() const { return file_ != nullptr; }
  bool next(std::string* line) {
    line->clear();
    char buf[4096];
    bool any = false;
    while (gzgets(file_, buf, sizeof buf)) {
      any = true;
      line->append(buf);
      if (!line->empty() && line->back() == '\n') break;
    }
    while (!line->empty() && (line->back() == '\n' || line->back() == '\r')) line->pop_back();
    return any;
  }
  bool failed() {
    int err = Z_OK;
    gzerror(file_, &err);
    return err != Z_OK && err != Z_STREAM_END;
  }

 private:
  gzFile file_;
};

// Column positions by header name.
class CsvColumns {
 public:
  explicit CsvColumns(const std::vector<std::string>& header) {
    for (size_t i = 0; i < header.size(); ++i) index_[header[i]] = i;
  }
  bool has(const char* name) const { return index_.count(name) != 0; }
  std::string get(const std::vector<std::string>& row, const char* name) const {
    auto it = index_.find(name);
    return it == index_.end() || it->second >= row.size() ? std::string() : row[it->second];
  }

 private:
  std::map<std::string, size_t> index_;
};

struct CsvFile {
  explicit CsvFile(const std::string& path) : f(std::fopen(path.c_str(), "rb")) {}
  ~CsvFile() { if (f) std::fclose(f); }
  std::FILE* f;
};

bool openCsv(const std::string& path, const std::vector<const char*>& required, CsvFile* file,
             std::vector<std::string>* header, std::string* error) {
  if (!file->f) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string record;
  if (!readCsvRecord(file->f, &record)) {
    *error = path + ": empty file";
    return false;
  }
  *header = splitCsvRecord(record);
  if (!header->empty() && header->front().compare(0, 3, "\xEF\xBB\xBF") == 0) header->front().erase(0, 3);
  CsvColumns cols(*header);
  for (const char* name : required) {
    if (!cols.has(name)) {
      *error = path + ": no column \"" + name + "\"";
      return false;
    }
  }
  return true;
}

// Mean position of runway ends, per airport, kept in first-seen order.
struct PositionSums {
  std::vector<std::string> order;
  std::unordered_map<std::string, std::pair<double, double>> sum;  // lat, lon (degrees)
  std::unordered_map<std::string, int> count;
  void add(const std::string& id, double lat, double lon) {
    if (!count.count(id)) order.push_back(id);
    auto& s = sum[id];
    s.first += lat;
    s.second += lon;
    ++count[id];
  }
};

// mkdir -p: the output folder may be several levels deep.
void makeFolders(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

std::string toLatin1(const std::string& text) {
  std::vector<uint32_t> cps;
  if (!decodeUtf8(text, &cps)) return text;  // already Latin-1 (or close enough)
  std::string out;
  out.reserve(cps.size());
  for (uint32_t cp : cps) {
    if (cp >= 0x300 && cp < 0x370) continue;  // combining accents: keep the base letter
    out.push_back(latin1For(cp));
  }
  return out;
}

double normalizeVariation(double degrees) {
  double v = std::fmod(degrees, 360.0);
  if (v > 180.0) v -= 360.0;
  if (v < -180.0) v += 360.0;
  return v;
}

double latitudeSeconds(double degrees) { return degrees * 3600.0; }

double longitudeSeconds(double degrees) {
  return degrees < 0 ? 1296000.0 + degrees * 3600.0 : degrees * 3600.0;
}

uint32_t navaidTypeFlags(const std::string& type) {
  if (type == "VOR") return kNavVor;
  if (type == "VOR-DME" || type == "VOR/DME") return kNavVor | kNavDme;
  if (type == "VORTAC") return kNavVor | kNavDme | kNavTacan;
  if (type == "NDB" || type == "LOM") return kNavNdb;
  if (type == "NDB-DME" || type == "NDB/DME") return kNavNdb | kNavDme;
  if (type == "DME") return kNavDme;
  if (type == "TACAN") return kNavDme | kNavTacan;
  return 0;
}

std::vector<std::string> splitCsvRecord(const std::string& record) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < record.size() && record[i + 1] == '"') {
          field.push_back('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(field);
      field.clear();
    } else if (c != '\r') {
      field.push_back(c);
    }
  }
  fields.push_back(field);
  return fields;
}

bool readCsvRecord(std::FILE* in, std::string* record) {
  record->clear();
  bool quoted = false, any = false;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '"') quoted = !quoted;  // "" toggles twice: still right
    if (c == '\n' && !quoted) break;
    record->push_back(static_cast<char>(c));
  }
  while (!record->empty() && record->back() == '\r') record->pop_back();
  return any;
}

void finishNavData(NavData* data) {
  data->navaidHasVariation.resize(data->navaids.size(), false);
  for (size_t i = 0; i < data->airports.size(); ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "A%06zu", i + 1);
    data->airports[i].key = key;
  }
  // Unit vectors of the VORs whose variation the source gave.
  struct Ref { double x, y, z, variation; };
  std::vector<Ref> refs;
  auto unit = [](const PodNavaidIn& n, double* x, double* y, double* z) {
    const double lat = n.latitudeSeconds / 3600.0 * M_PI / 180.0;
    double lonDeg = n.longitudeSeconds / 3600.0;
    if (lonDeg > 180.0) lonDeg -= 360.0;
    const double lon = lonDeg * M_PI / 180.0;
    *x = std::cos(lat) * std::cos(lon);
    *y = std::cos(lat) * std::sin(lon);
    *z = std::sin(lat);
  };
  for (size_t i = 0; i < data->navaids.size(); ++i) {
    const PodNavaidIn& n = data->navaids[i];
    if ((n.typeFlags & kNavVor) && data->navaidHasVariation[i]) {
      Ref r;
      unit(n, &r.x, &r.y, &r.z);
      r.variation = n.variation;
      refs.push_back(r);
    }
  }
  data->variationsFilled = 0;
  for (size_t i = 0; i < data->navaids.size(); ++i) {
    PodNavaidIn& n = data->navaids[i];
    char key[32];
    std::snprintf(key, sizeof key, "N%06zu", i + 1);
    n.key = key;
    if (data->navaidHasVariation[i] || refs.empty()) continue;
    double x, y, z;
    unit(n, &x, &y, &z);
    double best = -2.0;
    for (const Ref& r : refs) {
      const double dot = x * r.x + y * r.y + z * r.z;  // largest dot = nearest
      if (dot > best) {
        best = dot;
        n.variation = r.variation;
      }
    }
    ++data->variationsFilled;
  }
}

bool writeNavArchives(const std::string& dir, const NavData& data, std::string* error) {
  makeFolders(dir);
  struct Job { const char* file; bool (*write)(const std::string&, const NavData&); } jobs[] = {
      {"AIRPORT.POD", [](const std::string& p, const NavData& d) { return writeAirportArchive(p, d.airports); }},
      {"RUNWAY.POD", [](const std::string& p, const NavData& d) { return writeRunwayArchive(p, d.runways); }},
      {"NAVAID.POD", [](const std::string& p, const NavData& d) { return writeNavaidArchive(p, d.navaids); }},
  };
  for (const Job& job : jobs) {
    // Written under a temporary name and renamed, so a run that stops half way
    // never leaves a truncated archive that looks complete.
    const std::string path = dir + "/" + job.file, tmp = path + ".part";
    if (!job.write(tmp, data)) {
      std::remove(tmp.c_str());
      *error = "cannot write " + path;
      return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
      *error = "cannot replace " + path + ": " + std::strerror(errno);
      std::remove(tmp.c_str());
      return false;
    }
  }
  return true;
}

// ---------------- nav.dat ----------------

bool readNavDat(const std::string& path, NavData* data, std::string* error) {
  LineReader in(path);
  if (!in.ok()) {
    *error = "cannot open " + path;
    return false;
  }
  std::string line;
  size_t rows = 0;
  while (in.next(&line)) {
    const std::vector<std::string> w = splitBlanks(line);
    if (w.empty()) continue;
    if (w[0] == "99") break;
    if (w[0] != "2" && w[0] != "3") continue;  // header lines, ILS, markers, DME
    ++rows;
    double lat, lon, var;
    if (w.size() < 9 || !toNumber(w[1], &lat) || !toNumber(w[2], &lon) || !toNumber(w[6], &var) ||
        !validPosition(lat, lon)) {
      ++data->skippedLines;
      continue;
    }
    std::string name;
    size_t last = w.size();
    uint32_t flags = navaidTypeFlags(w.back());
    if (flags != 0 && w.size() > 9) --last;  // the type word is not part of the name
    if (flags == 0) flags = w[0] == "3" ? kNavVor : kNavNdb;
    for (size_t k = 8; k < last; ++k) name += (k > 8 ? " " : "") + w[k];
    PodNavaidIn n{};
    n.ident = w[7];
    n.name = toLatin1(name);
    n.typeFlags = flags;
    n.latitudeSeconds = latitudeSeconds(lat);
    n.longitudeSeconds = longitudeSeconds(lon);
    const bool hasVariation = w[0] == "3";  // NDB rows hold 0.0, meaning none
    n.variation = hasVariation ? normalizeVariation(var) : 0.0;
    data->navaids.push_back(n);
    data->navaidHasVariation.push_back(hasVariation);
  }
  if (in.failed()) {
    *error = path + ": read error (damaged gzip file?)";
    return false;
  }
  if (rows == 0) {
    *error = path + ": no NDB or VOR rows";
    return false;
  }
  return true;
}

// ---------------- apt.dat ----------------

bool readAptDat(const std::string& path, NavData* data, std::string* error) {
  LineReader in(path);
  if (!in.ok()) {
    *error = "cannot open " + path;
    return false;
  }
  struct Current {
    bool active = false;
    std::string ident, name;
    double latSum = 0, lonSum = 0;
    int ends = 0;
    double otherLat = 0, otherLon = 0;  // helipads, water runways
    int others = 0;
  } cur;
  size_t headers = 0;
  auto flush = [&] {
    if (!cur.active) return;
    double lat, lon;
    if (cur.ends > 0) {
      lat = cur.latSum / cur.ends;
      lon = cur.lonSum / cur.ends;
    } else if (cur.others > 0) {
      lat = cur.otherLat / cur.others;
      lon = cur.otherLon / cur.others;
    } else {
      ++data->skippedLines;  // an airport with no position at all
      cur = Current();
      return;
    }
    PodAirportIn a{};
    a.ident = cur.ident;
    a.shortIdent = cur.ident.substr(0, 4);
    a.name = cur.name;
    a.latitudeSeconds = latitudeSeconds(lat);
    a.longitudeSeconds = longitudeSeconds(lon);
    data->airports.push_back(a);
    cur = Current();
  };
  std::string line;
  while (in.next(&line)) {
    const std::vector<std::string> w = splitBlanks(line);
    if (w.empty()) continue;
    const std::string& code = w[0];
    if (code == "99") break;
    if (code == "1" || code == "16" || code == "17") {
      flush();
      ++headers;
      if (code != "1" || w.size() < 5) continue;  // seaplane bases and heliports are left out
      std::string name;
      for (size_t k = 5; k < w.size(); ++k) name += (k > 5 ? " " : "") + w[k];
      if (name.compare(0, 3, "[X]") == 0) continue;  // closed
      if (name.compare(0, 3, "[H]") == 0 || name.compare(0, 3, "[S]") == 0) name = trim(name.substr(3));
      cur.active = true;
      cur.ident = w[4];
      cur.name = toLatin1(name);
      continue;
    }
    if (!cur.active) continue;
    double lat1, lon1, lat2, lon2;
    if (code == "100") {
      if (w.size() < 20 || !toNumber(w[9], &lat1) || !toNumber(w[10], &lon1) || !toNumber(w[18], &lat2) ||
          !toNumber(w[19], &lon2) || !validPosition(lat1, lon1) || !validPosition(lat2, lon2)) {
        ++data->skippedLines;
        continue;
      }
      PodRunwayIn r{};
      r.key = cur.ident;
      r.key2 = w[8] + "/" + w[17];
      r.latitude1 = latitudeSeconds(lat1);
      r.longitude1 = longitudeSeconds(lon1);
      r.latitude2 = latitudeSeconds(lat2);
      r.longitude2 = longitudeSeconds(lon2);
      data->runways.push_back(r);
      cur.latSum += lat1 + lat2;
      cur.lonSum += lon1 + lon2;
      cur.ends += 2;
    } else if (code == "101" && w.size() >= 9 && toNumber(w[4], &lat1) && toNumber(w[5], &lon1) &&
               toNumber(w[7], &lat2) && toNumber(w[8], &lon2)) {
      cur.otherLat += lat1 + lat2;
      cur.otherLon += lon1 + lon2;
      cur.others += 2;
    } else if (code == "102" && w.size() >= 4 && toNumber(w[2], &lat1) && toNumber(w[3], &lon1)) {
      cur.otherLat += lat1;
      cur.otherLon += lon1;
      cur.others += 1;
    }
  }
  flush();
  if (in.failed()) {
    *error = path + ": read error (damaged gzip file?)";
    return false;
  }
  if (headers == 0) {
    *error = path + ": no airport rows";
    return false;
  }
  return true;
}

// ---------------- OurAirports ----------------

bool readOurAirportsNavaids(const std::string& path, NavData* data, std::string* error) {
  CsvFile file(path);
  std::vector<std::string> header;
  if (!openCsv(path, {"ident", "name", "type", "latitude_deg", "longitude_deg", "magnetic_variation_deg"}, &file,
               &header, error))
    return false;
  CsvColumns cols(header);
  std::string record;
  while (readCsvRecord(file.f, &record)) {
    if (trim(record).empty()) continue;
    const std::vector<std::string> row = splitCsvRecord(record);
    const uint32_t flags = navaidTypeFlags(cols.get(row, "type"));
    double lat, lon;
    if (flags == 0 || !toNumber(cols.get(row, "latitude_deg"), &lat) ||
        !toNumber(cols.get(row, "longitude_deg"), &lon) || !validPosition(lat, lon)) {
      ++data->skippedLines;
      continue;
    }
    PodNavaidIn n{};
    n.ident = cols.get(row, "ident");
    n.name = toLatin1(cols.get(row, "name"));
    n.typeFlags = flags;
    n.latitudeSeconds = latitudeSeconds(lat);
    n.longitudeSeconds = longitudeSeconds(lon);
    // A VOR's radials follow the variation it was aligned to (slaved); other
    // stations only have the local magnetic variation.
    double var;
    bool has = ((flags & kNavVor) && toNumber(cols.get(row, "slaved_variation_deg"), &var)) ||
               toNumber(cols.get(row, "magnetic_variation_deg"), &var);
    n.variation = has ? normalizeVariation(var) : 0.0;
    data->navaids.push_back(n);
    data->navaidHasVariation.push_back(has);
  }
  return true;
}

bool readOurAirportsRunways(const std::string& path, bool airportsFromRunways, NavData* data,
                            std::string* error) {
  CsvFile file(path);
  std::vector<std::string> header;
  if (!openCsv(path,
               {"airport_ident", "le_ident", "le_latitude_deg", "le_longitude_deg", "he_ident", "he_latitude_deg",
                "he_longitude_deg"},
               &file, &header, error))
    return false;
  CsvColumns cols(header);
  PositionSums sums;
  std::string record;
  while (readCsvRecord(file.f, &record)) {
    if (trim(record).empty()) continue;
    const std::vector<std::string> row = splitCsvRecord(record);
    double lat1, lon1, lat2, lon2;
    if (cols.get(row, "closed") == "1" || !toNumber(cols.get(row, "le_latitude_deg"), &lat1) ||
        !toNumber(cols.get(row, "le_longitude_deg"), &lon1) || !toNumber(cols.get(row, "he_latitude_deg"), &lat2) ||
        !toNumber(cols.get(row, "he_longitude_deg"), &lon2) || !validPosition(lat1, lon1) ||
        !validPosition(lat2, lon2)) {
      ++data->skippedLines;  // most rows give no end positions
      continue;
    }
    const std::string airport = cols.get(row, "airport_ident");
    PodRunwayIn r{};
    r.key = airport;
    r.key2 = cols.get(row, "le_ident") + "/" + cols.get(row, "he_ident");
    r.latitude1 = latitudeSeconds(lat1);
    r.longitude1 = longitudeSeconds(lon1);
    r.latitude2 = latitudeSeconds(lat2);
    r.longitude2 = longitudeSeconds(lon2);
    data->runways.push_back(r);
    if (airportsFromRunways && !airport.empty()) {
      sums.add(airport, lat1, lon1);
      sums.add(airport, lat2, lon2);
    }
  }
  for (const std::string& id : sums.order) {
    const auto& s = sums.sum[id];
    const int n = sums.count[id];
    PodAirportIn a{};
    a.ident = id;
    a.shortIdent = id.substr(0, 4);
    a.name = id;  // the runway file names no airport
    a.latitudeSeconds = latitudeSeconds(s.first / n);
    a.longitudeSeconds = longitudeSeconds(s.second / n);
    data->airports.push_back(a);
  }
  return true;
}

bool readOurAirportsAirports(const std::string& path, NavData* data, std::string* error) {
  CsvFile file(path);
  std::vector<std::string> header;
  if (!openCsv(path, {"ident", "type", "name", "latitude_deg", "longitude_deg"}, &file, &header, error))
    return false;
  CsvColumns cols(header);
  std::string record;
  while (readCsvRecord(file.f, &record)) {
    if (trim(record).empty()) continue;
    const std::vector<std::string> row = splitCsvRecord(record);
    const std::string type = cols.get(row, "type");
    if (type != "large_airport" && type != "medium_airport" && type != "small_airport") continue;
    double lat, lon;
    if (!toNumber(cols.get(row, "latitude_deg"), &lat) || !toNumber(cols.get(row, "longitude_deg"), &lon) ||
        !validPosition(lat, lon)) {
      ++data->skippedLines;
      continue;
    }
    PodAirportIn a{};
    a.ident = cols.get(row, "ident");
    const std::string iata = cols.get(row, "iata_code");
    a.shortIdent = iata.empty() ? a.ident.substr(0, 4) : iata;
    a.name = toLatin1(cols.get(row, "name"));
    a.latitudeSeconds = latitudeSeconds(lat);
    a.longitudeSeconds = longitudeSeconds(lon);
    data->airports.push_back(a);
  }
  return true;
}
