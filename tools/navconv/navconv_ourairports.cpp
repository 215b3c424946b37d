// The OurAirports CSV files (navaids.csv, runways.csv, airports.csv).
#include "navconv.h"
#include "navconv_parse.h"

using namespace navconv_detail;

// ---------------- OurAirports ----------------

bool readOurAirportsNavaids(const std::string& path, NavData* data, std::string* error) {
  const std::vector<const char*> required = {"ident", "name", "type", "latitude_deg", "longitude_deg",
                                             "magnetic_variation_deg"};
  return forEachCsvRow(path, required, error, [data](const CsvColumns& cols, const std::vector<std::string>& row) {
    const uint32_t flags = navaidTypeFlags(cols.get(row, "type"));
    double lat, lon;
    if (flags == 0 || !toNumber(cols.get(row, "latitude_deg"), &lat) ||
        !toNumber(cols.get(row, "longitude_deg"), &lon) || !validPosition(lat, lon)) {
      ++data->skippedLines;
      return;
    }
    PodNavaidIn n{};
    n.ident = cols.get(row, "ident");
    n.name = toLatin1(cols.get(row, "name"));
    n.typeFlags = flags;
    n.latitudeSeconds = latitudeArcSeconds(lat);
    n.longitudeSeconds = eastwardLongitudeArcSeconds(lon);
    // A VOR's radials follow the variation it was aligned to (slaved); other
    // stations only have the local magnetic variation.
    double var;
    bool has = ((flags & kNavVor) && toNumber(cols.get(row, "slaved_variation_deg"), &var)) ||
               toNumber(cols.get(row, "magnetic_variation_deg"), &var);
    n.variation = has ? normalizeVariation(var) : 0.0;
    data->navaids.push_back(n);
    data->navaidHasVariation.push_back(has);
  });
}

bool readOurAirportsRunways(const std::string& path, bool airportsFromRunways, NavData* data,
                            std::string* error) {
  const std::vector<const char*> required = {"airport_ident",   "le_ident",        "le_latitude_deg",
                                             "le_longitude_deg", "he_ident",        "he_latitude_deg",
                                             "he_longitude_deg"};
  PositionSums sums;
  const bool read = forEachCsvRow(path, required, error, [&](const CsvColumns& cols, const std::vector<std::string>& row) {
    double lat1, lon1, lat2, lon2;
    if (cols.get(row, "closed") == "1" || !toNumber(cols.get(row, "le_latitude_deg"), &lat1) ||
        !toNumber(cols.get(row, "le_longitude_deg"), &lon1) || !toNumber(cols.get(row, "he_latitude_deg"), &lat2) ||
        !toNumber(cols.get(row, "he_longitude_deg"), &lon2) || !validPosition(lat1, lon1) ||
        !validPosition(lat2, lon2)) {
      ++data->skippedLines;  // most rows give no end positions
      return;
    }
    const std::string airport = cols.get(row, "airport_ident");
    PodRunwayIn r{};
    r.key = airport;
    r.key2 = cols.get(row, "le_ident") + "/" + cols.get(row, "he_ident");
    r.latitude1 = latitudeArcSeconds(lat1);
    r.longitude1 = eastwardLongitudeArcSeconds(lon1);
    r.latitude2 = latitudeArcSeconds(lat2);
    r.longitude2 = eastwardLongitudeArcSeconds(lon2);
    data->runways.push_back(r);
    if (airportsFromRunways && !airport.empty()) {
      sums.add(airport, lat1, lon1);
      sums.add(airport, lat2, lon2);
    }
  });
  if (!read) return false;
  for (const std::string& id : sums.order) {
    const auto& s = sums.sum[id];
    const int n = sums.count[id];
    PodAirportIn a{};
    a.ident = id;
    a.shortIdent = id.substr(0, 4);
    a.name = id;  // the runway file names no airport
    a.latitudeSeconds = latitudeArcSeconds(s.first / n);
    a.longitudeSeconds = eastwardLongitudeArcSeconds(s.second / n);
    data->airports.push_back(a);
  }
  return true;
}

bool readOurAirportsAirports(const std::string& path, NavData* data, std::string* error) {
  const std::vector<const char*> required = {"ident", "type", "name", "latitude_deg", "longitude_deg"};
  return forEachCsvRow(path, required, error, [data](const CsvColumns& cols, const std::vector<std::string>& row) {
    const std::string type = cols.get(row, "type");
    if (type != "large_airport" && type != "medium_airport" && type != "small_airport") return;
    double lat, lon;
    if (!toNumber(cols.get(row, "latitude_deg"), &lat) || !toNumber(cols.get(row, "longitude_deg"), &lon) ||
        !validPosition(lat, lon)) {
      ++data->skippedLines;
      return;
    }
    PodAirportIn a{};
    a.ident = cols.get(row, "ident");
    const std::string iata = cols.get(row, "iata_code");
    a.shortIdent = iata.empty() ? a.ident.substr(0, 4) : iata;
    a.name = toLatin1(cols.get(row, "name"));
    a.latitudeSeconds = latitudeArcSeconds(lat);
    a.longitudeSeconds = eastwardLongitudeArcSeconds(lon);
    data->airports.push_back(a);
  });
}
