// The simulator's airport, runway and navaid tables, read once into plain lists.
//
// Each table is a DBD table inside its own POD archive under SYSTEM\. The database
// is built with the map data set and read by the chart layers and the IFR exercises.
// Airports and navaids are converted to chart units when read; runway ends stay in
// arc-seconds (the runway layer converts them when it draws). Every field is read
// with its own seek straight from the archive; a table header that claims more
// records than the file holds yields only the records that lie inside the file.
#pragma once

#include <cstdint>
#include <vector>

struct AirportRecord {
  char key[11];
  char name[41];
  char ident[6];
  char shortIdent[5];
  double latitude;   // chart units
  double longitude;  // chart units
};

struct RunwayRecord {
  char key[11];
  char key2[11];
  double latitude1, longitude1, latitude2, longitude2;  // arc-seconds as read
};

struct NavaidRecord {
  char key[11];
  char name[41];
  char ident[6];
  uint32_t typeFlags;  // the value 1 set: VOR; the value 8 set (and not 1): NDB
  double variation;    // magnetic variation, degrees
  double latitude;     // chart units
  double longitude;    // chart units
};

class NavDatabase {
 public:
  // Stores the three archive paths and entry names, then reads airports, runways
  // and navaids in that order, relative to the working directory.
  NavDatabase();
  virtual ~NavDatabase();
  NavDatabase(const NavDatabase&) = delete;
  NavDatabase& operator=(const NavDatabase&) = delete;

  // Each re-reads its table from the stored archive path; true when the table was
  // found and read (its flag is then true).
  bool loadAirports();
  bool loadRunways();
  bool loadNavaids();

  char airportArchivePath[260];
  char airportEntryName[260];
  char runwayArchivePath[260];
  char runwayEntryName[260];
  char navaidArchivePath[260];
  char navaidEntryName[260];

  std::vector<AirportRecord> airports;
  std::vector<RunwayRecord> runways;
  std::vector<NavaidRecord> navaids, vors, ndbs;
  bool airportsLoaded, runwaysLoaded, navaidsLoaded;
};
