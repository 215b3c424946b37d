// The demo's recorded flight, computed: a training sortie out of Marseille
// Provence (take-off on 31R, the Martigues VOR, outbound on its 300 radial,
// the 12 NM DME arc to the 030 radial, the hold on the MJ NDB, a teardrop
// reversal and a 3-degree final to 31R), flown by a simple aircraft model:
// standard-rate turns (3 degrees a second), great-circle steps of one
// second, climbs and descents at set vertical speeds. The result is the stand-in
// host's script format, one tick per line. The exercises file in this folder
// draws the same procedures, so the track lies over them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "great_circle.h"


// Where the sortie's navaids and runway are, and their variations (degrees,
// east positive; true = magnetic + variation).
struct DemoPlaces {
  GeoPos vor{43.386306, 5.086833};      // MTG, MARTIGUES VOR-DME
  double vorVariation = -1.0;
  GeoPos ndb{43.438318, 5.217477};      // MJ, MARSEILLE NDB
  double ndbVariation = 0.0;
  GeoPos threshold31R{43.4272747, 5.22845736};
  GeoPos threshold13L{43.4491253, 5.19729576};
  double fieldElevation = 74.0;        // ft
};

struct FlightTick {
  GeoPos pos;
  double altitude;   // ft
  double speedKt;    // ground speed
  double heading;    // degrees true
};

// Flies the sortie with one tick a second; never more than maxTicks.
std::vector<FlightTick> flyDemoSortie(const DemoPlaces& places, size_t maxTicks = 20000);

// Writes the ticks as a host script: "lat lon alt v x dt" (arc-seconds, the
// longitude eastward 0..1296000, ft, ft/s, aux, s). aux x shortens the
// recorder's sampling interval by 9x + 1.
bool writeHostScript(const std::string& path, const std::vector<FlightTick>& ticks, double aux);
