// The plug-in's copy of the host function table and typed calls into it.
//
// The host hands over its table once (DLLInitPrivate); every call the plug-in
// makes goes through one of these wrappers, which cast the slot to its type. An
// empty slot (a host that left it out, or no table yet) is skipped and gives a
// zero result, so a short table can never make the plug-in jump to address 0.
#pragma once

#include <cstring>

#include "host_interface.h"

class HostTable {
 public:
  void assign(const HostEntry* table) {
    if (table)
      std::memcpy(entries, table, sizeof entries);
    else
      std::memset(entries, 0, sizeof entries);
  }

  void* newBlock(int32_t referenceNumber) const {
    auto fn = slot<HostNewBlockFn>(SlotNewBlock);
    return fn ? fn(referenceNumber) : nullptr;
  }
  void registerObject(uint32_t value, uint32_t classTag, uint32_t idTag) const {
    if (auto fn = slot<HostRegisterFn>(SlotRegister)) fn(value, classTag, idTag);
  }
  void getAircraft(AircraftHandle* handle) const {
    if (auto fn = slot<HostGetAircraftFn>(SlotGetAircraft)) fn(handle);
  }
  void getPosition(AircraftHandle* handle, double position[3]) const {
    if (auto fn = slot<HostGetPositionFn>(SlotGetPosition)) fn(handle, position);
  }
  void getAuxValues(AircraftHandle* handle, double values[3]) const {
    if (auto fn = slot<HostGetAuxValuesFn>(SlotGetAuxValues)) fn(handle, values);
  }
  void getSpeed(AircraftHandle* handle, float* speed) const {
    if (auto fn = slot<HostGetSpeedFn>(SlotGetSpeed)) fn(handle, speed);
  }
  void freeBlock(void* block) const {
    if (auto fn = slot<HostFreeBlockFn>(SlotFreeBlock)) fn(block);
  }
  float elapsedTime() const {
    auto fn = slot<HostElapsedTimeFn>(SlotElapsedTime);
    return fn ? fn() : 0.0f;
  }
  void openWindow(uint32_t windowTag, const char* windowFile, void* block) const {
    if (auto fn = slot<HostOpenWindowFn>(SlotOpenWindow)) fn(windowTag, windowFile, block);
  }
  void closeWindow(uint32_t windowTag) const {
    if (auto fn = slot<HostCloseWindowFn>(SlotCloseWindow)) fn(windowTag);
  }
  bool isWindowOpen(uint32_t windowTag) const {
    auto fn = slot<HostIsWindowOpenFn>(SlotIsWindowOpen);
    return fn ? fn(windowTag) != 0 : false;
  }
  void addMenu(uint32_t menuBarTag, uint32_t menuTag, const char* title) const {
    if (auto fn = slot<HostAddMenuFn>(SlotAddMenu)) fn(0, menuBarTag, menuTag, title);
  }
  void addMenuItem(uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag, const char* title) const {
    if (auto fn = slot<HostAddMenuItemFn>(SlotAddMenuItem)) fn(0, menuBarTag, menuTag, itemTag, title);
  }
  void checkMenuItem(uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag, int checked) const {
    if (auto fn = slot<HostCheckMenuItemFn>(SlotCheckMenuItem)) fn(0, menuBarTag, menuTag, itemTag, checked);
  }
  void activateWindow(uint32_t windowTag) const {
    if (auto fn = slot<HostActivateWindowFn>(SlotActivateWindow)) fn(windowTag);
  }
  void notifyWindow(uint32_t windowTag) const {
    if (auto fn = slot<HostNotifyWindowFn>(SlotNotifyWindow)) fn(windowTag);
  }

 private:
  template <class Fn>
  Fn slot(int index) const {
    return reinterpret_cast<Fn>(entries[index]);
  }

  HostEntry entries[kHostTableEntries];
};
static_assert(sizeof(void*) != 4 || sizeof(HostTable) == 2188, "547 four-byte entries on the 32-bit host");
