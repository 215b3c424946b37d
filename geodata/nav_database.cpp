#include "nav_database.h"

#include <cstdio>
#include <cstring>

#include "byte_reader.h"
#include "geo_units.h"
#include "pod_archive.h"
#include "simpath.h"

namespace {

constexpr uint64_t kTableHeader = 56;

// Where a table's records are and how many of them lie wholly inside the file. The
// header's numbers are not trusted: a negative count gives no records, and so does a
// length too short to hold the fields read (`fieldsEnd`, the end of the last one),
// since such records would take their fields from their neighbours; the count is cut
// to what the file can hold, so reading is bounded by the file, never by the header,
// and the count is safe to reserve the lists by.
struct TableSpan {
  uint64_t first;
  uint64_t length;
  uint64_t count;
};

bool openTable(ByteReader& in, uint32_t tableOffset, uint64_t fieldsEnd, TableSpan* span) {
  uint64_t size = in.size();
  if (uint64_t(tableOffset) + kTableHeader > size) return false;
  int32_t recordCount = in.i32(uint64_t(tableOffset) + 16);
  int32_t recordLength = in.i32(uint64_t(tableOffset) + 20);
  span->first = uint64_t(tableOffset) + kTableHeader;
  span->length = recordLength > 0 ? uint64_t(recordLength) : 0;
  span->count = 0;
  if (recordCount <= 0 || span->length < fieldsEnd) return true;
  uint64_t fit = (size - span->first) / span->length;
  span->count = uint64_t(recordCount) < fit ? uint64_t(recordCount) : fit;
  return true;
}

// Looks the entry up, then opens the archive again for the records. Null when the
// archive is missing or the entry is absent.
std::FILE* openEntry(const char* archivePath, const char* entryName, uint32_t* tableOffset) {
  uint32_t t;
  {
    PodArchive archive(archivePath);
    t = archive.findEntry(entryName);
  }
  if (t == 0) return nullptr;
  *tableOffset = t;
  return simpath::open(archivePath, "rb");
}

}  // namespace

NavDatabase::NavDatabase() : airportsLoaded(false), runwaysLoaded(false), navaidsLoaded(false) {
  std::snprintf(airportArchivePath, sizeof airportArchivePath, "%s", "SYSTEM\\AIRPORT.POD");
  std::snprintf(airportEntryName, sizeof airportEntryName, "%s", "DATABASE\\AIRPORT.DBD");
  std::snprintf(runwayArchivePath, sizeof runwayArchivePath, "%s", "SYSTEM\\RUNWAY.POD");
  std::snprintf(runwayEntryName, sizeof runwayEntryName, "%s", "DATABASE\\RUNWAY.DBD");
  std::snprintf(navaidArchivePath, sizeof navaidArchivePath, "%s", "SYSTEM\\NAVAID.POD");
  std::snprintf(navaidEntryName, sizeof navaidEntryName, "%s", "DATABASE\\NAVAID.DBD");
  airportsLoaded = false;
  loadAirports();
  runwaysLoaded = false;
  loadRunways();
  navaidsLoaded = false;
  loadNavaids();
}

NavDatabase::~NavDatabase() = default;

bool NavDatabase::loadAirports() {
  airportsLoaded = false;
  airports.clear();
  uint32_t t = 0;
  std::FILE* f = openEntry(airportArchivePath, airportEntryName, &t);
  if (!f) return false;
  ByteReader in(f);
  TableSpan span;
  if (!openTable(in, t, 109, &span)) {
    std::fclose(f);
    return false;
  }
  airports.reserve(span.count);
  for (uint64_t k = 0; k < span.count; ++k) {
    uint64_t r = span.first + k * span.length;
    AirportRecord a;
    in.text(r + 4, a.key, 10);
    in.text(r + 14, a.shortIdent, 4);
    in.text(r + 18, a.ident, 5);
    in.text(r + 23, a.name, 40);
    a.latitude = chartYFromArcSeconds(in.f64(r + 93));
    a.longitude = chartXFromArcSeconds(in.f64(r + 101));
    airports.push_back(a);
  }
  std::fclose(f);
  airportsLoaded = true;
  return true;
}

bool NavDatabase::loadRunways() {
  runwaysLoaded = false;
  runways.clear();
  uint32_t t = 0;
  std::FILE* f = openEntry(runwayArchivePath, runwayEntryName, &t);
  if (!f) return false;
  ByteReader in(f);
  TableSpan span;
  if (!openTable(in, t, 175, &span)) {
    std::fclose(f);
    return false;
  }
  runways.reserve(span.count);
  for (uint64_t k = 0; k < span.count; ++k) {
    uint64_t r = span.first + k * span.length;
    RunwayRecord w;
    in.text(r + 4, w.key, 10);
    in.text(r + 14, w.key2, 10);
    w.latitude1 = in.f64(r + 63);
    w.longitude1 = in.f64(r + 71);
    w.latitude2 = in.f64(r + 159);
    w.longitude2 = in.f64(r + 167);
    runways.push_back(w);
  }
  std::fclose(f);
  runwaysLoaded = true;
  return true;
}

bool NavDatabase::loadNavaids() {
  navaidsLoaded = false;
  navaids.clear();
  vors.clear();
  ndbs.clear();
  uint32_t t = 0;
  std::FILE* f = openEntry(navaidArchivePath, navaidEntryName, &t);
  if (!f) return false;
  ByteReader in(f);
  TableSpan span;
  if (!openTable(in, t, 117, &span)) {
    std::fclose(f);
    return false;
  }
  navaids.reserve(span.count);
  for (uint64_t k = 0; k < span.count; ++k) {
    uint64_t r = span.first + k * span.length;
    NavaidRecord n;
    in.text(r + 4, n.key, 10);
    in.text(r + 14, n.ident, 5);
    in.text(r + 19, n.name, 40);
    n.variation = in.f64(r + 67);
    n.typeFlags = in.u32(r + 89);
    n.latitude = chartYFromArcSeconds(in.f64(r + 101));
    n.longitude = chartXFromArcSeconds(in.f64(r + 109));
    navaids.push_back(n);
    if (n.typeFlags & 1)
      vors.push_back(n);
    else if (n.typeFlags & 8)
      ndbs.push_back(n);
  }
  std::fclose(f);
  navaidsLoaded = true;
  return true;
}
