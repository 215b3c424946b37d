#include "debrief_output.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

bool has(double v) { return v == v; }

// One number in `format`; magnitudes no flight has (a file's absurd values) in
// scientific notation rather than dozens of digits, and -0 as 0.
std::string fmt(const char* format, double v) {
  char buf[96];
  v += 0.0;
  if (std::isfinite(v) && std::fabs(v) >= 1e9) {
    const char* conv = std::strchr(format, '%');
    const char* end = conv ? std::strpbrk(conv + 1, "fg") : nullptr;
    if (end) {
      std::snprintf(buf, sizeof buf, "%.*s%.4g%s", static_cast<int>(conv - format), format, v, end + 1);
      return buf;
    }
  }
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

// "1234.0 s (20:34)", hours when there are any.
std::string clock(double t) {
  if (!std::isfinite(t)) return "?";
  const long long s = std::llround(std::fabs(t));
  char buf[96];
  if (s >= 3600) {
    std::snprintf(buf, sizeof buf, "%.1f s (%s%lld:%02lld:%02lld)", t, t < 0 ? "-" : "", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buf, sizeof buf, "%.1f s (%s%lld:%02lld)", t, t < 0 ? "-" : "", s / 60, s % 60);
  }
  return buf;
}

std::string side(double crossNm) { return crossNm > 0 ? " right" : crossNm < 0 ? " left" : ""; }

std::string crossText(const Stat& s) {
  if (s.count == 0) return "cross-track -";
  return "cross-track max " + fmt("%.2f", s.maxAbs) + " NM" + side(s.extreme) + ", rms " + fmt("%.2f", s.rms) + " NM";
}

std::string angularText(const Stat& s) {
  if (s.count == 0) return "angular -";
  return "angular max " + fmt("%.1f", s.maxAbs) + " deg, rms " + fmt("%.1f", s.rms) + " deg";
}

// Degrees as hemisphere, degrees and decimal minutes.
std::string degreesMinutes(double deg, char positive, char negative, int degreeDigits) {
  if (!std::isfinite(deg)) return "?";
  const long long hundredths = std::llround(std::fabs(deg) * 6000);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c%0*lld %05.2f", deg < 0 ? negative : positive, degreeDigits, hundredths / 6000,
                static_cast<double>(hundredths % 6000) / 100);
  return buf;
}

std::string bearing(double magnetic) { return fmt("%03.0f", wrap360(std::round(magnetic))); }

std::string heading(const ExerciseDebrief& d) {
  std::string h = "#" + std::to_string(d.index) + " " + formCode(d.form) + "  " + d.navaidType + " " + d.navaidId +
                  " \"" + d.navaidName + "\"";
  if (!d.resolved) return h;
  switch (d.form) {
    case FormLine:
      h += "  QDM " + bearing(d.qdm) + " (" + fmt("%.1f", wrap360(d.qdm + d.variation)) + " true) inbound, QDR " +
           bearing(d.qdr) + " (" + fmt("%.1f", wrap360(d.qdr + d.variation)) + " true) outbound";
      break;
    case FormHipp:
      h += "  inbound " + bearing(d.qdm) + " (" + fmt("%.1f", d.hold.inboundTrue) + " true), " +
           (d.hold.turnLeft ? "left" : "right") + " turns, legs " + fmt("%.0f", d.legTimeS) + " s, " +
           fmt("%.2f", d.hold.legNm) + " NM";
      break;
    case FormRely:
    case FormCoor:
      if (!d.waypoints.empty()) {
        const GeoPos p = d.waypoints[0].pos;
        h += "  waypoint " + degreesMinutes(p.lat, 'N', 'S', 2) + " " + degreesMinutes(p.lon, 'E', 'W', 3);
      }
      break;
    case FormAdme:
      if (!d.waypoints.empty())
        h += "  " + fmt("%.1f", d.arc.radiusNm > 0 ? d.arc.radiusNm : 0) + " NM arc from " +
             bearing(d.waypoints.front().bearingMag) + " to " + bearing(d.waypoints.back().bearingMag) + ", " +
             std::to_string(d.entries) + " entries";
      break;
    default:
      break;
  }
  return h;
}

void row(std::FILE* out, const char* label, const std::string& text) {
  std::fprintf(out, "  %-22s %s\n", label, text.c_str());
}

}  // namespace

void writeText(std::FILE* out, const DebriefReport& r) {
  std::fprintf(out, "DEBRIEF of %s\n", r.trackName.c_str());
  std::fprintf(out, "track: %zu points, %s to %s", r.points, clock(r.startS).c_str(), clock(r.endS).c_str());
  if (r.skipped) std::fprintf(out, "; %zu points left out (not a position)", r.skipped);
  std::fprintf(out, "\nexercises: %s\n", r.title.c_str());
  for (const ExerciseDebrief& d : r.exercises) {
    std::fprintf(out, "\n%s\n", heading(d).c_str());
    if (!d.resolved) {
      row(out, "not resolved", d.form == FormUnknown ? "unknown form: nothing is drawn for it"
                                                     : "no geometry, not measured (the loader's message is on standard error)");
      continue;
    }
    const std::string closest =
        d.closest.valid() ? fmt("%.2f", d.closest.nm) + " NM at " + clock(d.closest.t) : std::string("- (no track)");
    if (!d.flown) {
      row(out, "NOT FLOWN", "closest approach " + closest);
      continue;
    }
    row(out, "closest approach", closest);
    for (const LineResult& l : d.lines)
      row(out, l.label.c_str(),
          crossText(l.crossTrack) + "; " + angularText(l.angular) + " (" + std::to_string(l.samples.size()) + " points)");
    if (d.form == FormLine) row(out, "both lines", crossText(d.crossTrack) + "; " + angularText(d.angular));
    if (d.form == FormHipp) {
      const HoldResult& h = d.holdResult;
      std::string times;
      for (const FixCrossing& c : h.crossings) times += (times.empty() ? "" : ", ") + fmt("%.1f s", c.t);
      row(out, "laps", std::to_string(h.laps.size()) + " (" + std::to_string(h.crossings.size()) + " fix crossings" +
                           (times.empty() ? "" : ": " + times) + ")");
      for (size_t j = 0; j < h.laps.size(); ++j) {
        const Lap& lap = h.laps[j];
        const std::string name = "lap " + std::to_string(j + 1);
        std::string text;
        if (has(lap.inboundLegS)) {
          text = "inbound leg " + fmt("%.1f", lap.inboundLegS) + " s (TRI " + fmt("%.0f", d.legTimeS) + " s, " +
                 fmt("%+.1f", lap.inboundLegS - d.legTimeS) + " s), " + crossText(lap.crossTrack);
        } else {
          text = "inbound leg - (never within 10 deg of the inbound course after the turn)";
        }
        text += ", excursion " + fmt("%.2f", lap.excursionNm) + " NM";
        row(out, name.c_str(), text);
      }
      row(out, "excursion", has(h.excursionNm) ? fmt("%.2f", h.excursionNm) + " NM beyond the racetrack, non-holding side"
                                               : std::string("- (no lap)"));
    }
    if (d.form == FormAdme) {
      const std::string stats =
          d.dmeError.count == 0
              ? std::string("- (no point in the sector)")
              : "max " + fmt("%.2f", d.dmeError.maxAbs) + " NM" + (d.dmeError.extreme > 0 ? " outside" : " inside") +
                    ", rms " + fmt("%.2f", d.dmeError.rms) + " NM (" + std::to_string(d.dmeError.count) + " points)";
      row(out, "DME error", stats + "; outside +-1 NM " + fmt("%.1f", d.outsideS) + " s");
      for (const WaypointResult& w : d.waypoints) {
        const std::string name = "#" + std::to_string(w.index) + " on " + bearing(w.bearingMag);
        row(out, name.c_str(), fmt("%.2f", w.closest.nm) + " NM at " + clock(w.closest.t));
      }
    }
  }
}

// ---- JSON and CSV ----

std::string cleanUtf8(const std::string& s) {
  std::string out;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const size_t n = s.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (c == '\t' || c == '\n' || c == '\r') out += ' ';
      else if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
      ++i;
      continue;
    }
    // Length and smallest value of the sequence a lead byte starts.
    size_t len = 0;
    uint32_t cp = 0, min = 0;
    if (c >= 0xc2 && c <= 0xdf) len = 2, cp = c & 0x1f, min = 0x80;
    else if (c >= 0xe0 && c <= 0xef) len = 3, cp = c & 0x0f, min = 0x800;
    else if (c >= 0xf0 && c <= 0xf4) len = 4, cp = c & 0x07, min = 0x10000;
    bool ok = len != 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) {
      if ((p[i + k] & 0xc0) != 0x80) ok = false;
      else cp = (cp << 6) | (p[i + k] & 0x3f);
    }
    ok = ok && cp >= min && cp <= 0x10ffff && !(cp >= 0xd800 && cp <= 0xdfff);
    if (ok) {
      out.append(s, i, len);
      i += len;
    } else {
      out += "\xef\xbf\xbd";
      ++i;
    }
  }
  return out;
}

namespace {

std::string jsonString(const std::string& s) {
  std::string out = "\"";
  for (char c : cleanUtf8(s)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string jsonNumber(double v, const char* format) { return has(v) && std::isfinite(v) ? fmt(format, v) : "null"; }

// {"max": X, "rms": X} and any further members.
std::string jsonStat(const Stat& s, const char* format, const std::string& more = "") {
  return "{\"max\": " + jsonNumber(s.maxAbs, format) + ", \"rms\": " + jsonNumber(s.rms, format) + more + "}";
}

}  // namespace

void writeJson(std::FILE* out, const DebriefReport& r) {
  std::fprintf(out, "{\"track\": %s, \"exercises\": [", jsonString(r.trackName).c_str());
  for (size_t i = 0; i < r.exercises.size(); ++i) {
    const ExerciseDebrief& d = r.exercises[i];
    std::string e = "{\"index\": " + std::to_string(d.index) + ", \"form\": " + jsonString(formCode(d.form)) +
                    ", \"navaid\": " + jsonString(d.navaidId);
    if (!d.resolved) {
      e += ", \"resolved\": false}";
    } else {
      e += std::string(", \"flown\": ") + (d.flown ? "true" : "false") + ", \"closest_nm\": " +
           jsonNumber(d.closest.nm, "%.3f") + ", \"closest_time_s\": " + jsonNumber(d.closest.t, "%.2f");
      if (d.flown) {
        if (d.form == FormLine || d.form == FormHipp)
          e += ", \"cross_track_nm\": " + jsonStat(d.crossTrack, "%.3f") + ", \"angular_deg\": " +
               jsonStat(d.angular, "%.2f");
        if (d.form == FormAdme) {
          e += ", \"dme_error_nm\": " + jsonStat(d.dmeError, "%.3f", ", \"outside_s\": " + fmt("%.2f", d.outsideS));
          e += ", \"waypoints\": [";
          for (size_t k = 0; k < d.waypoints.size(); ++k)
            e += std::string(k ? ", " : "") + "{\"index\": " + std::to_string(d.waypoints[k].index) +
                 ", \"closest_nm\": " + jsonNumber(d.waypoints[k].closest.nm, "%.3f") +
                 ", \"closest_time_s\": " + jsonNumber(d.waypoints[k].closest.t, "%.2f") + "}";
          e += "]";
        }
        if (d.form == FormHipp) {
          e += ", \"laps\": [";
          for (size_t k = 0; k < d.holdResult.laps.size(); ++k)
            e += std::string(k ? ", " : "") + "{\"inbound_leg_s\": " +
                 jsonNumber(d.holdResult.laps[k].inboundLegS, "%.2f") + "}";
          e += "], \"excursion_nm\": " + jsonNumber(d.holdResult.excursionNm, "%.3f");
        }
      }
      e += "}";
    }
    std::fprintf(out, "%s\n  %s", i ? "," : "", e.c_str());
  }
  std::fprintf(out, "%s]}\n", r.exercises.empty() ? "" : "\n");
}

namespace {

std::string csvField(const std::string& s) {
  const std::string c = cleanUtf8(s);
  if (c.find_first_of(",\"") == std::string::npos) return c;
  std::string out = "\"";
  for (char ch : c) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + "\"";
}

}  // namespace

void writeCsv(std::FILE* out, const DebriefReport& r) {
  std::fprintf(out, "index,form,navaid,metric,value\n");
  for (const ExerciseDebrief& d : r.exercises) {
    const std::string lead = std::to_string(d.index) + "," + formCode(d.form) + "," + csvField(d.navaidId) + ",";
    auto put = [&](const std::string& metric, double v, const char* format) {
      std::fprintf(out, "%s%s,%s\n", lead.c_str(), metric.c_str(), has(v) && std::isfinite(v) ? fmt(format, v).c_str() : "");
    };
    put("resolved", d.resolved ? 1 : 0, "%.0f");
    if (!d.resolved) continue;
    put("flown", d.flown ? 1 : 0, "%.0f");
    put("closest_nm", d.closest.nm, "%.3f");
    put("closest_time_s", d.closest.t, "%.2f");
    if (!d.flown) continue;
    if (d.form == FormLine || d.form == FormHipp) {
      put("cross_track_max_nm", d.crossTrack.maxAbs, "%.3f");
      put("cross_track_rms_nm", d.crossTrack.rms, "%.3f");
      put("angular_max_deg", d.angular.maxAbs, "%.2f");
      put("angular_rms_deg", d.angular.rms, "%.2f");
    }
    if (d.form == FormAdme) {
      put("dme_error_max_nm", d.dmeError.maxAbs, "%.3f");
      put("dme_error_rms_nm", d.dmeError.rms, "%.3f");
      put("dme_error_outside_s", d.outsideS, "%.2f");
      for (const WaypointResult& w : d.waypoints) {
        put("entry" + std::to_string(w.index) + ".closest_nm", w.closest.nm, "%.3f");
        put("entry" + std::to_string(w.index) + ".closest_time_s", w.closest.t, "%.2f");
      }
    }
    if (d.form == FormHipp) {
      put("laps", static_cast<double>(d.holdResult.laps.size()), "%.0f");
      for (size_t k = 0; k < d.holdResult.laps.size(); ++k)
        put("lap" + std::to_string(k + 1) + ".inbound_leg_s", d.holdResult.laps[k].inboundLegS, "%.2f");
      put("excursion_nm", d.holdResult.excursionNm, "%.3f");
    }
  }
}

// ---- SVG ----

namespace {

constexpr double kWidth = 900, kLeft = 80, kRight = 30, kPanelHeight = 170, kPanelGap = 46, kHeadHeight = 34;

struct Series {
  std::string name, colour;
  std::vector<std::vector<std::pair<double, double>>> runs;  // broken where points do not follow each other
};

struct Panel {
  std::string yLabel;
  double bandLo, bandHi;
  bool symmetric;
  std::vector<Series> series;
  std::vector<std::pair<double, std::string>> marks;  // vertical lines at times
  struct Span {
    double t0, t1;
    std::string label;
  };
  std::vector<Span> spans;  // shaded stretches of time (a lap's inbound leg)
};

std::string xml(const std::string& s) {
  std::string out;
  for (char c : cleanUtf8(s)) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else out += c;
  }
  return out;
}

// A step of 1, 2 or 5 times a power of ten giving about `ticks` intervals.
double niceStep(double range, int ticks) {
  if (!(range > 0) || !std::isfinite(range)) return 1;
  const double raw = range / ticks;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  const double m = raw / p;
  return (m < 1.5 ? 1 : m < 3.5 ? 2 : m < 7.5 ? 5 : 10) * p;
}

template <class Sample, class Value>
void addRuns(Series& s, const std::vector<Sample>& samples, Value value) {
  size_t last = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i == 0 || samples[i].index != last + 1) s.runs.emplace_back();
    s.runs.back().push_back({samples[i].t, value(samples[i])});
    last = samples[i].index;
  }
}

void drawPanel(std::FILE* out, double top, const Panel& p, double t0, double t1) {
  const double x0 = kLeft, x1 = kWidth - kRight, y0 = top, y1 = top + kPanelHeight;
  double lo = p.symmetric ? -2 * p.bandHi : 0, hi = 2 * p.bandHi;
  for (const Series& s : p.series)
    for (const auto& run : s.runs)
      for (const auto& v : run) {
        if (!std::isfinite(v.second)) continue;
        hi = std::max(hi, v.second * 1.1);
        lo = std::min(lo, v.second * 1.1);
      }
  if (p.symmetric) hi = std::max(hi, -lo), lo = -hi;
  const double ystep = niceStep(hi - lo, 6);
  hi = std::ceil(hi / ystep - 1e-9) * ystep;
  lo = std::floor(lo / ystep + 1e-9) * ystep;
  auto X = [&](double t) { return x0 + (t - t0) / (t1 - t0) * (x1 - x0); };
  auto Y = [&](double v) { return y1 - (std::max(lo, std::min(hi, v)) - lo) / (hi - lo) * (y1 - y0); };

  std::fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#ffffff\" stroke=\"#444\"/>\n", x0,
               y0, x1 - x0, y1 - y0);
  std::fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#c8ecc8\"/>\n", x0, Y(p.bandHi),
               x1 - x0, Y(p.bandLo) - Y(p.bandHi));
  // Grid and tick labels.
  for (double v = lo; v <= hi + ystep * 1e-6; v += ystep) {
    const double vv = std::fabs(v) < ystep * 1e-6 ? 0 : v;
    std::fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"0.6\"/>\n", x0,
                 Y(vv), x1, Y(vv), vv == 0 ? "#666" : "#ddd");
    std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%s</text>\n", x0 - 5, Y(vv) + 4,
                 fmt("%g", vv).c_str());
  }
  const double tstep = niceStep(t1 - t0, 8);
  for (double t = std::ceil(t0 / tstep) * tstep; t <= t1 + tstep * 1e-6; t += tstep) {
    std::fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\" stroke-width=\"0.6\"/>\n",
                 X(t), y0, X(t), y1);
    std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%s</text>\n", X(t), y1 + 15,
                 fmt("%g", t).c_str());
  }
  for (const Panel::Span& sp : p.spans) {
    const double a = X(std::max(t0, sp.t0)), b = X(std::min(t1, sp.t1));
    if (!(b > a)) continue;
    std::fprintf(out, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#e8d8f4\" opacity=\"0.7\"/>\n", a,
                 y0, b - a, y1 - y0);
    std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\" fill=\"#6a3d9a\">%s</text>\n", b - 3, y1 - 22,
                 xml(sp.label).c_str());
  }
  for (const auto& m : p.marks) {
    if (m.first < t0 || m.first > t1) continue;
    const bool nearRight = X(m.first) > x1 - 120;  // label to the left of the line there
    std::fprintf(out, "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"#a33\" stroke-dasharray=\"4 3\"/>\n",
                 X(m.first), y0, X(m.first), y1);
    std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" fill=\"#a33\"%s>%s</text>\n", X(m.first) + (nearRight ? -3 : 3),
                 y0 + 12, nearRight ? " text-anchor=\"end\"" : "", xml(m.second).c_str());
  }
  for (const Series& s : p.series) {
    for (const auto& run : s.runs) {
      if (run.size() == 1) {
        std::fprintf(out, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"2\" fill=\"%s\"/>\n", X(run[0].first), Y(run[0].second),
                     s.colour.c_str());
        continue;
      }
      std::fprintf(out, "<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"1.4\" points=\"", s.colour.c_str());
      for (const auto& v : run) std::fprintf(out, "%.1f,%.1f ", X(v.first), Y(v.second));
      std::fprintf(out, "\"/>\n");
    }
  }
  // Legend, axis titles.
  double lx = x1 - 8;
  for (size_t i = p.series.size(); i-- > 0;) {
    const Series& s = p.series[i];
    std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\" fill=\"%s\">%s</text>\n", lx, y1 - 8,
                 s.colour.c_str(), xml(s.name).c_str());
    lx -= 9.0 * s.name.size() + 16;
  }
  std::fprintf(out, "<text transform=\"translate(%.1f %.1f) rotate(-90)\" text-anchor=\"middle\">%s</text>\n", x0 - 48,
               (y0 + y1) / 2, xml(p.yLabel).c_str());
  std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">elapsed time (s)</text>\n", (x0 + x1) / 2,
               y1 + 31);
}

std::vector<Panel> panelsOf(const ExerciseDebrief& d, const std::vector<TrackSample>& track) {
  std::vector<Panel> panels;
  if (!d.resolved || !d.flown) return panels;
  static const char* const kColours[] = {"#1f5fb4", "#d0671a"};
  if (d.form == FormLine || d.form == FormHipp) {
    Panel cross{"cross-track (NM), right +", -kCrossTrackBandNm, kCrossTrackBandNm, true, {}, {}, {}};
    Panel angular{"angular deviation (deg)", -kAngularBandDeg, kAngularBandDeg, true, {}, {}, {}};
    for (size_t i = 0; i < d.lines.size(); ++i) {
      const LineResult& l = d.lines[i];
      Series c{l.label, kColours[i % 2], {}}, a{l.label, kColours[i % 2], {}};
      addRuns(c, l.samples, [](const LineSample& s) { return s.crossNm; });
      addRuns(a, l.samples, [](const LineSample& s) { return s.angularDeg; });
      cross.series.push_back(c);
      angular.series.push_back(a);
    }
    for (const FixCrossing& c : d.holdResult.crossings) {
      cross.marks.push_back({c.t, "fix"});
      angular.marks.push_back({c.t, "fix"});
    }
    for (size_t k = 0; k < d.holdResult.laps.size(); ++k) {
      const Lap& lap = d.holdResult.laps[k];
      if (!has(lap.inboundLegS)) continue;
      const Panel::Span span{lap.rollOut, lap.fixTime,
                             "lap " + std::to_string(k + 1) + ": " + fmt("%.0f", lap.inboundLegS) + " s"};
      cross.spans.push_back(span);
      angular.spans.push_back(span);
    }
    panels.push_back(cross);
    panels.push_back(angular);
  } else if (d.form == FormAdme) {
    Panel dme{"DME error (NM), outside +", -kDmeBandNm, kDmeBandNm, true, {}, {}, {}};
    Series s{"distance - " + fmt("%.1f", d.arc.radiusNm) + " NM", kColours[0], {}};
    addRuns(s, d.arcPoints, [](const ArcSample& a) { return a.errorNm; });
    dme.series.push_back(s);
    panels.push_back(dme);
  } else if ((d.form == FormRely || d.form == FormCoor) && !d.waypoints.empty()) {
    // The distance to the waypoint while within the radius that counts as flown.
    struct Near {
      size_t index;
      double t, nm;
    };
    std::vector<Near> near;
    for (size_t i = 0; i < track.size(); ++i) {
      const double nm = geoDistanceNm(track[i].pos, d.waypoints[0].pos);
      if (nm <= kFlownWithinNm) near.push_back({i, track[i].t, nm});
    }
    Panel dist{"distance to the waypoint (NM)", 0, kCrossTrackBandNm, false, {}, {}, {}};
    Series s{"distance", kColours[0], {}};
    addRuns(s, near, [](const Near& n) { return n.nm; });
    dist.series.push_back(s);
    dist.marks.push_back({d.closest.t, "closest " + fmt("%.2f", d.closest.nm) + " NM"});
    panels.push_back(dist);
  }
  return panels;
}

// Time span of what a panel shows.
bool spanOf(const std::vector<Panel>& panels, double* t0, double* t1) {
  bool any = false;
  for (const Panel& p : panels)
    for (const Series& s : p.series)
      for (const auto& run : s.runs)
        for (const auto& v : run) {
          if (!any) *t0 = *t1 = v.first;
          *t0 = std::min(*t0, v.first);
          *t1 = std::max(*t1, v.first);
          any = true;
        }
  if (!any) return false;
  const double pad = std::max(5.0, 0.02 * (*t1 - *t0));
  *t0 -= pad;
  *t1 += pad;
  return true;
}

}  // namespace

void writeSvg(std::FILE* out, const DebriefReport& r) {
  struct Block {
    std::string head, note;
    std::vector<Panel> panels;
    double t0 = 0, t1 = 1;
  };
  std::vector<Block> blocks;
  double height = 50;
  for (const ExerciseDebrief& d : r.exercises) {
    Block b;
    b.head = heading(d);
    b.panels = panelsOf(d, r.track);
    if (!d.resolved) {
      b.note = "not resolved: no geometry, not measured";
    } else if (!d.flown) {
      b.note = "not flown: closest approach " + fmt("%.2f", d.closest.nm) + " NM at " + clock(d.closest.t);
    } else if (!spanOf(b.panels, &b.t0, &b.t1)) {
      b.note = "flown (closest approach " + fmt("%.2f", d.closest.nm) + " NM at " + clock(d.closest.t) +
               "), but no track point counts for it";
      b.panels.clear();
    }
    height += kHeadHeight + (b.panels.empty() ? 20 : b.panels.size() * (kPanelHeight + kPanelGap)) + 12;
    blocks.push_back(std::move(b));
  }
  std::fprintf(out,
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\" "
               "font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"12\">\n",
               kWidth, height, kWidth, height);
  std::fprintf(out, "<rect width=\"100%%\" height=\"100%%\" fill=\"#f7f7f4\"/>\n");
  std::fprintf(out, "<text x=\"10\" y=\"22\" font-size=\"16\" font-weight=\"bold\">DEBRIEF of %s</text>\n",
               xml(r.trackName).c_str());
  std::fprintf(out, "<text x=\"10\" y=\"40\">%s; green: tolerance (+-1 NM, +-5 deg, +-1 NM DME)</text>\n",
               xml(r.title).c_str());
  double y = 50;
  for (const Block& b : blocks) {
    std::fprintf(out, "<text x=\"10\" y=\"%.1f\" font-size=\"14\" font-weight=\"bold\">%s</text>\n", y + 22,
                 xml(b.head).c_str());
    y += kHeadHeight;
    if (b.panels.empty()) {
      std::fprintf(out, "<text x=\"%.1f\" y=\"%.1f\">%s</text>\n", kLeft, y + 10, xml(b.note).c_str());
      y += 20;
    }
    for (const Panel& p : b.panels) {
      drawPanel(out, y, p, b.t0, b.t1);
      y += kPanelHeight + kPanelGap;
    }
    y += 12;
  }
  std::fprintf(out, "</svg>\n");
}
