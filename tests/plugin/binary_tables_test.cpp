// What the built binaries offer a loader: exactly the five entry points, and for
// the Windows DLL a 32-bit image that needs no runtime DLL beyond Windows' own.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string output(const std::string& command, int* status) {
  std::string out;
  std::FILE* p = ::popen(command.c_str(), "r");
  if (!p) return out;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
  int s = ::pclose(p);
  *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

const std::set<std::string> kExports = {"DLLGetSDKVersion", "DLLInitPrivate", "DLLInit", "DLLGetReferenceNumber",
                                        "DLLKill"};

}  // namespace

TEST(NativeModule, ExportsExactlyTheFiveEntryPoints) {
  int status = -1;
  std::string out = output(std::string("nm -D --defined-only ") + ORVANDEL_PLUGIN_PATH, &status);
  ASSERT_EQ(status, 0) << out;
  std::set<std::string> names;
  std::istringstream in(out);
  std::string address, kind, name;
  while (in >> address >> kind >> name) names.insert(name);
  EXPECT_EQ(names, kExports) << out;
}

#ifdef ORVANDEL_DLL_PATH
TEST(WindowsDll, Is32BitWithUndecoratedExportsAndSystemImportsOnly) {
  int status = -1;
  std::string out = output(std::string(ORVANDEL_OBJDUMP) + " -p " + ORVANDEL_DLL_PATH, &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NE(out.find("file format pei-i386"), std::string::npos);

  // The name pointer table lists every export by name: "[   0] DLLInit".
  std::set<std::string> exports;
  size_t table = out.find("[Ordinal/Name Pointer] Table");
  ASSERT_NE(table, std::string::npos) << out;
  std::istringstream in(out.substr(table));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line) && line.find('[') != std::string::npos)
    exports.insert(line.substr(line.find(']') + 2));
  EXPECT_EQ(exports, kExports) << "C names, no '_' prefix or '@n' suffix";

  std::set<std::string> imports;
  std::istringstream all(out);
  while (std::getline(all, line)) {
    size_t at = line.find("DLL Name: ");
    if (at == std::string::npos) continue;
    std::string dll = line.substr(at + 10);
    std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
    imports.insert(dll);
  }
  EXPECT_TRUE(imports.count("kernel32.dll"));
  for (const std::string& dll : imports)
    EXPECT_TRUE(dll == "kernel32.dll" || dll == "msvcrt.dll") << "needs " << dll;
}
#endif
