// A fresh plug-in in a fresh simulator folder for every test: the plug-in's state
// is global to its loaded copy, so each test loads its own copy under its own name.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "stand_in_host.h"
#include "test_files.h"

namespace fs = std::filesystem;


inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) out.push_back(line);
  return out;
}

class PluginTest : public ::testing::Test {
 protected:
  // dataFolder: the simulator folder's data folder as it is spelled on disk;
  // empty for a folder without one.
  void SetUp() override { prepare("Data"); }

  void prepare(const std::string& dataFolder) {
    host.reset();
    char pattern[] = "/tmp/orvandel-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
    if (!dataFolder.empty()) fs::create_directory(folder / dataFolder);
    trackPath = folder / (dataFolder.empty() ? "DATA" : dataFolder) / "__ORVANDEL.dat";
    fs::path copy = folder / "OrvandelDLL-copy.so";
    fs::copy_file(ORVANDEL_PLUGIN_PATH, copy);
    previous = fs::current_path();
    fs::current_path(folder);
    host = std::make_unique<StandInHost>(copy.string());
    ASSERT_TRUE(host->loaded) << host->error;
  }

  void TearDown() override {
    host.reset();
    if (!previous.empty()) fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  // Set-up, menu and windows, as before a recording; the call log starts empty.
  void openControlWindow() {
    ASSERT_TRUE(host->startUp());
    host->installMenu();
    host->chooseMenuItem();
    host->calls.clear();
  }

  static FlightSample sample(double lat, double lon, double alt, float v, double x, float dt) {
    FlightSample s;
    s.latitude = lat;
    s.longitude = lon;
    s.altitude = alt;
    s.speed = v;
    s.aux = x;
    s.elapsed = dt;
    return s;
  }

  std::vector<std::string> trackLines() const { return lines(readFile(trackPath)); }

  std::unique_ptr<StandInHost> host;
  fs::path folder, trackPath, previous;
};
