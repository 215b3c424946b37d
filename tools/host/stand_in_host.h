// A stand-in for the host simulator, to load OrvandelDLL and drive it as the
// simulator would: the exports in the host's order, a host function table, the
// callbacks, and a scripted flight.
//
// The slots the plug-in is known to use record every call (in `calls`, as text)
// and keep just enough host state to answer: open windows, the menu and its
// check mark, blocks handed out, the aircraft the host reports. Every other slot
// prints its number and aborts, so a plug-in that strays is caught at once.
// Host functions are plain C functions without a context argument, so one host
// is active per process at a time: the one constructed last.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "host_interface.h"

// What the host reports about the aircraft during one tick. Positions in
// arc-seconds (north positive, longitude eastward 0..1296000), altitude in feet,
// speed v in feet per second, elapsed the time since the previous tick in seconds.
struct FlightSample {
  double latitude = 0, longitude = 0, altitude = 0;
  float speed = 0;
  double aux = 0;
  float elapsed = 0;
};

// Tag as its four characters (or hex when not printable), for the call log.
std::string tagText(uint32_t tag);

class StandInHost {
 public:
  explicit StandInHost(const std::string& pluginPath);
  virtual ~StandInHost();

  bool loaded = false;  // the plug-in opened and all five exports found
  std::string error;    // why not

  // The exports.
  int32_t getSDKVersion();
  int32_t initPrivate(int32_t referenceNumber);
  int32_t init(uint32_t registerValue);
  int32_t getReferenceNumber();
  void kill();
  // The host's start-up order: version, private init, init, reference number.
  // True when the plug-in answered 200, the number back, 1 and the number again.
  bool startUp(int32_t referenceNumber = 42, uint32_t registerValue = 0x5157u);
  // dlclose; later calls do nothing.
  void unload();

  // The callbacks the plug-in put into the table (skipped when an entry is empty).
  void installMenu();
  void tick();
  void handleEvent(uint32_t first, uint32_t windowTag, uint32_t controlTag, uint32_t eventTag, uint32_t itemTag);
  void createViewData(uint32_t classTag, uint32_t idTag, void** out);
  void disposeViewData(void** cell);

  // What the pilot does.
  void chooseMenuItem();                  // "slct" on the plug-in's menu item
  void pressControl(uint32_t control);    // a control of "ptwn"
  void closeWindowByUser(uint32_t window);  // the host closes it, then reports "clos"
  void fly(const FlightSample& sample);   // set the aircraft, one tick

  // The aircraft the reads return.
  FlightSample aircraft;

  // What the plug-in did. keepCalls off: calls stays empty (onCall still sees
  // each), so a bridge ticking for hours does not grow without bound.
  bool keepCalls = true;
  std::vector<std::string> calls;
  std::function<void(const std::string&)> onCall;  // sees each call as it happens
  std::map<uint32_t, std::string> openWindows;     // tag -> window file
  std::vector<std::string> menus;                  // "MBar/tulm Plugins", "MBar/tulm/m_vw Orvandel"
  std::map<std::string, int> checkMarks;           // "MBar/tulm/m_vw" -> 0 or 1
  std::set<void*> liveBlocks;
  int blocksHandedOut = 0;
  std::vector<std::string> problems;  // calls the host could not honour (bad handle, foreign block)

  PluginInfoBlock info;
  HostEntry callbackTable[64];
  HostEntry hostTable[kHostTableEntries];

  // Used by the host functions.
  void record(const std::string& call);
  int blockNumber(void* block) const;  // 1, 2, ... for live blocks, 0 otherwise
  void addBlock(void* block);

 private:
  void* library = nullptr;
  DLLGetSDKVersionFn dllGetSDKVersion = nullptr;
  DLLInitPrivateFn dllInitPrivate = nullptr;
  DLLInitFn dllInit = nullptr;
  DLLGetReferenceNumberFn dllGetReferenceNumber = nullptr;
  DLLKillFn dllKill = nullptr;
  std::map<void*, int> blockNumbers;
};

// A straight flight of `ticks` samples from a start point on a true heading at
// speed v (feet per second, so 6077 / v is the seconds per nautical mile) and
// constant altitude; longitude wraps into 0..1296000.
std::vector<FlightSample> straightFlight(int ticks, double startLatitude, double startLongitude, double altitude,
                                         double headingDegrees, float speed, double aux, float dt);

// One sample per line: "lat lon alt v x dt", blank-separated; '#' lines and blank
// lines skipped. False with "line N: ..." in error on a bad line.
bool parseFlightScript(const std::string& text, std::vector<FlightSample>* samples, std::string* error);

// Menu, start in mode 1 or 5, one tick per sample, stop, DLLKill.
void runRecordingSession(StandInHost& host, int mode, const std::vector<FlightSample>& samples);
