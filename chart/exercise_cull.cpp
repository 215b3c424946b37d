#include "exercise_cull.h"

#include <algorithm>

namespace {

ChartRect hull(const std::vector<ExercisePoint>& p) {
  ChartRect r = pointBox(p[0].x, p[0].y);
  for (const ExercisePoint& q : p) r = unite(r, pointBox(q.x, q.y));
  return r;
}

bool sameColor(const float* a, const float* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

ExerciseCuller::ExerciseCuller(std::vector<ExerciseDrawStep> steps, const TextMetrics& metrics)
    : steps_(std::move(steps)) {
  std::vector<ChartRect> boxes;
  State s;
  before_.reserve(steps_.size());
  for (uint32_t i = 0; i < steps_.size(); ++i) {
    const ExerciseDrawStep& step = steps_[i];
    before_.push_back(s);
    auto part = [&](uint32_t item, const ChartRect& box) {
      parts_.push_back({i, item});
      boxes.push_back(box);
    };
    switch (step.op) {
      case DrawOp::Color:
        s.hasColor = true;
        std::copy(step.color, step.color + 3, s.color);
        break;
      case DrawOp::PointSize:
        s.hasSize = true;
        s.size = step.size;
        break;
      case DrawOp::Lines:
        for (uint32_t k = 0; 2 * k + 1 < step.points.size(); ++k) {
          const ExercisePoint& a = step.points[2 * k];
          const ExercisePoint& b = step.points[2 * k + 1];
          part(k, segmentBox(a.x, a.y, b.x, b.y));
        }
        break;
      case DrawOp::Bezier:
        if (step.points.size() == 4) part(0, hull(step.points));  // other counts draw nothing
        break;
      case DrawOp::Points:
        for (uint32_t k = 0; k < step.points.size(); ++k) part(k, pointBox(step.points[k].x, step.points[k].y));
        break;
      case DrawOp::Labels:
        for (uint32_t k = 0; k < step.labels.size(); ++k) {
          const DrawLabel& l = step.labels[k];
          part(k, textBox(l.x, l.y, l.text.c_str(), step.size, metrics));
        }
        s.hasColor = true;  // the label block draws in black and leaves black current
        std::fill(s.color, s.color + 3, 0.0f);
        break;
    }
  }
  end_ = s;
  index_ = SpatialIndex(std::move(boxes));
}

std::vector<ExerciseDrawStep> ExerciseCuller::visibleSteps(const ChartRect& view) const {
  std::vector<uint32_t> ids;
  index_.query(view, &ids);
  std::vector<ExerciseDrawStep> out;
  State current;  // what the steps given out so far leave current
  auto setColor = [&](const State& want) {
    if (!want.hasColor || (current.hasColor && sameColor(current.color, want.color))) return;
    ExerciseDrawStep c;
    c.op = DrawOp::Color;
    std::copy(want.color, want.color + 3, c.color);
    out.push_back(c);
    current.hasColor = true;
    std::copy(want.color, want.color + 3, current.color);
  };
  auto setSize = [&](const State& want) {
    if (!want.hasSize || (current.hasSize && current.size == want.size)) return;
    ExerciseDrawStep p;
    p.op = DrawOp::PointSize;
    p.size = want.size;
    out.push_back(p);
    current.hasSize = true;
    current.size = want.size;
  };

  for (size_t k = 0; k < ids.size();) {
    const uint32_t stepIndex = parts_[ids[k]].step;
    const ExerciseDrawStep& step = steps_[stepIndex];
    ExerciseDrawStep shown;
    shown.op = step.op;
    shown.size = step.size;
    for (; k < ids.size() && parts_[ids[k]].step == stepIndex; ++k) {
      const uint32_t item = parts_[ids[k]].item;
      if (step.op == DrawOp::Lines) {
        shown.points.push_back(step.points[2 * item]);
        shown.points.push_back(step.points[2 * item + 1]);
      } else if (step.op == DrawOp::Bezier) {
        shown.points = step.points;
      } else if (step.op == DrawOp::Points) {
        shown.points.push_back(step.points[item]);
      } else {
        shown.labels.push_back(step.labels[item]);
      }
    }
    const State& want = before_[stepIndex];
    if (step.op != DrawOp::Labels) setColor(want);  // labels set their own black
    if (step.op == DrawOp::Points) setSize(want);
    out.push_back(std::move(shown));
    if (step.op == DrawOp::Labels) {
      current.hasColor = true;
      std::fill(current.color, current.color + 3, 0.0f);
    }
  }
  setColor(end_);
  setSize(end_);
  return out;
}
