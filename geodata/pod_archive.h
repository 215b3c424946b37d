// Directory of a simulator POD archive, read only far enough to find a named entry.
//
// The database readers build one of these per table, ask it where the table's entry
// starts and drop it. Only the entry count, the directory offset, each entry's name
// and data offset are read; nothing else of the archive is looked at. A damaged
// directory (counts or offsets past the end of the file) yields only what the file
// really holds, never an allocation or a read sized by the damaged numbers.
#pragma once

#include <cstdint>
#include <vector>

struct PodEntry {
  uint32_t dataOffset;  // start of the entry's contents, from the start of the file
  uint32_t nameOffset;  // relative to the start of the name table
  char name[256];       // always NUL-terminated
};

class PodArchive {
 public:
  explicit PodArchive(const char* path);
  virtual ~PodArchive();
  PodArchive(const PodArchive&) = delete;
  PodArchive& operator=(const PodArchive&) = delete;

  // Data offset of the first entry (in directory order) whose name equals `name`
  // byte for byte; 0 when none does.
  uint32_t findEntry(const char* name) const;

  char path[256];            // empty when the given path was too long to hold
  int32_t entryCount;        // entries actually held (bounded by the file's size)
  uint32_t directoryOffset;
  std::vector<PodEntry> entries;
};
