// Converters from open airport and navaid data into the simulator's three
// archives (airports, runways, navaids), written through podwriter.
//
// Two sources: the airport and navaid files of the flight-simulator data that
// Debian ships (apt.dat, nav.dat, gzip or plain), and the public-domain CSV
// files of the OurAirports project (navaids.csv, runways.csv, airports.csv).
// Each reader fills a NavData; finishNavData then applies what both need (the
// NDB variations, the keys) and writeNavArchives writes the archives. Parsing
// helpers are exposed so tests can check them one by one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "geo_units.h"  // latitudeArcSeconds, eastwardLongitudeArcSeconds
#include "pod_writer.h"

// Navaid type bits in the archive: the chart takes the value 1 as VOR and 8 as NDB.
enum NavaidTypeBits : uint32_t {
  kNavVor = pod::navaid::kVorBit,
  kNavDme = 2,
  kNavTacan = 4,
  kNavNdb = pod::navaid::kNdbBit,
};

struct NavData {
  std::vector<PodAirportIn> airports;
  std::vector<PodRunwayIn> runways;
  std::vector<PodNavaidIn> navaids;
  std::vector<bool> navaidHasVariation;  // parallel to navaids
  size_t variationsFilled = 0;           // set by finishNavData
  size_t skippedLines = 0;               // lines/records that could not be read
};

// Text: UTF-8 decoded to Latin-1 (letters outside Latin-1 folded to their base
// letter, anything else '?'); bytes that are not valid UTF-8 are taken as Latin-1.
std::string toLatin1(const std::string& text);

// Magnetic variation in the 0..360 form (356.7 for 3.3 west) made -180..180.
double normalizeVariation(double degrees);

// Type bits from a type word: VOR, VOR-DME, VORTAC (VOR bit); NDB, NDB-DME, LOM
// (NDB bit); DME and TACAN (neither). Unknown words give 0.
uint32_t navaidTypeFlags(const std::string& type);

// Splits one CSV record (quotes, "" inside quotes, commas inside quotes).
std::vector<std::string> splitCsvRecord(const std::string& record);
// Reads one CSV record from a stream; a quoted field may span lines. CR/LF
// line ends are dropped. False at the end of the stream.
bool readCsvRecord(std::FILE* in, std::string* record);

// Gives each airport and navaid a key, fills every NDB variation the source did
// not give from the nearest VOR that has one, and drops nothing else.
void finishNavData(NavData* data);

// Writes dir/AIRPORT.POD, dir/RUNWAY.POD, dir/NAVAID.POD. Empty lists still get
// an archive (an empty table). False with a message on the first failure.
bool writeNavArchives(const std::string& dir, const NavData& data, std::string* error);

// ---- Flight-simulator data (apt.dat, nav.dat; gzip or plain) ----
// nav.dat: rows 2 (NDB) and 3 (VOR); the VOR's slaved variation is taken from
// the seventh column. NDB rows carry none. The type word at the end of the name
// gives the bits and is removed from the stored name.
bool readNavDat(const std::string& path, NavData* data, std::string* error);
// apt.dat: land airports (row 1) that are not marked closed; the position is
// the mean of their land runway ends (row 100), else of helipads/water runways.
// Every land runway becomes a runway record.
bool readAptDat(const std::string& path, NavData* data, std::string* error);

// ---- OurAirports CSV ----
bool readOurAirportsNavaids(const std::string& path, NavData* data, std::string* error);
// Runways with both ends' positions. When airportsFromRunways is set, an
// airport is made for each airport_ident, at the mean of its runway ends.
bool readOurAirportsRunways(const std::string& path, bool airportsFromRunways, NavData* data,
                            std::string* error);
// large, medium and small airports (heliports, seaplane bases, closed left out).
bool readOurAirportsAirports(const std::string& path, NavData* data, std::string* error);
