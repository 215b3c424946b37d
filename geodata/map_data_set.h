// Everything the chart shows that comes from files, gathered in the one set the
// viewer builds before its main function: the track (the base part), coastlines,
// rivers and the simulator's database, read in that order. Missing files leave their
// member empty and not loaded; only the track part is ever re-read (Load).
#pragma once

#include "nav_database.h"
#include "polyline_set.h"
#include "track_file.h"

class MapDataSet : public TrackFile {
 public:
  explicit MapDataSet(const char* trackPath);
  ~MapDataSet() override;

  PolylineSet coastlines;      // "data/world_coast.dat"
  bool coastlineListReady;     // set by the layer builder
  PolylineSet rivers;          // "data/rivers.dat"
  bool riverListReady;
  NavDatabase database;
};
