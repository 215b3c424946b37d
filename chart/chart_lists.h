// The static map layers, compiled once into display lists and replayed per frame.
//
// Coastlines, rivers, airports, runways, navaids and their names never change while
// the viewer runs, so the first chart frame compiles each into its own list (fixed
// numbers, below) and drawChart calls them by zoom. A layer whose data did not load
// gets no list; calling its number then draws nothing. The VOR and NDB symbols are
// compiled at unit size and placed per navaid every frame by drawNavaidSymbols.
#pragma once

#include "map_data_set.h"

class fntRenderer;
class fntTexFont;

enum ChartList {
  kCoastlineList = 1,
  kRiverList = 2,
  kAirportList = 4,
  kRunwayList = 5,
  kNavaidList = 6,
  kVorSymbolList = 10,
  kNdbSymbolList = 11,
  kAirportNamesSmall = 12,
  kNavaidNamesSmall = 13,
  kAirportNamesLarge = 14,
  kNavaidNamesLarge = 15,
};

// The colours of the layers, the full and the tiled drawing alike.
const float kCoastlineColour[3] = {0, 1, 0};
const float kRiverColour[3] = {0, 1, 1};
const float kAirportColour[3] = {0.658f, 0.658f, 0.658f};  // airports and runways
const float kNavaidColour[3] = {1, 1, 0};

// Label sizes in chart units.
const float kSmallNameSize = 0.3125f;
const float kLargeNameSize = 0.75f;

// Compiles lists 1, 2, 4, 12, 13, 14, 15, 5, 6, 10, 11 in that order, and sets the
// set's coastline and river list-ready flags. Needs the chart window's context.
void buildChartLists(MapDataSet& data, fntRenderer* text, fntTexFont* font);

// Each builder: true when it compiled a list.
bool buildPolylineList(int list, const PolylineSet& set, const float colour[3], bool* listReady);
bool buildAirportList(const NavDatabase& db);
bool buildRunwayList(const NavDatabase& db);
bool buildNavaidList(const NavDatabase& db);
bool buildVorSymbol();
bool buildNdbSymbol();
bool buildAirportNames(int list, const NavDatabase& db, fntRenderer* text, fntTexFont* font,
                       float pointSize);
bool buildNavaidNames(int list, const NavDatabase& db, fntRenderer* text, fntTexFont* font,
                      float pointSize);

// The per-frame symbol pass at high zoom: VORs turned by their variation, NDBs not.
void drawNavaidSymbols(const NavDatabase& db);
