// A fresh temporary folder that a test works in; the working directory is
// moved there for the test's life, because the archive readers open their
// files relative to it.
#pragma once

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

class ScopedTestDir {
 public:
  ScopedTestDir() {
    char tmpl[] = "/tmp/convtest.XXXXXX";
    const char* made = mkdtemp(tmpl);
    path_ = made ? made : "/tmp";
    char cwd[PATH_MAX];
    old_ = getcwd(cwd, sizeof cwd) ? cwd : "/";
    if (chdir(path_.c_str()) != 0) path_.clear();
  }
  ~ScopedTestDir() {
    if (chdir(old_.c_str()) != 0) return;
    if (!path_.empty() && path_ != "/tmp") std::system(("rm -rf '" + path_ + "'").c_str());
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  bool write(const std::string& name, const std::string& text) const {
    std::FILE* f = std::fopen(file(name).c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
  }

 private:
  std::string path_, old_;
};
