// Where every number and text the system reads lies in a POD archive and in the DBD
// tables inside it: the one description that the readers (pod_archive.cpp,
// nav_database.cpp) and the writer (pod_writer.cpp) share, so the two can never
// disagree. Offsets are bytes from the start of the file (archive), of the table
// (table header) or of the record; numbers are little-endian, texts fixed-width and
// NUL-padded. Everything not named here is neither read nor written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pod {

// Archive header and directory.
constexpr uint32_t kEntryCountAt = 88;         // u32
constexpr uint32_t kDirectoryOffsetAt = 264;   // u32
constexpr size_t kArchiveHeaderSize = 268;     // through the directory offset word
constexpr uint32_t kDirectoryEntrySize = 20;   // per entry:
constexpr uint32_t kEntryNameOffsetAt = 0;     //   u32, from the start of the name table
constexpr uint32_t kEntryDataOffsetAt = 8;     //   u32, from the start of the file
// The name table follows the directory (entry count times 20 bytes).

// A DBD table: a header, then the records, each kRecordLengthAt bytes long.
constexpr size_t kTableHeaderSize = 56;
constexpr uint32_t kRecordCountAt = 16;   // i32
constexpr uint32_t kRecordLengthAt = 20;  // i32

struct Text {
  uint32_t at, width;
};

namespace airport {
constexpr const char* kEntry = "DATABASE\\AIRPORT.DBD";
constexpr Text key{4, 10}, shortIdent{14, 4}, ident{18, 5}, name{23, 40};
constexpr uint32_t latitudeAt = 93, longitudeAt = 101;  // f64 arc-seconds
constexpr uint32_t kRecordEnd = 109;                    // end of the last field
}  // namespace airport

namespace runway {
constexpr const char* kEntry = "DATABASE\\RUNWAY.DBD";
constexpr Text key{4, 10}, key2{14, 10};
constexpr uint32_t latitude1At = 63, longitude1At = 71;   // f64 arc-seconds, first end
constexpr uint32_t latitude2At = 159, longitude2At = 167; // second end
constexpr uint32_t kRecordEnd = 175;
}  // namespace runway

namespace navaid {
constexpr const char* kEntry = "DATABASE\\NAVAID.DBD";
constexpr Text key{4, 10}, ident{14, 5}, name{19, 40};
constexpr uint32_t variationAt = 67;                     // f64 degrees
constexpr uint32_t typeFlagsAt = 89;                     // u32
constexpr uint32_t latitudeAt = 101, longitudeAt = 109;  // f64 arc-seconds
constexpr uint32_t kRecordEnd = 117;
// Type bits: the chart takes a record with the VOR bit as a VOR, and one with the
// NDB bit (and not the VOR bit) as an NDB.
constexpr uint32_t kVorBit = 1, kNdbBit = 8;
}  // namespace navaid

}  // namespace pod
