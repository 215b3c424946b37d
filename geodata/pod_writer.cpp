#include "pod_writer.h"

#include <cstdio>
#include <cstring>

#include "simpath.h"

namespace podwriter {

namespace {
void grow(std::string& bytes, size_t end) {
  if (bytes.size() < end) bytes.resize(end, '\0');
}
}  // namespace

void putU32(std::string& bytes, size_t offset, uint32_t value) {
  grow(bytes, offset + 4);
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void putI32(std::string& bytes, size_t offset, int32_t value) {
  putU32(bytes, offset, static_cast<uint32_t>(value));
}

void putF64(std::string& bytes, size_t offset, double value) {
  uint64_t v;
  std::memcpy(&v, &value, sizeof v);
  grow(bytes, offset + 8);
  for (int i = 0; i < 8; ++i) bytes[offset + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

void putText(std::string& bytes, size_t offset, const std::string& text, size_t width) {
  grow(bytes, offset + width);
  size_t n = text.size() < width ? text.size() : width;
  std::memcpy(&bytes[offset], text.data(), n);
  std::memset(&bytes[offset + n], 0, width - n);
}

std::string airportRecord(const PodAirportIn& a) {
  std::string r(kAirportRecordLength, '\0');
  putText(r, 4, a.key, 10);
  putText(r, 14, a.shortIdent, 4);
  putText(r, 18, a.ident, 5);
  putText(r, 23, a.name, 40);
  putF64(r, 93, a.latitudeSeconds);
  putF64(r, 101, a.longitudeSeconds);
  return r;
}

std::string runwayRecord(const PodRunwayIn& w) {
  std::string r(kRunwayRecordLength, '\0');
  putText(r, 4, w.key, 10);
  putText(r, 14, w.key2, 10);
  putF64(r, 63, w.latitude1);
  putF64(r, 71, w.longitude1);
  putF64(r, 159, w.latitude2);
  putF64(r, 167, w.longitude2);
  return r;
}

std::string navaidRecord(const PodNavaidIn& n) {
  std::string r(kNavaidRecordLength, '\0');
  putText(r, 4, n.key, 10);
  putText(r, 14, n.ident, 5);
  putText(r, 19, n.name, 40);
  putF64(r, 67, n.variation);
  putU32(r, 89, n.typeFlags);
  putF64(r, 101, n.latitudeSeconds);
  putF64(r, 109, n.longitudeSeconds);
  return r;
}

std::string dbdTable(int32_t recordCount, int32_t recordLength, const std::string& records) {
  std::string t(kTableHeaderSize, '\0');
  putI32(t, 16, recordCount);
  putI32(t, 20, recordLength);
  t += records;
  return t;
}

std::string archive(const std::vector<Entry>& entries) {
  const size_t directory = kArchiveHeaderSize;
  const size_t nameTable = directory + 20 * entries.size();
  std::string names;
  std::vector<size_t> nameOffsets;
  for (const Entry& e : entries) {
    nameOffsets.push_back(names.size());
    names += e.name;
    names += '\0';
  }
  std::string a(nameTable, '\0');
  putU32(a, 88, static_cast<uint32_t>(entries.size()));
  putU32(a, 264, static_cast<uint32_t>(directory));
  a += names;
  for (size_t i = 0; i < entries.size(); ++i) {
    putU32(a, directory + 20 * i, static_cast<uint32_t>(nameOffsets[i]));
    putU32(a, directory + 20 * i + 8, static_cast<uint32_t>(a.size()));
    a += entries[i].data;
  }
  return a;
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = simpath::open(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

}  // namespace podwriter

namespace {

template <typename T, typename RecordFn>
bool writeTableArchive(const std::string& path, const char* entryName, int32_t recordLength,
                       const std::vector<T>& items, RecordFn record) {
  std::string records;
  records.reserve(items.size() * size_t(recordLength));
  for (const T& item : items) records += record(item);
  std::string table = podwriter::dbdTable(static_cast<int32_t>(items.size()), recordLength, records);
  return podwriter::writeFile(path, podwriter::archive({{entryName, std::move(table)}}));
}

}  // namespace

bool writeAirportArchive(const std::string& path, const std::vector<PodAirportIn>& airports) {
  return writeTableArchive(path, "DATABASE\\AIRPORT.DBD", podwriter::kAirportRecordLength, airports,
                           podwriter::airportRecord);
}

bool writeRunwayArchive(const std::string& path, const std::vector<PodRunwayIn>& runways) {
  return writeTableArchive(path, "DATABASE\\RUNWAY.DBD", podwriter::kRunwayRecordLength, runways,
                           podwriter::runwayRecord);
}

bool writeNavaidArchive(const std::string& path, const std::vector<PodNavaidIn>& navaids) {
  return writeTableArchive(path, "DATABASE\\NAVAID.DBD", podwriter::kNavaidRecordLength, navaids,
                           podwriter::navaidRecord);
}
