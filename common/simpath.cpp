#include "simpath.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#ifndef _WIN32
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace simpath {
namespace {

#ifndef _WIN32
bool exists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The folder's entry that matches name ignoring case, or name itself when none does.
std::string matchInFolder(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return name;
  std::vector<std::string> matches;
  while (dirent* e = ::readdir(dir)) {
    std::string entry = e->d_name;
    if (sameIgnoringCase(entry, name)) matches.push_back(entry);
  }
  ::closedir(dir);
  if (matches.empty()) return name;
  return *std::min_element(matches.begin(), matches.end());
}
#endif

}  // namespace

std::string resolve(const std::string& path) {
#ifdef _WIN32
  return path;  // the simulator's own platform: case-insensitive, '\' native
#else
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.empty()) return p;

  std::string result;
  size_t pos = 0;
  if (p[0] == '/') {
    result = "/";
    pos = 1;
  }
  while (pos <= p.size()) {
    size_t slash = p.find('/', pos);
    if (slash == std::string::npos) slash = p.size();
    std::string comp = p.substr(pos, slash - pos);
    pos = slash + 1;
    if (comp.empty()) continue;  // "a//b" or a trailing '/'
    std::string candidate = result;
    if (!candidate.empty() && candidate.back() != '/') candidate += '/';
    if (comp == "." || comp == ".." || exists(candidate + comp)) {
      result = candidate + comp;
    } else {
      std::string folder = result.empty() ? "." : result;
      result = candidate + matchInFolder(folder, comp);
    }
  }
  if (p.back() == '/' && (result.empty() || result.back() != '/')) result += '/';
  return result;
#endif
}

std::FILE* open(const char* path, const char* mode) {
  if (!path) return nullptr;
  return std::fopen(resolve(path).c_str(), mode);
}

}  // namespace simpath
