#pragma once
// What the host offers beside the application itself: the screen recorder (started and
// stopped by an input, since nothing in the application does), pictures of the screen, the
// finished movie, the documents directory (list, download, upload) and the files the
// application offers to other applications, which the browser then shares or downloads.
// It wraps the application's side of the host: the state gains a "tools" object, recorder
// inputs are taken here, every other input goes on to the application.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/foundation/RunLoop.h"
#include "recorder/ScreenRecorder.h"
#include "web/WebHost.h"

namespace tessaly::web {

class HostTools : public WebApplication {
 public:
  // Main loop only, like every WebApplication.
  HostTools(WebApplication& application, platform::RunLoop& loop);
  ~HostTools() override;
  HostTools(const HostTools&) = delete;
  HostTools& operator=(const HostTools&) = delete;

  std::string snapshot() override;
  platform::Result<> apply(const WebInput& input) override;

  // Answers GET /api/screen.png, /api/screen.mov, /api/documents[/NAME] and POST
  // /api/documents on host. Call before the host starts.
  void mountOn(WebHost& host);
  // Makes the application's "open in" menu offer files to the browser (the host's handler);
  // without it no application can take a file.
  void installOpenInHandler();

  // The seconds a request waits for the main loop before it gets 503.
  static constexpr double kMainLoopWaitSeconds = 10;

  ScreenRecorder& recorder() { return *_recorder; }
  // The open-in handler: a file of the documents directory is offered (and true), any other
  // file cannot be.
  bool offer(const std::string& path);

 private:
  WebApplication& _application;
  platform::RunLoop& _loop;
  std::unique_ptr<ScreenRecorder> _recorder;
  std::string _offered;            // the name of the last file offered
  std::uint64_t _offerSerial = 0;  // counts the offers, so the page acts on each once
  bool _handlerInstalled = false;
};

}  // namespace tessaly::web
