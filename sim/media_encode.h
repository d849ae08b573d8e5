#pragma once

#include <string>
#include <vector>

namespace orbix::sim {

// The ffmpeg command line (program name first) that encodes clip `number`
// into path: a moving test picture with the program's name and a tone whose
// pitch is the program's own, in every coding ClipCodecs(number) lists, one
// PES per access unit.
std::vector<std::string> ClipEncodeCommand(int number, const std::string& path);

// Encodes every clip the cache folder dir lacks with ffmpeg, `jobs` at a
// time, each written under a temporary name and renamed when complete, the
// last clip last (its presence marks a complete cache). False with a reason
// when ffmpeg cannot be run or fails.
bool BuildMediaCache(const std::string& dir, int jobs, std::string& error);

}  // namespace orbix::sim
