#include "platform/foundation/Log.h"

#include <cstdarg>
#include <cstdio>
#include <iostream>
#include <mutex>

namespace tessaly::platform {
namespace {
std::mutex& logMutex() {
  static std::mutex m;
  return m;
}
LogCapture* currentCapture = nullptr;
}  // namespace

void log(const std::string& line) {
  std::lock_guard lock(logMutex());
  if (currentCapture != nullptr) {
    currentCapture->_lines.push_back(line);
    if (!currentCapture->_alsoToStderr) return;
  }
  std::cerr << line << '\n';
}

void logf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
  if (size > 0) std::vsnprintf(text.data(), text.size() + 1, format, args);
  va_end(args);
  log(text);
}

LogCapture::LogCapture(bool alsoToStderr) : _alsoToStderr(alsoToStderr) {
  std::lock_guard lock(logMutex());
  _previous = currentCapture;
  currentCapture = this;
}

LogCapture::~LogCapture() {
  std::lock_guard lock(logMutex());
  currentCapture = _previous;
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(logMutex());
  return _lines;
}

bool LogCapture::contains(const std::string& fragment) const {
  for (const auto& line : lines())
    if (line.find(fragment) != std::string::npos) return true;
  return false;
}

}  // namespace tessaly::platform
