#pragma once
// The one thread that runs every HTTP transfer of the process (libcurl's multi interface) and
// posts what happens to the main run loop.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/net/HTTPTransfer.h"

typedef void CURLM;

namespace tessaly::platform {

class HTTPTransferEngine {
 public:
  static HTTPTransferEngine& shared();
  ~HTTPTransferEngine();
  HTTPTransferEngine(const HTTPTransferEngine&) = delete;
  HTTPTransferEngine& operator=(const HTTPTransferEngine&) = delete;

  // Main thread: hands a transfer to the thread, or takes it away again.
  void start(const std::shared_ptr<HTTPTransfer>& transfer);
  void cancel(const std::shared_ptr<HTTPTransfer>& transfer);

  // Transfers the thread still holds (for tests: zero once cancelled ones are cleaned up).
  std::size_t activeTransfers() const;

 private:
  HTTPTransferEngine();
  void run();
  void applyRequests();
  void begin(const std::shared_ptr<HTTPTransfer>& transfer);
  void end(const std::shared_ptr<HTTPTransfer>& transfer);
  void collectFinished();

  CURLM* _multi = nullptr;
  std::thread _thread;
  mutable std::mutex _mutex;
  std::vector<std::shared_ptr<HTTPTransfer>> _toStart;
  std::vector<std::shared_ptr<HTTPTransfer>> _toCancel;
  std::vector<std::shared_ptr<HTTPTransfer>> _running;  // the thread's own list
  std::size_t _active = 0;
  bool _stopping = false;
};

}  // namespace tessaly::platform
