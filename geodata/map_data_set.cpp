#include "map_data_set.h"

// Members are declared in reading order, so the track (base), coastlines, rivers and
// database are read in that order and destroyed in the reverse.
MapDataSet::MapDataSet(const char* trackPath)
    : TrackFile(trackPath),
      coastlines("data/world_coast.dat"),
      coastlineListReady(false),
      rivers("data/rivers.dat"),
      riverListReady(false),
      database() {
  coastlineListReady = false;
  riverListReady = false;
}

MapDataSet::~MapDataSet() = default;
