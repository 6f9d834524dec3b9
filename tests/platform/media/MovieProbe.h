#pragma once
// Reads a movie file back with ffprobe: the video stream's facts and every frame's time.
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace tessaly::testing {

struct MovieFacts {
  bool readable = false;
  std::string codec;
  int width = 0;
  int height = 0;
  std::string timeBase;
  std::vector<long long> pts;  // in the stream's time base, in file order
};

inline std::string runCommand(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  ::pclose(pipe);
  return out;
}

inline MovieFacts probeMovie(const std::string& path) {
  MovieFacts facts;
  std::istringstream stream(
      runCommand("ffprobe -v error -select_streams v:0 -show_entries "
                 "stream=codec_name,width,height,time_base -of default=nw=1 '" +
                 path + "' 2>/dev/null"));
  std::string line;
  while (std::getline(stream, line)) {
    auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "codec_name") facts.codec = value;
    if (key == "width") facts.width = std::atoi(value.c_str());
    if (key == "height") facts.height = std::atoi(value.c_str());
    if (key == "time_base") facts.timeBase = value;
  }
  facts.readable = !facts.codec.empty();
  std::istringstream frames(
      runCommand("ffprobe -v error -select_streams v:0 -show_entries packet=pts -of csv=p=0 '" +
                 path + "' 2>/dev/null"));
  while (std::getline(frames, line)) {
    if (!line.empty()) facts.pts.push_back(std::atoll(line.c_str()));
  }
  return facts;
}

// The mean of one colour channel (0 blue, 1 green, 2 red) of a decoded frame's pixels, read as
// BGRA by ffmpeg from the frame at index.
inline std::vector<unsigned char> decodeFrameBGRA(const std::string& path, int index) {
  std::string raw =
      runCommand("ffmpeg -v error -i '" + path + "' -vf 'select=eq(n\\," + std::to_string(index) +
                 ")' -vframes 1 -f rawvideo -pix_fmt bgra - 2>/dev/null");
  return std::vector<unsigned char>(raw.begin(), raw.end());
}

}  // namespace tessaly::testing
