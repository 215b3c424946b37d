// Frame counter for the benchmark build of the viewer (viewer_fps), never the
// shipped one. It reads the view to measure from the environment (BENCH_ZOOM,
// BENCH_LONG, BENCH_LAT, BENCH_SECONDS), sets the sliders once, lets the first
// frames (list compilation) pass, counts chart frames for the given time, prints
// one line "fps zoom=Z frames=N seconds=S fps=F" and ends the process.
#pragma once

class puSlider;

void fpsProbeStart(puSlider* longSlider, puSlider* latSlider, puSlider* zoomSlider);
void fpsProbeFrame();
