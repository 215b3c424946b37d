// The airport and navaid files of the simulator data Debian ships (apt.dat, nav.dat).
#include <zlib.h>

#include "navconv.h"
#include "navconv_parse.h"

using namespace navconv_detail;

namespace {

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

}  // namespace

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
    n.latitudeSeconds = latitudeArcSeconds(lat);
    n.longitudeSeconds = eastwardLongitudeArcSeconds(lon);
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
    a.latitudeSeconds = latitudeArcSeconds(lat);
    a.longitudeSeconds = eastwardLongitudeArcSeconds(lon);
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
      r.latitude1 = latitudeArcSeconds(lat1);
      r.longitude1 = eastwardLongitudeArcSeconds(lon1);
      r.latitude2 = latitudeArcSeconds(lat2);
      r.longitude2 = eastwardLongitudeArcSeconds(lon2);
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
