#include "nav_database.h"

#include <cstdio>
#include <cstring>

#include "byte_reader.h"
#include "geo_units.h"
#include "pod_archive.h"
#include "pod_layout.h"
#include "simpath.h"

namespace {

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
  if (uint64_t(tableOffset) + pod::kTableHeaderSize > size) return false;
  int32_t recordCount = in.i32(uint64_t(tableOffset) + pod::kRecordCountAt);
  int32_t recordLength = in.i32(uint64_t(tableOffset) + pod::kRecordLengthAt);
  span->first = uint64_t(tableOffset) + pod::kTableHeaderSize;
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

// Every table is loaded alike: find the entry, open its table, and hand each record
// that lies wholly inside the file to `read`, which reads its fields at record offset
// r (the record count comes along, to reserve by).
template <typename Read>
bool loadTable(const char* archivePath, const char* entryName, uint64_t recordEnd, Read read) {
  uint32_t t = 0;
  std::FILE* f = openEntry(archivePath, entryName, &t);
  if (!f) return false;
  ByteReader in(f);
  TableSpan span;
  const bool ok = openTable(in, t, recordEnd, &span);
  if (ok) {
    for (uint64_t k = 0; k < span.count; ++k) read(in, span.first + k * span.length, span.count);
  }
  std::fclose(f);
  return ok;
}

void readText(ByteReader& in, uint64_t r, pod::Text field, char* out) { in.text(r + field.at, out, field.width); }

}  // namespace

NavDatabase::NavDatabase() : airportsLoaded(false), runwaysLoaded(false), navaidsLoaded(false) {
  std::snprintf(airportArchivePath, sizeof airportArchivePath, "%s", "SYSTEM\\AIRPORT.POD");
  std::snprintf(airportEntryName, sizeof airportEntryName, "%s", pod::airport::kEntry);
  std::snprintf(runwayArchivePath, sizeof runwayArchivePath, "%s", "SYSTEM\\RUNWAY.POD");
  std::snprintf(runwayEntryName, sizeof runwayEntryName, "%s", pod::runway::kEntry);
  std::snprintf(navaidArchivePath, sizeof navaidArchivePath, "%s", "SYSTEM\\NAVAID.POD");
  std::snprintf(navaidEntryName, sizeof navaidEntryName, "%s", pod::navaid::kEntry);
  airportsLoaded = false;
  loadAirports();
  runwaysLoaded = false;
  loadRunways();
  navaidsLoaded = false;
  loadNavaids();
}

NavDatabase::~NavDatabase() = default;

bool NavDatabase::loadAirports() {
  namespace L = pod::airport;
  airportsLoaded = false;
  airports.clear();
  airportsLoaded = loadTable(airportArchivePath, airportEntryName, L::kRecordEnd,
                             [&](ByteReader& in, uint64_t r, uint64_t count) {
                               if (airports.empty()) airports.reserve(count);
                               AirportRecord a;
                               readText(in, r, L::key, a.key);
                               readText(in, r, L::shortIdent, a.shortIdent);
                               readText(in, r, L::ident, a.ident);
                               readText(in, r, L::name, a.name);
                               a.latitude = chartYFromArcSeconds(in.f64(r + L::latitudeAt));
                               a.longitude = chartXFromArcSeconds(in.f64(r + L::longitudeAt));
                               airports.push_back(a);
                             });
  return airportsLoaded;
}

bool NavDatabase::loadRunways() {
  namespace L = pod::runway;
  runwaysLoaded = false;
  runways.clear();
  runwaysLoaded = loadTable(runwayArchivePath, runwayEntryName, L::kRecordEnd,
                            [&](ByteReader& in, uint64_t r, uint64_t count) {
                              if (runways.empty()) runways.reserve(count);
                              RunwayRecord w;
                              readText(in, r, L::key, w.key);
                              readText(in, r, L::key2, w.key2);
                              w.latitude1 = in.f64(r + L::latitude1At);
                              w.longitude1 = in.f64(r + L::longitude1At);
                              w.latitude2 = in.f64(r + L::latitude2At);
                              w.longitude2 = in.f64(r + L::longitude2At);
                              runways.push_back(w);
                            });
  return runwaysLoaded;
}

bool NavDatabase::loadNavaids() {
  namespace L = pod::navaid;
  navaidsLoaded = false;
  navaids.clear();
  vors.clear();
  ndbs.clear();
  navaidsLoaded = loadTable(navaidArchivePath, navaidEntryName, L::kRecordEnd,
                            [&](ByteReader& in, uint64_t r, uint64_t count) {
                              if (navaids.empty()) navaids.reserve(count);
                              NavaidRecord n;
                              readText(in, r, L::key, n.key);
                              readText(in, r, L::ident, n.ident);
                              readText(in, r, L::name, n.name);
                              n.variation = in.f64(r + L::variationAt);
                              n.typeFlags = in.u32(r + L::typeFlagsAt);
                              n.latitude = chartYFromArcSeconds(in.f64(r + L::latitudeAt));
                              n.longitude = chartXFromArcSeconds(in.f64(r + L::longitudeAt));
                              navaids.push_back(n);
                              if (n.typeFlags & L::kVorBit)
                                vors.push_back(n);
                              else if (n.typeFlags & L::kNdbBit)
                                ndbs.push_back(n);
                            });
  return navaidsLoaded;
}
