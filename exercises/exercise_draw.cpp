#include "exercise_draw.h"

#include <GL/gl.h>

#include "exercise_draw_steps.h"

namespace {

void drawBezier(const std::vector<ExercisePoint>& p) {
  if (p.size() != 4) return;
  GLfloat control[4][3];
  for (int i = 0; i < 4; ++i) {
    control[i][0] = static_cast<GLfloat>(p[i].x);
    control[i][1] = static_cast<GLfloat>(p[i].y);
    control[i][2] = 0.0f;
  }
  glMap1f(GL_MAP1_VERTEX_3, 0.0f, 1.0f, 3, 4, &control[0][0]);
  glBegin(GL_LINE_STRIP);
  for (int i = 0; i <= kBezierSegments; ++i) glEvalCoord1f(static_cast<GLfloat>(i) / static_cast<GLfloat>(kBezierSegments));
  glEnd();
}

void drawLabels(const ExerciseDrawStep& step, fntRenderer* text, fntTexFont* font) {
  if (text == nullptr || font == nullptr) return;
  glEnable(GL_TEXTURE_2D);
  glColor3f(0.0f, 0.0f, 0.0f);
  text->setFont(font);
  text->setPointSize(step.size);
  text->begin();
  for (const DrawLabel& label : step.labels) {
    text->start2f(label.x, label.y);
    text->puts(label.text.c_str());
  }
  text->end();
  glDisable(GL_TEXTURE_2D);
}

}  // namespace

void drawExercises(const IfrExerciseSet& set, fntRenderer* text, fntTexFont* font) {
  drawExerciseSteps(exerciseDrawSteps(set), text, font);
}

void drawExerciseSteps(const std::vector<ExerciseDrawStep>& steps, fntRenderer* text, fntTexFont* font) {
  for (const ExerciseDrawStep& step : steps) {
    switch (step.op) {
      case DrawOp::Color:
        glColor3f(step.color[0], step.color[1], step.color[2]);
        break;
      case DrawOp::PointSize:
        glPointSize(step.size);
        break;
      case DrawOp::Lines:
      case DrawOp::Points:
        glBegin(step.op == DrawOp::Lines ? GL_LINES : GL_POINTS);
        for (const ExercisePoint& p : step.points) glVertex2d(p.x, p.y);
        glEnd();
        break;
      case DrawOp::Bezier:
        drawBezier(step.points);
        break;
      case DrawOp::Labels:
        drawLabels(step, text, font);
        break;
    }
  }
}
