// The plug-in's exports and callbacks: set-up by the host, the menu item, the
// control and annunciator windows, and the routing of the recorder controls.
#include <cstring>

#include "host_interface.h"
#include "host_table.h"
#include "track_recorder.h"

namespace {

// Global state, all zero when the library is loaded.
HostTable hostTable;
int32_t referenceNumber;
TrackRecorder recorder;

// Unloading the library without DLLKill still closes the track; every line is
// already on disk, this only gives the stream back.
struct CloseTrackOnUnload {
  ~CloseTrackOnUnload() { recorder.abandon(); }
} closeTrackOnUnload;

void putText(char* field, const char* text) { std::memcpy(field, text, std::strlen(text) + 1); }

// A fresh block from the host with its first 32-bit word cleared.
void* newClearedBlock() {
  void* block = hostTable.newBlock(referenceNumber);
  if (block) {
    const uint32_t zero = 0;
    std::memcpy(block, &zero, sizeof zero);
  }
  return block;
}

void ORVANDEL_CDECL disposeViewData(void** cell) {
  if (cell) hostTable.freeBlock(*cell);
}

void ORVANDEL_CDECL createViewData(uint32_t classTag, uint32_t idTag, void** out) {
  if (classTag != tags::view || idTag != tags::menuItem || !out) return;
  *out = newClearedBlock();
}

void ORVANDEL_CDECL tick(void) { recorder.tick(hostTable); }

void ORVANDEL_CDECL handleEvent(uint32_t, uint32_t windowTag, uint32_t controlTag, uint32_t eventTag,
                                uint32_t itemTag) {
  if (eventTag == tags::select && controlTag == tags::menu && itemTag == tags::menuItem) {
    if (hostTable.isWindowOpen(tags::controlWindow)) {
      hostTable.activateWindow(tags::controlWindow);
    } else {
      hostTable.openWindow(tags::controlWindow, "Orvandel.win", newClearedBlock());
      hostTable.openWindow(tags::annunciatorWindow, "Annunciator.win", newClearedBlock());
      hostTable.checkMenuItem(tags::menuBar, tags::menu, tags::menuItem, 1);
    }
  }
  if (eventTag == tags::close && windowTag == tags::controlWindow) {
    if (hostTable.isWindowOpen(tags::annunciatorWindow)) hostTable.closeWindow(tags::annunciatorWindow);
    hostTable.checkMenuItem(tags::menuBar, tags::menu, tags::menuItem, 0);
  }
  if (windowTag == tags::controlWindow) {
    if (controlTag == tags::startMode1)
      recorder.start(hostTable, 1);
    else if (controlTag == tags::startMode5)
      recorder.start(hostTable, 5);
    else if (controlTag == tags::stop)
      recorder.stop(hostTable);
  }
}

void ORVANDEL_CDECL installMenu(void) {
  hostTable.addMenu(tags::menuBar, tags::menu, "Plugins");
  hostTable.addMenuItem(tags::menuBar, tags::menu, tags::menuItem, "Orvandel");
}

template <class Fn>
HostEntry asEntry(Fn fn) {
  return reinterpret_cast<HostEntry>(fn);
}

}  // namespace

ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLGetSDKVersion(void) { return 200; }

ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLInitPrivate(const HostEntry* table, int32_t number) {
  hostTable.assign(table);
  referenceNumber = number;
  return number;
}

ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLInit(HostEntry* callbackTable, PluginInfoBlock* info, uint32_t value) {
  if (info) {
    putText(info->name, "Orvandel DLL");
    putText(info->rights, "Free for flight training; no warranty.");
    putText(info->author, "Chart table developers");
    putText(info->version, "1.00, 22/02/04 2000Z");
    putText(info->email, "chart-table@example.org");
    info->magic = 100;
  }
  if (callbackTable) {
    callbackTable[EntryDisposeViewData] = asEntry(&disposeViewData);
    callbackTable[EntryCreateViewData] = asEntry(&createViewData);
    callbackTable[EntryTick] = asEntry(&tick);
    callbackTable[EntryHandleEvent] = asEntry(&handleEvent);
    callbackTable[EntryInstallMenu] = asEntry(&installMenu);
  }
  hostTable.registerObject(value, tags::view, tags::menuItem);
  return 1;
}

ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLGetReferenceNumber(void) { return referenceNumber; }

// Closes a running recording's file as it stands (no final line): a host that
// unloads the plug-in after this keeps a complete, closed track.
ORVANDEL_EXPORT void ORVANDEL_CDECL DLLKill(void) { recorder.abandon(); }
