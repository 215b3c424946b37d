// Simulator paths on the local file system.
//
// The simulator and its data are written for a file system that ignores case and
// separates folders with '\'. Every reader of the viewer and the plug-in's recorder
// passes its path through here, so a folder copied from the simulator works whether
// its folders are named "DATA", "Data" or "data".
#pragma once

#include <cstdio>
#include <string>

namespace simpath {

// Maps '\' to '/', then walks the path one component at a time: a component that
// exists under its exact name is kept; otherwise the first entry of its folder (in
// byte order) that matches it case-insensitively is taken; when none matches the
// component is kept as written, so the result names a file that can be created, or
// a path that fails to open. "." and ".." are kept. An empty path stays empty.
std::string resolve(const std::string& path);

// fopen on the resolved path.
std::FILE* open(const char* path, const char* mode);

}  // namespace simpath
