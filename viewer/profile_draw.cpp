#include "profile_draw.h"

#include <GL/gl.h>
#include <plib/fnt.h>

#include "viewer_layout.h"

void drawProfile(const TrackFile& track, fntRenderer* text, fntTexFont* font) {
  glLineWidth(1);
  glColor3f(0.47f, 0.5f, 0.45f);
  for (int v = 50; v <= 1000; v += 50) {
    glBegin(GL_LINES);
    glVertex2i(v, 0);
    glVertex2i(v, 1000);
    glEnd();
  }
  for (int v = 50; v <= 1000; v += 50) {
    glBegin(GL_LINES);
    glVertex2i(0, v);
    glVertex2i(1000, v);
    glEnd();
  }

  glLineWidth(1);
  glBegin(GL_LINES);
  glColor3f(0.658f, 0.658f, 0.658f);
  const int axes[][4] = {{0, 0, 0, 1000},     {0, 0, 1000, 0},     {1000, 10, 1000, -10},
                         {-10, 1000, 10, 1000}, {-10, 500, 0, 500}, {-10, 750, 0, 750},
                         {-10, 250, 0, 250}};
  for (const auto& a : axes) {
    glVertex2i(a[0], a[1]);
    glVertex2i(a[2], a[3]);
  }
  glEnd();

  char altitudeLabel[kProfileLabelSize], timeLabel[kProfileLabelSize];
  profileLabels(altitudeLabel, timeLabel, TrackFile::maxAltitude, track.points);
  glEnable(GL_TEXTURE_2D);
  glColor3f(0, 0, 0);
  text->setFont(font);
  text->setPointSize(kProfileLabelPointSize);
  text->begin();
  text->start2f(-100, 1000);
  text->puts(altitudeLabel);
  text->start2f(925, -50);
  text->puts(timeLabel);
  text->end();
  glDisable(GL_TEXTURE_2D);

  if (track.loaded) {
    glBegin(GL_LINES);
    glColor3f(0.8f, 0.5f, 0);
    for (size_t i = 0; i + 1 < track.points.size(); ++i) {
      glVertex2d(track.points[i].elapsedScaled, track.points[i].altitudeScaled);
      glVertex2d(track.points[i + 1].elapsedScaled, track.points[i + 1].altitudeScaled);
    }
    glEnd();
  }
}
