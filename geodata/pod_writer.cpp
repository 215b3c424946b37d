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

namespace {
void putField(std::string& r, pod::Text field, const std::string& text) { putText(r, field.at, text, field.width); }
}  // namespace

std::string airportRecord(const PodAirportIn& a) {
  namespace L = pod::airport;
  std::string r(kAirportRecordLength, '\0');
  putField(r, L::key, a.key);
  putField(r, L::shortIdent, a.shortIdent);
  putField(r, L::ident, a.ident);
  putField(r, L::name, a.name);
  putF64(r, L::latitudeAt, a.latitudeSeconds);
  putF64(r, L::longitudeAt, a.longitudeSeconds);
  return r;
}

std::string runwayRecord(const PodRunwayIn& w) {
  namespace L = pod::runway;
  std::string r(kRunwayRecordLength, '\0');
  putField(r, L::key, w.key);
  putField(r, L::key2, w.key2);
  putF64(r, L::latitude1At, w.latitude1);
  putF64(r, L::longitude1At, w.longitude1);
  putF64(r, L::latitude2At, w.latitude2);
  putF64(r, L::longitude2At, w.longitude2);
  return r;
}

std::string navaidRecord(const PodNavaidIn& n) {
  namespace L = pod::navaid;
  std::string r(kNavaidRecordLength, '\0');
  putField(r, L::key, n.key);
  putField(r, L::ident, n.ident);
  putField(r, L::name, n.name);
  putF64(r, L::variationAt, n.variation);
  putU32(r, L::typeFlagsAt, n.typeFlags);
  putF64(r, L::latitudeAt, n.latitudeSeconds);
  putF64(r, L::longitudeAt, n.longitudeSeconds);
  return r;
}

std::string dbdTable(int32_t recordCount, int32_t recordLength, const std::string& records) {
  std::string t(kTableHeaderSize, '\0');
  putI32(t, pod::kRecordCountAt, recordCount);
  putI32(t, pod::kRecordLengthAt, recordLength);
  t += records;
  return t;
}

std::string archive(const std::vector<Entry>& entries) {
  const size_t directory = kArchiveHeaderSize;
  const size_t nameTable = directory + pod::kDirectoryEntrySize * entries.size();
  std::string names;
  std::vector<size_t> nameOffsets;
  for (const Entry& e : entries) {
    nameOffsets.push_back(names.size());
    names += e.name;
    names += '\0';
  }
  std::string a(nameTable, '\0');
  putU32(a, pod::kEntryCountAt, static_cast<uint32_t>(entries.size()));
  putU32(a, pod::kDirectoryOffsetAt, static_cast<uint32_t>(directory));
  a += names;
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t entry = directory + pod::kDirectoryEntrySize * i;
    putU32(a, entry + pod::kEntryNameOffsetAt, static_cast<uint32_t>(nameOffsets[i]));
    putU32(a, entry + pod::kEntryDataOffsetAt, static_cast<uint32_t>(a.size()));
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
  return writeTableArchive(path, pod::airport::kEntry, podwriter::kAirportRecordLength, airports,
                           podwriter::airportRecord);
}

bool writeRunwayArchive(const std::string& path, const std::vector<PodRunwayIn>& runways) {
  return writeTableArchive(path, pod::runway::kEntry, podwriter::kRunwayRecordLength, runways,
                           podwriter::runwayRecord);
}

bool writeNavaidArchive(const std::string& path, const std::vector<PodNavaidIn>& navaids) {
  return writeTableArchive(path, pod::navaid::kEntry, podwriter::kNavaidRecordLength, navaids,
                           podwriter::navaidRecord);
}
