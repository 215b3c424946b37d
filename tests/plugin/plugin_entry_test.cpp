// The exports, the information block, the callback table, the menu and the windows.
#include <cstring>

#include "plugin_fixture.h"

using Calls = std::vector<std::string>;

TEST_F(PluginTest, ExportsAnswerAndInitRegistersTheViewClass) {
  EXPECT_EQ(host->getReferenceNumber(), 0) << "a fresh plug-in has no reference number";
  EXPECT_EQ(host->getSDKVersion(), 200);
  EXPECT_EQ(host->initPrivate(-7321), -7321);
  EXPECT_EQ(host->getReferenceNumber(), -7321);
  EXPECT_TRUE(host->calls.empty()) << "DLLInitPrivate calls nothing";
  EXPECT_EQ(host->init(0xDEADBEEFu), 1);
  EXPECT_EQ(host->calls, Calls({"hostRegister(0xdeadbeef, 'view', 'm_vw')"}));
  host->kill();
  EXPECT_EQ(host->calls.size(), 1u) << "DLLKill calls nothing";
  EXPECT_EQ(host->getReferenceNumber(), -7321);
}

TEST_F(PluginTest, InformationBlockHasItsFixedLayout) {
  ASSERT_TRUE(host->startUp());
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&host->info);
  EXPECT_EQ(0, std::memcmp(bytes, "Orvandel DLL", 13));
  EXPECT_EQ(0, std::memcmp(bytes + 384, "1.00, 22/02/04 2000Z", 21));
  int32_t magic;
  std::memcpy(&magic, bytes + 640, 4);
  EXPECT_EQ(magic, 100);
  // The three free texts: present and NUL-terminated inside their 128 bytes.
  for (int offset : {128, 256, 512}) {
    const void* nul = std::memchr(bytes + offset, 0, 128);
    ASSERT_NE(nul, nullptr) << "field at " << offset;
    EXPECT_GT(static_cast<const unsigned char*>(nul) - (bytes + offset), 0) << "field at " << offset;
  }
}

TEST_F(PluginTest, CallbacksFillTheirEntriesOnly) {
  ASSERT_TRUE(host->startUp());
  const int used[] = {EntryDisposeViewData, EntryCreateViewData, EntryTick, EntryHandleEvent, EntryInstallMenu};
  EXPECT_EQ(EntryDisposeViewData, 2);
  EXPECT_EQ(EntryCreateViewData, 4);
  EXPECT_EQ(EntryTick, 7);
  EXPECT_EQ(EntryHandleEvent, 46);
  EXPECT_EQ(EntryInstallMenu, 51);
  for (int i = 0; i < 64; ++i) {
    bool isUsed = std::find(std::begin(used), std::end(used), i) != std::end(used);
    EXPECT_EQ(host->callbackTable[i] != nullptr, isUsed) << "entry " << i;
  }
  // The five are different functions.
  for (int a : used)
    for (int b : used)
      if (a < b) {
        EXPECT_NE(host->callbackTable[a], host->callbackTable[b]);
      }
}

TEST_F(PluginTest, InstallMenuAddsTheMenuAndItsItem) {
  ASSERT_TRUE(host->startUp());
  host->calls.clear();
  host->installMenu();
  EXPECT_EQ(host->calls, Calls({"hostAddMenu(0, 'MBar', 'tulm', \"Plugins\")",
                                "hostAddMenuItem(0, 'MBar', 'tulm', 'm_vw', \"Orvandel\")"}));
}

TEST_F(PluginTest, MenuChoiceOpensTheWindowPairOnceThenOnlyActivates) {
  ASSERT_TRUE(host->startUp(9));
  host->installMenu();
  host->calls.clear();
  host->chooseMenuItem();
  EXPECT_EQ(host->calls, Calls({"hostIsWindowOpen('ptwn') -> 0", "hostNewBlock(9) -> block#1",
                                "hostOpenWindow('ptwn', \"Orvandel.win\", block#1)", "hostNewBlock(9) -> block#2",
                                "hostOpenWindow('dmb_', \"Annunciator.win\", block#2)",
                                "hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 1)"}));
  // Each block's first 32-bit word is cleared (the host hands them out as 0xFF).
  ASSERT_EQ(host->liveBlocks.size(), 2u);
  for (void* block : host->liveBlocks) {
    uint32_t first;
    std::memcpy(&first, block, 4);
    EXPECT_EQ(first, 0u);
  }

  host->calls.clear();
  host->chooseMenuItem();
  EXPECT_EQ(host->calls, Calls({"hostIsWindowOpen('ptwn') -> 1", "hostActivateWindow('ptwn')"}));
  EXPECT_EQ(host->blocksHandedOut, 2);

  // Not the plug-in's item, or not a selection: nothing.
  host->calls.clear();
  host->handleEvent(0, tags::menuBar, tags::menu, tags::select, makeTag("othr"));
  host->handleEvent(0, tags::menuBar, makeTag("file"), tags::select, tags::menuItem);
  host->handleEvent(0, tags::menuBar, tags::menu, makeTag("hovr"), tags::menuItem);
  EXPECT_TRUE(host->calls.empty());
}

TEST_F(PluginTest, ClosingTheControlWindowClosesTheAnnunciatorAndClearsTheCheck) {
  openControlWindow();
  host->closeWindowByUser(makeTag("othr"));
  host->closeWindowByUser(tags::annunciatorWindow);
  EXPECT_TRUE(host->calls.empty()) << "a close of any other window is ignored";

  // "dmb_" is already gone: only the check mark is cleared.
  host->closeWindowByUser(tags::controlWindow);
  EXPECT_EQ(host->calls,
            Calls({"hostIsWindowOpen('dmb_') -> 0", "hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 0)"}));

  // Both open again: closing "ptwn" takes "dmb_" with it.
  host->chooseMenuItem();
  host->calls.clear();
  host->closeWindowByUser(tags::controlWindow);
  EXPECT_EQ(host->calls, Calls({"hostIsWindowOpen('dmb_') -> 1", "hostCloseWindow('dmb_')",
                                "hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 0)"}));
  EXPECT_TRUE(host->openWindows.empty());
  EXPECT_EQ(host->checkMarks["'MBar'/'tulm'/'m_vw'"], 0);
}

TEST_F(PluginTest, CreateViewDataAnswersOnlyItsOwnClassAndIdentifier) {
  ASSERT_TRUE(host->startUp(5));
  host->calls.clear();
  int sentinel = 0;
  const uint32_t other = makeTag("othr");
  const uint32_t pairs[][2] = {{tags::view, other}, {other, tags::menuItem}, {tags::menuItem, tags::view}, {0, 0}};
  for (const auto& pair : pairs) {
    void* out = &sentinel;
    host->createViewData(pair[0], pair[1], &out);
    EXPECT_EQ(out, &sentinel) << tagText(pair[0]) << " " << tagText(pair[1]);
  }
  EXPECT_TRUE(host->calls.empty());

  void* out = &sentinel;
  host->createViewData(tags::view, tags::menuItem, &out);
  EXPECT_EQ(host->calls, Calls({"hostNewBlock(5) -> block#1"}));
  ASSERT_EQ(host->liveBlocks.count(out), 1u);
  uint32_t first;
  std::memcpy(&first, out, 4);
  EXPECT_EQ(first, 0u);

  host->calls.clear();
  host->disposeViewData(nullptr);
  EXPECT_TRUE(host->calls.empty());
  host->disposeViewData(&out);
  EXPECT_EQ(host->calls, Calls({"hostFreeBlock(block#1)"}));
  EXPECT_TRUE(host->liveBlocks.empty());
  EXPECT_TRUE(host->problems.empty());
}

static void* ORVANDEL_CDECL noBlock(int32_t) { return nullptr; }

TEST_F(PluginTest, HostWithoutBlocksOrWithEmptySlotsDoesNotCrashThePlugin) {
  // A host whose block allocator fails, and one that left slots empty.
  host->hostTable[SlotNewBlock] = reinterpret_cast<HostEntry>(&noBlock);
  host->hostTable[SlotNotifyWindow] = nullptr;
  host->hostTable[SlotCheckMenuItem] = nullptr;
  ASSERT_TRUE(host->startUp());
  host->installMenu();
  host->chooseMenuItem();
  EXPECT_EQ(host->openWindows.size(), 2u);
  EXPECT_NE(std::find(host->calls.begin(), host->calls.end(), "hostOpenWindow('ptwn', \"Orvandel.win\", null)"),
            host->calls.end());
  int sentinel = 0;
  void* out = &sentinel;
  host->createViewData(tags::view, tags::menuItem, &out);
  EXPECT_EQ(out, nullptr);
  host->createViewData(tags::view, tags::menuItem, nullptr);
  host->pressControl(tags::startMode1);
  host->pressControl(tags::stop);
  EXPECT_EQ(readFile(trackPath), "1 0 0\n0.00 0.00 0.00 0.00\n");
}
