// The viewer's own command-line option, taken out before GLUT sees the rest.
//
// GLUT owns the command line (-display, -geometry and its other options); the
// viewer adds one switch beside them, off by default:
//   --fast   the culled drawing: the same picture, a frame sends only what can be
//            on screen (tiled_chart.h).
// and --help (or -h) as the first argument, which prints the usage and exits.
#pragma once

// Removes every "--fast" from argv (keeping the order of the others and the
// terminating null) and lowers *argc; true when there was one.
bool takeFastOption(int* argc, char** argv);

// True when the first argument asks for the usage (--help or -h).
bool wantsHelp(int argc, char** argv);
// What --help prints.
extern const char kViewerUsage[];
