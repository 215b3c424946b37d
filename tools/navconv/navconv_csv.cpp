// Quoted CSV records, and opening a CSV file by its header.
#include <cerrno>
#include <cstring>

#include "navconv.h"
#include "navconv_parse.h"

std::vector<std::string> splitCsvRecord(const std::string& record) {
  std::vector<std::string> fields;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < record.size(); ++i) {
    const char c = record[i];
    if (quoted) {
      if (c == '"') {
        if (i + 1 < record.size() && record[i + 1] == '"') {
          field.push_back('"');
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field.push_back(c);
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(field);
      field.clear();
    } else if (c != '\r') {
      field.push_back(c);
    }
  }
  fields.push_back(field);
  return fields;
}

bool readCsvRecord(std::FILE* in, std::string* record) {
  record->clear();
  bool quoted = false, any = false;
  int c;
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '"') quoted = !quoted;  // "" toggles twice: still right
    if (c == '\n' && !quoted) break;
    record->push_back(static_cast<char>(c));
  }
  while (!record->empty() && record->back() == '\r') record->pop_back();
  return any;
}

namespace navconv_detail {

bool openCsv(const std::string& path, const std::vector<const char*>& required, CsvFile* file,
             std::vector<std::string>* header, std::string* error) {
  if (!file->f) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string record;
  if (!readCsvRecord(file->f, &record)) {
    *error = path + ": empty file";
    return false;
  }
  *header = splitCsvRecord(record);
  if (!header->empty() && header->front().compare(0, 3, "\xEF\xBB\xBF") == 0) header->front().erase(0, 3);
  CsvColumns cols(*header);
  for (const char* name : required) {
    if (!cols.has(name)) {
      *error = path + ": no column \"" + name + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace navconv_detail
