// Writer of POD archives holding DBD tables: the mirror of the readers.
//
// It writes exactly the header words, directory, name table, table header and record
// fields the readers read, every other byte zero. Tests, podtool, the data converters
// and fuzz seeds build their archives with it. Besides the three table writers it
// offers the pieces they are made of, so malformed files (lying counts, offsets past
// the end, truncation) can be built byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pod_layout.h"

struct PodAirportIn {
  std::string key, shortIdent, ident, name;
  double latitudeSeconds, longitudeSeconds;
};

struct PodRunwayIn {
  std::string key, key2;
  double latitude1, longitude1, latitude2, longitude2;  // arc-seconds, longitude eastward 0..1296000
};

struct PodNavaidIn {
  std::string key, ident, name;
  double variation;
  uint32_t typeFlags;
  double latitudeSeconds, longitudeSeconds;
};

// Each writes one archive holding one table under its usual entry name
// ("DATABASE\AIRPORT.DBD", "DATABASE\RUNWAY.DBD", "DATABASE\NAVAID.DBD").
// Text fields longer than their width are cut. False when the file cannot be written.
bool writeAirportArchive(const std::string& path, const std::vector<PodAirportIn>& airports);
bool writeRunwayArchive(const std::string& path, const std::vector<PodRunwayIn>& runways);
bool writeNavaidArchive(const std::string& path, const std::vector<PodNavaidIn>& navaids);

namespace podwriter {

// Record lengths the table writers use: just enough to hold the last field read.
constexpr int32_t kAirportRecordLength = pod::airport::kRecordEnd;
constexpr int32_t kRunwayRecordLength = pod::runway::kRecordEnd;
constexpr int32_t kNavaidRecordLength = pod::navaid::kRecordEnd;
constexpr size_t kTableHeaderSize = pod::kTableHeaderSize;
constexpr size_t kArchiveHeaderSize = pod::kArchiveHeaderSize;

// One record's bytes (all unread bytes zero).
std::string airportRecord(const PodAirportIn& a);
std::string runwayRecord(const PodRunwayIn& r);
std::string navaidRecord(const PodNavaidIn& n);

// A DBD table: the 56-byte header with the given count and length, then `records`
// as given (which need not agree with the header).
std::string dbdTable(int32_t recordCount, int32_t recordLength, const std::string& records);

struct Entry {
  std::string name;  // kept byte for byte, backslashes included
  std::string data;
};

// An archive of arbitrary entries: header, directory right after it, name table,
// then each entry's data in order. Data offsets point at each entry's data.
std::string archive(const std::vector<Entry>& entries);

// Byte patches for malformed fixtures; they grow the buffer with zeros when needed.
void putU32(std::string& bytes, size_t offset, uint32_t value);
void putI32(std::string& bytes, size_t offset, int32_t value);
void putF64(std::string& bytes, size_t offset, double value);
// Writes `text` cut (or NUL-padded) to exactly `width` bytes.
void putText(std::string& bytes, size_t offset, const std::string& text, size_t width);

// Whole-file write through the simulator path helper.
bool writeFile(const std::string& path, const std::string& bytes);

}  // namespace podwriter
