#include "pod_archive.h"

#include <cstdio>
#include <cstring>

#include "byte_reader.h"
#include "pod_layout.h"
#include "simpath.h"

PodArchive::PodArchive(const char* p) : entryCount(0), directoryOffset(0) {
  path[0] = '\0';
  // A path that does not fit is not cut: a shortened path could name another file.
  if (!p || std::strlen(p) >= sizeof path) return;
  std::memcpy(path, p, std::strlen(p) + 1);
  std::FILE* f = simpath::open(path, "rb");
  if (!f) return;
  ByteReader in(f);

  uint32_t declaredCount = in.u32(pod::kEntryCountAt);
  directoryOffset = in.u32(pod::kDirectoryOffsetAt);

  // Hold only the entries whose 20 directory bytes lie inside the file; a damaged
  // count must not turn into a huge allocation.
  uint64_t size = in.size();
  uint64_t room = size > directoryOffset ? (size - directoryOffset) / pod::kDirectoryEntrySize : 0;
  uint64_t held = declaredCount < room ? declaredCount : room;
  if (held > INT32_MAX) held = INT32_MAX;
  entries.resize(static_cast<size_t>(held));
  entryCount = static_cast<int32_t>(held);

  for (int32_t i = 0; i < entryCount; ++i) {
    uint64_t at = uint64_t(directoryOffset) + uint64_t(pod::kDirectoryEntrySize) * uint64_t(i);
    entries[i].nameOffset = in.u32(at + pod::kEntryNameOffsetAt);
    entries[i].dataOffset = in.u32(at + pod::kEntryDataOffsetAt);
  }
  // The name table sits after the directory as declared, even when fewer entries
  // are held.
  uint64_t nameTable = uint64_t(directoryOffset) + uint64_t(pod::kDirectoryEntrySize) * uint64_t(declaredCount);
  for (PodEntry& e : entries) {
    std::memset(e.name, 0, sizeof e.name);
    // Up to 255 bytes, fewer where the file ends; the last byte stays NUL.
    uint64_t at = nameTable + e.nameOffset;
    if (at >= size) continue;
    uint64_t n = size - at < sizeof e.name - 1 ? size - at : sizeof e.name - 1;
    in.read(at, e.name, static_cast<size_t>(n));
  }
  std::fclose(f);
}

PodArchive::~PodArchive() = default;

uint32_t PodArchive::findEntry(const char* name) const {
  if (!name) return 0;
  for (const PodEntry& e : entries) {
    if (std::strcmp(e.name, name) == 0) return e.dataOffset;
  }
  return 0;
}
