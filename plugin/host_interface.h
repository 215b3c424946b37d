// The host simulator's plug-in interface, as far as this plug-in uses it.
//
// The host loads the plug-in, hands it a table of host functions (DLLInitPrivate),
// a callback table to fill and an information block to describe itself (DLLInit),
// then drives it through the callbacks. Tables are arrays of pointer-sized entries
// addressed by entry number: on the 32-bit Windows host an entry is 4 bytes, on a
// 64-bit build 8, and the numbers stay the same. The information block has a fixed
// byte layout on every build. The stand-in host under tools/host includes this
// header too, so both sides agree on every number here.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define ORVANDEL_CDECL __cdecl
#else
#define ORVANDEL_CDECL
#endif

#if defined(_WIN32)
#define ORVANDEL_EXPORT extern "C" __declspec(dllexport)
#else
#define ORVANDEL_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// A four-character tag as the host builds it: first character in the most
// significant byte, so "view" is 0x76696577.
constexpr uint32_t makeTag(const char (&text)[5]) {
  return (static_cast<uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
         (static_cast<uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
         static_cast<uint32_t>(static_cast<unsigned char>(text[3]));
}
static_assert(makeTag("view") == 0x76696577u, "tags put the first character in the top byte");

namespace tags {
constexpr uint32_t view = makeTag("view");
constexpr uint32_t menuItem = makeTag("m_vw");
constexpr uint32_t menuBar = makeTag("MBar");
constexpr uint32_t menu = makeTag("tulm");
constexpr uint32_t controlWindow = makeTag("ptwn");
constexpr uint32_t annunciatorWindow = makeTag("dmb_");
constexpr uint32_t select = makeTag("slct");
constexpr uint32_t close = makeTag("clos");
constexpr uint32_t startMode1 = makeTag("bt1m");
constexpr uint32_t startMode5 = makeTag("bt5m");
constexpr uint32_t stop = makeTag("dsbl");
}  // namespace tags

// Every table entry is a pointer to a function; callers cast it to the entry's type.
typedef void(ORVANDEL_CDECL* HostEntry)(void);

constexpr int kHostTableEntries = 547;

// Host function table slots the plug-in calls.
enum HostSlot : int {
  SlotNewBlock = 0,
  SlotRegister = 5,
  SlotGetAircraft = 115,
  SlotGetPosition = 118,
  SlotGetAuxValues = 120,
  SlotGetSpeed = 128,
  SlotFreeBlock = 250,
  SlotElapsedTime = 277,
  SlotOpenWindow = 374,
  SlotCloseWindow = 375,
  SlotIsWindowOpen = 377,
  SlotAddMenu = 388,
  SlotAddMenuItem = 389,
  SlotCheckMenuItem = 393,
  SlotActivateWindow = 520,
  SlotNotifyWindow = 521,
};

// The aircraft handle the host fills and then takes back in the three reads.
struct AircraftHandle {
  unsigned char bytes[16];
};
static_assert(sizeof(AircraftHandle) == 16, "the host fills 16 bytes");

typedef void*(ORVANDEL_CDECL* HostNewBlockFn)(int32_t referenceNumber);
typedef void(ORVANDEL_CDECL* HostRegisterFn)(uint32_t value, uint32_t classTag, uint32_t idTag);
typedef void(ORVANDEL_CDECL* HostGetAircraftFn)(AircraftHandle* handle);
typedef void(ORVANDEL_CDECL* HostGetPositionFn)(AircraftHandle* handle, double position[3]);
typedef void(ORVANDEL_CDECL* HostGetAuxValuesFn)(AircraftHandle* handle, double values[3]);
typedef void(ORVANDEL_CDECL* HostGetSpeedFn)(AircraftHandle* handle, float* speed);
typedef void(ORVANDEL_CDECL* HostFreeBlockFn)(void* block);
typedef float(ORVANDEL_CDECL* HostElapsedTimeFn)(void);
typedef void(ORVANDEL_CDECL* HostOpenWindowFn)(uint32_t windowTag, const char* windowFile, void* block);
typedef void(ORVANDEL_CDECL* HostCloseWindowFn)(uint32_t windowTag);
typedef int(ORVANDEL_CDECL* HostIsWindowOpenFn)(uint32_t windowTag);
typedef void(ORVANDEL_CDECL* HostAddMenuFn)(int zero, uint32_t menuBarTag, uint32_t menuTag, const char* title);
typedef void(ORVANDEL_CDECL* HostAddMenuItemFn)(int zero, uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag,
                                                 const char* title);
typedef void(ORVANDEL_CDECL* HostCheckMenuItemFn)(int zero, uint32_t menuBarTag, uint32_t menuTag, uint32_t itemTag,
                                                   int checked);
typedef void(ORVANDEL_CDECL* HostActivateWindowFn)(uint32_t windowTag);
typedef void(ORVANDEL_CDECL* HostNotifyWindowFn)(uint32_t windowTag);

// Callback table entries the plug-in fills; the host owns the table.
enum CallbackEntry : int {
  EntryDisposeViewData = 2,
  EntryCreateViewData = 4,
  EntryTick = 7,
  EntryHandleEvent = 46,
  EntryInstallMenu = 51,
};
// A host table with room for every entry above.
constexpr int kCallbackEntriesUsed = EntryInstallMenu + 1;

typedef void(ORVANDEL_CDECL* DisposeViewDataFn)(void** cell);
typedef void(ORVANDEL_CDECL* CreateViewDataFn)(uint32_t classTag, uint32_t idTag, void** out);
typedef void(ORVANDEL_CDECL* TickFn)(void);
typedef void(ORVANDEL_CDECL* HandleEventFn)(uint32_t unused, uint32_t windowTag, uint32_t controlTag,
                                            uint32_t eventTag, uint32_t itemTag);
typedef void(ORVANDEL_CDECL* InstallMenuFn)(void);

// The block that describes the plug-in to the host: fixed offsets on every build.
struct PluginInfoBlock {
  char name[128];
  char rights[128];
  char author[128];
  char version[128];
  char email[128];
  int32_t magic;  // always 100
};
static_assert(offsetof(PluginInfoBlock, rights) == 128, "fixed layout");
static_assert(offsetof(PluginInfoBlock, author) == 256, "fixed layout");
static_assert(offsetof(PluginInfoBlock, version) == 384, "fixed layout");
static_assert(offsetof(PluginInfoBlock, email) == 512, "fixed layout");
static_assert(offsetof(PluginInfoBlock, magic) == 640, "fixed layout");
static_assert(sizeof(PluginInfoBlock) == 644, "fixed layout");

// The five exports, as the host resolves them by name.
typedef int32_t(ORVANDEL_CDECL* DLLGetSDKVersionFn)(void);
typedef int32_t(ORVANDEL_CDECL* DLLInitPrivateFn)(const HostEntry* hostTable, int32_t referenceNumber);
typedef int32_t(ORVANDEL_CDECL* DLLInitFn)(HostEntry* callbackTable, PluginInfoBlock* info, uint32_t value);
typedef int32_t(ORVANDEL_CDECL* DLLGetReferenceNumberFn)(void);
typedef void(ORVANDEL_CDECL* DLLKillFn)(void);

ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLGetSDKVersion(void);
ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLInitPrivate(const HostEntry* hostTable, int32_t referenceNumber);
ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLInit(HostEntry* callbackTable, PluginInfoBlock* info, uint32_t value);
ORVANDEL_EXPORT int32_t ORVANDEL_CDECL DLLGetReferenceNumber(void);
ORVANDEL_EXPORT void ORVANDEL_CDECL DLLKill(void);
