// One entry per reader for the fuzz targets and their regression replays.
//
// Each entry feeds raw bytes to a reader the way the viewer would meet them (as a
// file where the reader takes a path) and then walks what was read. It returns an
// empty string when every invariant held, otherwise a description of the first one
// that did not. A fuzz target aborts on a non-empty result; the regression test
// replays stored inputs through the same entries, so an input that once crashed a
// reader keeps being checked in the normal and the sanitizer builds.
//
// The entries share one scratch folder per process, created on first use; the
// process changes into it because the database readers open fixed relative paths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using FuzzEntry = std::string (*)(const uint8_t* data, size_t size);

std::string fuzzXml(const uint8_t* data, size_t size);
std::string fuzzPod(const uint8_t* data, size_t size);
std::string fuzzPolyline(const uint8_t* data, size_t size);
std::string fuzzTrack(const uint8_t* data, size_t size);
std::string fuzzCoordinate(const uint8_t* data, size_t size);
std::string fuzzExercises(const uint8_t* data, size_t size);
std::string fuzzNmea(const uint8_t* data, size_t size);  // the NMEA bridge's lines, epochs, samples

struct FuzzTarget {
  const char* name;  // also the folder name of its seeds and regression inputs
  FuzzEntry entry;
};
// Every target built into this configuration (the exercise loader only when its
// library exists).
const std::vector<FuzzTarget>& fuzzTargets();

// Absolute path of the per-process scratch folder (the working directory once any
// entry ran).
const std::string& fuzzScratchDir();

// Writes `bytes` to `path` (relative to the scratch folder); false on failure.
bool fuzzWriteFile(const std::string& path, const uint8_t* data, size_t size);

// Binary seeds built with the archive writer: archives holding all three tables,
// single tables, and a few damaged headers. Each element is one file's bytes.
std::vector<std::string> podSeeds();
