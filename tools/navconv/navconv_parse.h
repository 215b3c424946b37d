// Parsing helpers the navconv readers share; not part of navconv's interface.
#pragma once

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace navconv_detail {

inline std::string trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n')) --e;
  return s.substr(b, e - b);
}

inline std::vector<std::string> splitBlanks(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

// A number that must be there; empty or trailing junk is not a number.
inline bool toNumber(const std::string& text, double* value) {
  const std::string t = trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(t.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  *value = v;
  return true;
}

inline bool validPosition(double lat, double lon) {
  return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180;
}

// Column positions by header name.
class CsvColumns {
 public:
  explicit CsvColumns(const std::vector<std::string>& header) {
    for (size_t i = 0; i < header.size(); ++i) index_[header[i]] = i;
  }
  bool has(const char* name) const { return index_.count(name) != 0; }
  std::string get(const std::vector<std::string>& row, const char* name) const {
    auto it = index_.find(name);
    return it == index_.end() || it->second >= row.size() ? std::string() : row[it->second];
  }

 private:
  std::map<std::string, size_t> index_;
};

struct CsvFile {
  explicit CsvFile(const std::string& path) : f(std::fopen(path.c_str(), "rb")) {}
  ~CsvFile() { if (f) std::fclose(f); }
  std::FILE* f;
};

// Opens a CSV file and reads its header row; false with a message when the file
// cannot be read or lacks one of the required columns.
bool openCsv(const std::string& path, const std::vector<const char*>& required, CsvFile* file,
             std::vector<std::string>* header, std::string* error);

// Opens the file as openCsv does and calls row(columns, fields) for each record
// that is not blank; false with openCsv's message when it cannot.
template <typename RowFn>
bool forEachCsvRow(const std::string& path, const std::vector<const char*>& required, std::string* error,
                   RowFn row) {
  CsvFile file(path);
  std::vector<std::string> header;
  if (!openCsv(path, required, &file, &header, error)) return false;
  const CsvColumns cols(header);
  std::string record;
  while (readCsvRecord(file.f, &record)) {
    if (trim(record).empty()) continue;
    row(cols, splitCsvRecord(record));
  }
  return true;
}

// Mean position of runway ends, per airport, kept in first-seen order.
struct PositionSums {
  std::vector<std::string> order;
  std::unordered_map<std::string, std::pair<double, double>> sum;  // lat, lon (degrees)
  std::unordered_map<std::string, int> count;
  void add(const std::string& id, double lat, double lon) {
    if (!count.count(id)) order.push_back(id);
    auto& s = sum[id];
    s.first += lat;
    s.second += lon;
    ++count[id];
  }
};

}  // namespace navconv_detail
