#include "gshhg_convert.h"

#include <netcdf.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <unordered_map>

namespace {

const int64_t kBinSteps = 65535;

// One open netCDF file; closes itself.
class NcFile {
 public:
  explicit NcFile(const std::string& path) { ok_ = nc_open(path.c_str(), NC_NOWRITE, &id_) == NC_NOERR; }
  ~NcFile() { if (ok_) nc_close(id_); }
  bool ok() const { return ok_; }

  bool scalar(const char* name, int* value) const {
    int var;
    return nc_inq_varid(id_, name, &var) == NC_NOERR && nc_get_var_int(id_, var, value) == NC_NOERR;
  }
  // Reads a one-dimensional variable of any integer type as int.
  bool ints(const char* name, std::vector<int>* out) const {
    int var, ndims;
    if (nc_inq_varid(id_, name, &var) != NC_NOERR) return false;
    if (nc_inq_varndims(id_, var, &ndims) != NC_NOERR || ndims != 1) return false;
    int dim;
    size_t len;
    if (nc_inq_vardimid(id_, var, &dim) != NC_NOERR || nc_inq_dimlen(id_, dim, &len) != NC_NOERR) return false;
    out->assign(len, 0);
    return len == 0 || nc_get_var_int(id_, var, out->data()) == NC_NOERR;
  }

 private:
  int id_ = -1;
  bool ok_ = false;
};

uint64_t pointKey(int64_t x, int64_t y) {
  return (static_cast<uint64_t>(x + (int64_t(1) << 31)) << 32) ^ static_cast<uint64_t>(y);
}

}  // namespace

bool readBinnedPieces(const std::string& path, const GeoLineFilter& filter,
                      std::vector<GridPiece>* pieces, double* stepDegrees, std::string* error) {
  pieces->clear();
  NcFile nc(path);
  if (!nc.ok()) {
    *error = "cannot open " + path;
    return false;
  }
  int binMinutes = 0, nx = 0, ny = 0;
  if (!nc.scalar("Bin_size_in_minutes", &binMinutes) || !nc.scalar("N_bins_in_360_longitude_range", &nx) ||
      !nc.scalar("N_bins_in_180_degree_latitude_range", &ny) || binMinutes <= 0 || nx <= 0 || ny <= 0 ||
      nx % 2 != 0) {
    *error = path + ": not a binned shoreline/river file (bin scalars missing)";
    return false;
  }
  std::vector<int> firstSeg, segCount, firstPoint, rawLon, rawLat, npts, levels, antFlags;
  bool ok = nc.ints("Id_of_first_segment_in_a_bin", &firstSeg) && nc.ints("N_segments_in_a_bin", &segCount) &&
            nc.ints("Id_of_first_point_in_a_segment", &firstPoint) &&
            nc.ints("Relative_longitude_from_SW_corner_of_bin", &rawLon) &&
            nc.ints("Relative_latitude_from_SW_corner_of_bin", &rawLat);
  if (ok && filter.riverFile) {
    ok = nc.ints("N_points_for_a_segment", &npts) && nc.ints("Hierarchial_level_of_a_segment", &levels);
  } else if (ok) {
    std::vector<int> embedded;
    ok = nc.ints("Embedded_npts_levels_exit_entry_for_a_segment", &embedded);
    for (int e : embedded) {
      npts.push_back(static_cast<int>(static_cast<unsigned>(e) >> 9));
      levels.push_back((e >> 6) & 7);
    }
  }
  if (!ok || firstSeg.size() != segCount.size() || npts.size() != firstPoint.size() ||
      levels.size() != firstPoint.size() || rawLon.size() != rawLat.size()) {
    *error = path + ": variables missing or of mismatched sizes";
    return false;
  }
  *stepDegrees = binMinutes / 60.0 / kBinSteps;
  const size_t nbins = std::min<size_t>(firstSeg.size(), size_t(nx) * size_t(ny));
  for (size_t b = 0; b < nbins; ++b) {
    const int row = static_cast<int>(b / nx), col = static_cast<int>(b % nx);
    const int64_t colShift = col < nx / 2 ? col : col - nx;  // keeps -180..180
    const int64_t x0 = colShift * kBinSteps, y0 = int64_t(ny - 1 - row) * kBinSteps;
    for (int k = 0; k < segCount[b]; ++k) {
      const int64_t s = int64_t(firstSeg[b]) + k;
      if (s < 0 || s >= int64_t(firstPoint.size())) continue;
      if (std::find(filter.levels.begin(), filter.levels.end(), levels[s]) == filter.levels.end()) continue;
      const int64_t p0 = firstPoint[s], n = npts[s];
      if (p0 < 0 || n < 2 || p0 + n > int64_t(rawLon.size())) continue;
      GridPiece piece;
      piece.level = levels[s];
      for (int64_t p = p0; p < p0 + n; ++p) {
        const int64_t x = x0 + (static_cast<unsigned>(rawLon[p]) & 0xFFFF);
        const int64_t y = y0 + (static_cast<unsigned>(rawLat[p]) & 0xFFFF);
        if (!piece.x.empty() && piece.x.back() == x && piece.y.back() == y) continue;
        piece.x.push_back(x);
        piece.y.push_back(y);
      }
      if (piece.x.size() >= 2) pieces->push_back(std::move(piece));
    }
  }
  return true;
}

std::vector<GeoLine> joinPieces(const std::vector<GridPiece>& pieces, double stepDegrees) {
  // Every piece end, by grid point; a piece's start is recorded as 2i, its end as 2i+1.
  std::unordered_map<uint64_t, std::vector<size_t>> ends;
  ends.reserve(pieces.size() * 2);
  for (size_t i = 0; i < pieces.size(); ++i) {
    const GridPiece& p = pieces[i];
    ends[pointKey(p.x.front(), p.y.front())].push_back(2 * i);
    ends[pointKey(p.x.back(), p.y.back())].push_back(2 * i + 1);
  }
  std::vector<bool> used(pieces.size(), false);
  // Finds an unused piece touching (x, y); prefers the given end so that
  // lines keep their direction where the data gives one.
  auto findNext = [&](int64_t x, int64_t y, bool wantStart, bool* reversed) -> long {
    auto it = ends.find(pointKey(x, y));
    if (it == ends.end()) return -1;
    long other = -1;
    for (size_t code : it->second) {
      const size_t i = code / 2;
      if (used[i]) continue;
      const bool isStart = (code % 2) == 0;
      if (isStart == wantStart) {
        *reversed = false;
        return static_cast<long>(i);
      }
      if (other < 0) other = static_cast<long>(i);
    }
    *reversed = true;
    return other;
  };

  std::vector<GeoLine> lines;
  for (size_t first = 0; first < pieces.size(); ++first) {
    if (used[first]) continue;
    used[first] = true;
    std::deque<int64_t> xs(pieces[first].x.begin(), pieces[first].x.end());
    std::deque<int64_t> ys(pieces[first].y.begin(), pieces[first].y.end());
    auto closed = [&] { return xs.size() > 2 && xs.front() == xs.back() && ys.front() == ys.back(); };
    // Forward from the tail.
    while (!closed()) {
      bool rev = false;
      long q = findNext(xs.back(), ys.back(), true, &rev);
      if (q < 0) break;
      used[q] = true;
      const GridPiece& p = pieces[q];
      const size_t n = p.x.size();
      for (size_t k = 1; k < n; ++k) {
        const size_t j = rev ? n - 1 - k : k;
        xs.push_back(p.x[j]);
        ys.push_back(p.y[j]);
      }
    }
    // Backward from the head.
    while (!closed()) {
      bool rev = false;
      long q = findNext(xs.front(), ys.front(), false, &rev);
      if (q < 0) break;
      used[q] = true;
      const GridPiece& p = pieces[q];
      const size_t n = p.x.size();
      for (size_t k = 1; k < n; ++k) {
        const size_t j = rev ? k : n - 1 - k;
        xs.push_front(p.x[j]);
        ys.push_front(p.y[j]);
      }
    }
    GeoLine line;
    line.id = pieces[first].level;
    line.lon.reserve(xs.size());
    line.lat.reserve(ys.size());
    for (size_t k = 0; k < xs.size(); ++k) {
      line.lon.push_back(xs[k] * stepDegrees);
      line.lat.push_back(-90.0 + ys[k] * stepDegrees);
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

bool writePolylineFile(const std::string& path, const std::vector<GeoLine>& lines, GeoLineStats* stats) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  size_t total = 0;
  for (const GeoLine& l : lines) total += l.lon.size();
  std::fprintf(f, "%zu %zu 0\n", lines.size(), total);
  for (const GeoLine& l : lines) {
    const auto lon = std::minmax_element(l.lon.begin(), l.lon.end());
    const auto lat = std::minmax_element(l.lat.begin(), l.lat.end());
    std::fprintf(f, "%d %.5f %.5f %.5f %.5f %zu\n", l.id, *lon.first, *lon.second, *lat.first, *lat.second,
                 l.lon.size());
    for (size_t k = 0; k < l.lon.size(); ++k) std::fprintf(f, "%.5f %.5f\n", l.lon[k], l.lat[k]);
  }
  const bool ok = std::ferror(f) == 0;
  if (std::fclose(f) != 0 || !ok) return false;
  if (stats) {
    stats->lines = lines.size();
    stats->points = total;
  }
  return true;
}

bool convertBinnedFile(const std::string& in, const GeoLineFilter& filter, const std::string& out,
                       GeoLineStats* stats, std::string* error) {
  std::vector<GridPiece> pieces;
  double step = 0;
  if (!readBinnedPieces(in, filter, &pieces, &step, error)) return false;
  const std::vector<GeoLine> lines = joinPieces(pieces, step);
  // Write beside the target and rename, so an interrupted run never leaves a
  // half-written file that a later run would take as up to date.
  const std::string tmp = out + ".part";
  GeoLineStats s;
  if (!writePolylineFile(tmp, lines, &s)) {
    std::remove(tmp.c_str());
    *error = "cannot write " + out + ": " + std::strerror(errno);
    return false;
  }
  if (std::rename(tmp.c_str(), out.c_str()) != 0) {
    std::remove(tmp.c_str());
    *error = "cannot replace " + out + ": " + std::strerror(errno);
    return false;
  }
  s.pieces = pieces.size();
  if (stats) *stats = s;
  return true;
}
