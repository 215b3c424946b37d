// Helpers shared by the exercise tests: temporary exercise files, navaid
// fixtures and stdout capture.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "ifr_exercise_set.h"
#include "test_files.h"

inline NavaidRecord navaid(const char* ident, const char* name, double variation, double x, double y,
                           uint32_t flags = 1) {
  NavaidRecord n;
  std::memset(&n, 0, sizeof n);
  std::strncpy(n.ident, ident, sizeof n.ident - 1);
  std::strncpy(n.name, name, sizeof n.name - 1);
  n.typeFlags = flags;
  n.variation = variation;
  n.longitude = x;
  n.latitude = y;
  return n;
}

// A file in a per-test temporary folder, removed with the fixture.
class ExerciseFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("exercises_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

 public:
  // Each call writes a new file, so several sets can be loaded in one test.
  std::string writeXmlPublic(const std::string& text) {
    return writeXml(text, "ex" + std::to_string(++files) + ".xml");
  }

 protected:

  std::string writeXml(const std::string& text, const std::string& name = "ex.xml") {
    const std::string p = (dir / name).string();
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }

  std::filesystem::path dir;
  int files = 0;
};

// One exercise element; `body` holds its NAVAID/NAV/FORM elements.
inline std::string exerciseXml(int number, const std::string& body) {
  char tag[16];
  std::snprintf(tag, sizeof tag, "DATA%02d", number);
  return std::string("<") + tag + ">" + body + "</" + tag + ">";
}

inline std::string navaidXml(const std::string& id, const std::string& type, const std::string& name) {
  return "<NAVAID><NAVAID_ID>" + id + "</NAVAID_ID><TYPE>" + type + "</TYPE><NAME>" + name + "</NAME></NAVAID>";
}

inline std::string setXml(const std::string& title, const std::string& exercises) {
  return "<DATA><EXERC>" + title + "</EXERC>" + exercises + "</DATA>";
}

inline std::string reportOf(const IfrExerciseSet& set) {
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* f = open_memstream(&buf, &len);
  set.printReport(f);
  std::fclose(f);
  std::string out(buf, len);
  std::free(buf);
  return out;
}

