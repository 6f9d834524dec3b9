#pragma once
// The one developer log: lines go to standard error, and tests can capture them.
#include <functional>
#include <string>
#include <vector>

namespace tessaly::platform {

// Writes one line (no trailing newline needed).
void log(const std::string& line);

// printf-style convenience: logf("%s %d NOT FOUND", __func__, __LINE__).
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// While alive, every logged line is also appended to lines(); captures nest.
class LogCapture {
 public:
  explicit LogCapture(bool alsoToStderr = false);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const;
  bool contains(const std::string& fragment) const;

 private:
  friend void log(const std::string&);
  LogCapture* _previous;
  bool _alsoToStderr;
  std::vector<std::string> _lines;
};

}  // namespace tessaly::platform
