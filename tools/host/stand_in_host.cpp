#include "stand_in_host.h"

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <utility>

namespace {

StandInHost* activeHost = nullptr;

// The handle the host gives out; the reads check they get it back.
const unsigned char kAircraftHandle[16] = {'A', 'C', 'F', 'T', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};

std::string quoted(const char* text) { return text ? "\"" + std::string(text) + "\"" : std::string("(null)"); }

std::string blockText(void* block) {
  if (!block) return "null";
  int n = activeHost ? activeHost->blockNumber(block) : 0;
  return n ? "block#" + std::to_string(n) : "foreign-block";
}

bool handleOk(AircraftHandle* handle, const char* who) {
  if (handle && std::memcmp(handle->bytes, kAircraftHandle, sizeof kAircraftHandle) == 0) return true;
  activeHost->problems.push_back(std::string(who) + ": not the handle from hostGetAircraft");
  return false;
}

void* hostNewBlock(int32_t referenceNumber) {
  // Filled with 0xFF, so a block the plug-in should have cleared shows it did not.
  void* block = std::malloc(64);
  std::memset(block, 0xFF, 64);
  activeHost->addBlock(block);
  activeHost->record("hostNewBlock(" + std::to_string(referenceNumber) + ") -> " + blockText(block));
  return block;
}

void hostRegister(uint32_t value, uint32_t classTag, uint32_t idTag) {
  char v[16];
  std::snprintf(v, sizeof v, "0x%x", value);
  activeHost->record("hostRegister(" + std::string(v) + ", " + tagText(classTag) + ", " + tagText(idTag) + ")");
}

void hostGetAircraft(AircraftHandle* handle) {
  activeHost->record("hostGetAircraft");
  if (handle) std::memcpy(handle->bytes, kAircraftHandle, sizeof kAircraftHandle);
}

void hostGetPosition(AircraftHandle* handle, double position[3]) {
  activeHost->record("hostGetPosition");
  if (!handleOk(handle, "hostGetPosition") || !position) return;
  position[0] = activeHost->aircraft.latitude;
  position[1] = activeHost->aircraft.longitude;
  position[2] = activeHost->aircraft.altitude;
}

void hostGetAuxValues(AircraftHandle* handle, double values[3]) {
  activeHost->record("hostGetAuxValues");
  if (!handleOk(handle, "hostGetAuxValues") || !values) return;
  // Only the third is the recorder's; the others are filled so a stray read shows.
  values[0] = -1.0;
  values[1] = -2.0;
  values[2] = activeHost->aircraft.aux;
}

void hostGetSpeed(AircraftHandle* handle, float* speed) {
  activeHost->record("hostGetSpeed");
  if (!handleOk(handle, "hostGetSpeed") || !speed) return;
  *speed = activeHost->aircraft.speed;
}

void hostFreeBlock(void* block) {
  activeHost->record("hostFreeBlock(" + blockText(block) + ")");
  if (activeHost->liveBlocks.erase(block)) {
    std::free(block);
  } else {
    activeHost->problems.push_back("hostFreeBlock: not a live block");
  }
}

float hostElapsedTime() {
  activeHost->record("hostElapsedTime");
  return activeHost->aircraft.elapsed;
}

void hostOpenWindow(uint32_t windowTag, const char* windowFile, void* block) {
  activeHost->record("hostOpenWindow(" + tagText(windowTag) + ", " + quoted(windowFile) + ", " + blockText(block) +
                     ")");
  if (block && !activeHost->liveBlocks.count(block))
    activeHost->problems.push_back("hostOpenWindow: not a live block");
  activeHost->openWindows[windowTag] = windowFile ? windowFile : "";
}

void hostCloseWindow(uint32_t windowTag) {
  activeHost->record("hostCloseWindow(" + tagText(windowTag) + ")");
  activeHost->openWindows.erase(windowTag);
}

int hostIsWindowOpen(uint32_t windowTag) {
  int open = activeHost->openWindows.count(windowTag) ? 1 : 0;
  activeHost->record("hostIsWindowOpen(" + tagText(windowTag) + ") -> " + std::to_string(open));
  return open;
}

void hostAddMenu(int zero, uint32_t menuBarTag, uint32_t menuTag, const char* title) {
  activeHost->record("hostAddMenu(" + std::to_string(zero) + ", " + tagText(menuBarTag) + ", " + tagText(menuTag) +
                     ", " + quoted(title) + ")");
  activeHost->menus.push_back(tagText(menuBarTag) + "/" + tagText(menuTag) + " " + (title ? title : ""));
}

void hostAddMenuItem(int zero, uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag, const char* title) {
  activeHost->record("hostAddMenuItem(" + std::to_string(zero) + ", " + tagText(menuBarTag) + ", " +
                     tagText(menuTag) + ", " + tagText(itemTag) + ", " + quoted(title) + ")");
  activeHost->menus.push_back(tagText(menuBarTag) + "/" + tagText(menuTag) + "/" + tagText(itemTag) + " " +
                              (title ? title : ""));
}

void hostCheckMenuItem(int zero, uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag, int checked) {
  activeHost->record("hostCheckMenuItem(" + std::to_string(zero) + ", " + tagText(menuBarTag) + ", " +
                     tagText(menuTag) + ", " + tagText(itemTag) + ", " + std::to_string(checked) + ")");
  activeHost->checkMarks[tagText(menuBarTag) + "/" + tagText(menuTag) + "/" + tagText(itemTag)] = checked;
}

void hostActivateWindow(uint32_t windowTag) { activeHost->record("hostActivateWindow(" + tagText(windowTag) + ")"); }

void hostNotifyWindow(uint32_t windowTag) { activeHost->record("hostNotifyWindow(" + tagText(windowTag) + ")"); }

// Slots this host does not provide: say which one and stop the process.
template <int Slot>
void unlistedSlot() {
  std::fprintf(stderr, "orvandel-host: the plug-in called host slot %d, which this host does not provide\n", Slot);
  std::fflush(stderr);
  std::abort();
}

template <int... Slots>
void fillUnlisted(HostEntry* table, std::integer_sequence<int, Slots...>) {
  ((table[Slots] = &unlistedSlot<Slots>), ...);
}

template <class Fn>
HostEntry entry(Fn fn) {
  return reinterpret_cast<HostEntry>(fn);
}

}  // namespace

std::string tagText(uint32_t tag) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned char c = static_cast<unsigned char>(tag >> shift);
    if (c < 32 || c > 126) {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%08x", tag);
      return hex;
    }
    text += static_cast<char>(c);
  }
  return "'" + text + "'";
}

StandInHost::StandInHost(const std::string& pluginPath) {
  activeHost = this;
  std::memset(&info, 0xAB, sizeof info);  // a pattern, so untouched bytes show
  std::memset(callbackTable, 0, sizeof callbackTable);
  fillUnlisted(hostTable, std::make_integer_sequence<int, kHostTableEntries>());
  hostTable[SlotNewBlock] = entry(&hostNewBlock);
  hostTable[SlotRegister] = entry(&hostRegister);
  hostTable[SlotGetAircraft] = entry(&hostGetAircraft);
  hostTable[SlotGetPosition] = entry(&hostGetPosition);
  hostTable[SlotGetAuxValues] = entry(&hostGetAuxValues);
  hostTable[SlotGetSpeed] = entry(&hostGetSpeed);
  hostTable[SlotFreeBlock] = entry(&hostFreeBlock);
  hostTable[SlotElapsedTime] = entry(&hostElapsedTime);
  hostTable[SlotOpenWindow] = entry(&hostOpenWindow);
  hostTable[SlotCloseWindow] = entry(&hostCloseWindow);
  hostTable[SlotIsWindowOpen] = entry(&hostIsWindowOpen);
  hostTable[SlotAddMenu] = entry(&hostAddMenu);
  hostTable[SlotAddMenuItem] = entry(&hostAddMenuItem);
  hostTable[SlotCheckMenuItem] = entry(&hostCheckMenuItem);
  hostTable[SlotActivateWindow] = entry(&hostActivateWindow);
  hostTable[SlotNotifyWindow] = entry(&hostNotifyWindow);

  // RTLD_LOCAL: two copies of the plug-in in one process keep separate state.
  library = ::dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* why = ::dlerror();
    error = why ? why : "dlopen failed";
    return;
  }
  dllGetSDKVersion = reinterpret_cast<DLLGetSDKVersionFn>(::dlsym(library, "DLLGetSDKVersion"));
  dllInitPrivate = reinterpret_cast<DLLInitPrivateFn>(::dlsym(library, "DLLInitPrivate"));
  dllInit = reinterpret_cast<DLLInitFn>(::dlsym(library, "DLLInit"));
  dllGetReferenceNumber = reinterpret_cast<DLLGetReferenceNumberFn>(::dlsym(library, "DLLGetReferenceNumber"));
  dllKill = reinterpret_cast<DLLKillFn>(::dlsym(library, "DLLKill"));
  if (!dllGetSDKVersion || !dllInitPrivate || !dllInit || !dllGetReferenceNumber || !dllKill) {
    error = "the plug-in lacks one of DLLGetSDKVersion, DLLInitPrivate, DLLInit, DLLGetReferenceNumber, DLLKill";
    return;
  }
  loaded = true;
}

StandInHost::~StandInHost() {
  unload();
  for (void* block : liveBlocks) std::free(block);
  if (activeHost == this) activeHost = nullptr;
}

void StandInHost::record(const std::string& call) {
  if (keepCalls) calls.push_back(call);
  if (onCall) onCall(call);
}

int StandInHost::blockNumber(void* block) const {
  auto it = blockNumbers.find(block);
  return it != blockNumbers.end() && liveBlocks.count(block) ? it->second : 0;
}

void StandInHost::addBlock(void* block) {
  liveBlocks.insert(block);
  // Numbered in the order handed out; an address the allocator reuses gets a new number.
  blockNumbers[block] = ++blocksHandedOut;
}

int32_t StandInHost::getSDKVersion() { return loaded ? dllGetSDKVersion() : 0; }
int32_t StandInHost::initPrivate(int32_t referenceNumber) {
  return loaded ? dllInitPrivate(hostTable, referenceNumber) : 0;
}
int32_t StandInHost::init(uint32_t registerValue) {
  return loaded ? dllInit(callbackTable, &info, registerValue) : 0;
}
int32_t StandInHost::getReferenceNumber() { return loaded ? dllGetReferenceNumber() : 0; }
void StandInHost::kill() {
  if (loaded) dllKill();
}

bool StandInHost::startUp(int32_t referenceNumber, uint32_t registerValue) {
  if (!loaded) return false;
  bool ok = getSDKVersion() == 200;
  ok = initPrivate(referenceNumber) == referenceNumber && ok;
  ok = init(registerValue) == 1 && ok;
  ok = getReferenceNumber() == referenceNumber && ok;
  return ok;
}

void StandInHost::unload() {
  if (library) ::dlclose(library);
  library = nullptr;
  loaded = false;
  std::memset(callbackTable, 0, sizeof callbackTable);
}

void StandInHost::installMenu() {
  if (auto fn = reinterpret_cast<InstallMenuFn>(callbackTable[EntryInstallMenu])) fn();
}
void StandInHost::tick() {
  if (auto fn = reinterpret_cast<TickFn>(callbackTable[EntryTick])) fn();
}
void StandInHost::handleEvent(uint32_t first, uint32_t windowTag, uint32_t controlTag, uint32_t eventTag,
                              uint32_t itemTag) {
  if (auto fn = reinterpret_cast<HandleEventFn>(callbackTable[EntryHandleEvent]))
    fn(first, windowTag, controlTag, eventTag, itemTag);
}
void StandInHost::createViewData(uint32_t classTag, uint32_t idTag, void** out) {
  if (auto fn = reinterpret_cast<CreateViewDataFn>(callbackTable[EntryCreateViewData])) fn(classTag, idTag, out);
}
void StandInHost::disposeViewData(void** cell) {
  if (auto fn = reinterpret_cast<DisposeViewDataFn>(callbackTable[EntryDisposeViewData])) fn(cell);
}

void StandInHost::chooseMenuItem() { handleEvent(0, tags::menuBar, tags::menu, tags::select, tags::menuItem); }

void StandInHost::pressControl(uint32_t control) {
  handleEvent(0, tags::controlWindow, control, makeTag("push"), 0);
}

void StandInHost::closeWindowByUser(uint32_t window) {
  openWindows.erase(window);
  handleEvent(0, window, 0, tags::close, 0);
}

void StandInHost::fly(const FlightSample& sample) {
  aircraft = sample;
  tick();
}

std::vector<FlightSample> straightFlight(int ticks, double startLatitude, double startLongitude, double altitude,
                                         double headingDegrees, float speed, double aux, float dt) {
  std::vector<FlightSample> samples;
  if (ticks <= 0) return samples;
  samples.reserve(static_cast<size_t>(ticks));
  const double pi = 3.14159265358979323846;
  const double heading = headingDegrees * pi / 180.0;
  double lat = startLatitude, lon = startLongitude;
  for (int i = 0; i < ticks; ++i) {
    // One nautical mile (6077 ft) is one minute of arc, 60 arc-seconds.
    double arcSeconds = static_cast<double>(speed) * dt / 6077.0 * 60.0;
    lat += arcSeconds * std::cos(heading);
    double cosLat = std::cos(lat / 3600.0 * pi / 180.0);
    if (std::fabs(cosLat) > 1e-6) lon += arcSeconds * std::sin(heading) / cosLat;
    if (lat > 324000.0) lat = 324000.0;
    if (lat < -324000.0) lat = -324000.0;
    lon = std::fmod(lon, 1296000.0);
    if (lon < 0) lon += 1296000.0;
    FlightSample s;
    s.latitude = lat;
    s.longitude = lon;
    s.altitude = altitude;
    s.speed = speed;
    s.aux = aux;
    s.elapsed = dt;
    samples.push_back(s);
  }
  return samples;
}

bool parseFlightScript(const std::string& text, std::vector<FlightSample>* samples, std::string* error) {
  samples->clear();
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream fields(line);
    double v[6];
    int count = 0;
    while (count < 6 && fields >> v[count]) ++count;
    std::string rest;
    if (count != 6 || (fields >> rest) || !fields.eof()) {
      if (error) *error = "line " + std::to_string(number) + ": expected six numbers: lat lon alt v x dt";
      return false;
    }
    bool finite = true;
    for (double d : v) finite = finite && std::isfinite(d);
    if (!finite) {
      if (error) *error = "line " + std::to_string(number) + ": numbers must be finite";
      return false;
    }
    FlightSample s;
    s.latitude = v[0];
    s.longitude = v[1];
    s.altitude = v[2];
    s.speed = static_cast<float>(v[3]);
    s.aux = v[4];
    s.elapsed = static_cast<float>(v[5]);
    samples->push_back(s);
  }
  return true;
}

void runRecordingSession(StandInHost& host, int mode, const std::vector<FlightSample>& samples) {
  host.installMenu();
  host.chooseMenuItem();
  if (!samples.empty()) host.aircraft = samples.front();
  host.pressControl(mode == 5 ? tags::startMode5 : tags::startMode1);
  for (const FlightSample& s : samples) host.fly(s);
  host.pressControl(tags::stop);
  host.kill();
}
