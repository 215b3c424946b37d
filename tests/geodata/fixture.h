// Test scaffolding for the geodata readers: a private scratch folder per test that
// becomes the working directory (the readers open fixed relative paths), and a
// one-call file writer.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/geodata-test-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    oldCwd_ = cwd;
    ASSERT_EQ(::chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    if (!oldCwd_.empty()) (void)::chdir(oldCwd_.c_str());
    if (!dir_.empty()) (void)std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  static void writeText(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
    std::fclose(f);
  }
  static void makeDir(const std::string& path) { (void)std::system(("mkdir -p '" + path + "'").c_str()); }

  std::string dir_;
  std::string oldCwd_;
};
