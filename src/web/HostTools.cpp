#include "web/HostTools.h"

#include <chrono>
#include <filesystem>
#include <future>

#include <nlohmann/json.hpp>

#include "platform/foundation/FileSystem.h"
#include "platform/media/ScreenRenderer.h"
#include "platform/ui/UIDocumentInteractionController.h"
#include "web/DocumentsEndpoint.h"

namespace tessaly::web {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr const char* kDocumentsPrefix = "/api/documents";

// Runs work on the main loop and waits for its answer; 503 when the loop does not get to it.
HttpResponse onMainLoop(platform::RunLoop& loop, std::function<HttpResponse()> work) {
  auto promise = std::make_shared<std::promise<HttpResponse>>();
  std::future<HttpResponse> answer = promise->get_future();
  loop.post([promise, work = std::move(work)] { promise->set_value(work()); });
  auto wait = std::chrono::duration<double>(HostTools::kMainLoopWaitSeconds);
  if (answer.wait_for(wait) != std::future_status::ready)
    return textResponse(503, "the application did not answer in time");
  return answer.get();
}

}  // namespace

HostTools::HostTools(WebApplication& application, platform::RunLoop& loop)
    : _application(application), _loop(loop), _recorder(std::make_unique<ScreenRecorder>()) {}

HostTools::~HostTools() {
  if (_recorder->isRecording()) _recorder->stopRecording();
  // The handler points here: without it, no application can take a file again.
  if (_handlerInstalled) platform::UIDocumentInteractionController::setOpenInHandler(nullptr);
}

std::string HostTools::snapshot() {
  std::string state = _application.snapshot();
  std::error_code ec;
  json tools = {
      {"recorder",
       {{"recording", _recorder->isRecording()},
        {"movie", !_recorder->isRecording() && fs::exists(ScreenRecorder::moviePath(), ec)}}},
      {"offer",
       _offerSerial == 0 ? json(nullptr) : json{{"name", _offered}, {"serial", _offerSerial}}}};
  // The application's state is one object: the tools join it as one more member.
  std::size_t close = state.rfind('}');
  if (close == std::string::npos) return state;
  bool empty = state.find_first_not_of(" \t\r\n", state.find('{') + 1) == close;
  // In place: the state may be megabytes.
  state.resize(close);
  if (!empty) state += ',';
  state += "\"tools\":";
  state += tools.dump();
  state += '}';
  return state;
}

platform::Result<> HostTools::apply(const WebInput& input) {
  if (input.kind != WebInput::Kind::Recorder) return _application.apply(input);
  if (input.name == "start") {
    // A second start begins a new movie, as the recorder does.
    _recorder->startRecording();
    return platform::done();
  }
  if (!_recorder->isRecording()) return platform::Refusal{"the recorder is not recording"};
  _recorder->stopRecording();
  return platform::done();
}

bool HostTools::offer(const std::string& path) {
  std::error_code ec;
  fs::path file = fs::weakly_canonical(path, ec);
  fs::path documents = fs::weakly_canonical(platform::documentsDirectory(), ec);
  std::string name = file.filename().string();
  if (file.parent_path() != documents || !DocumentsEndpoint::refuseName(name).empty()) return false;
  _offered = name;
  ++_offerSerial;
  return true;
}

void HostTools::installOpenInHandler() {
  _handlerInstalled = true;
  platform::UIDocumentInteractionController::setOpenInHandler(
      [this](const std::string& path) { return offer(path); });
}

void HostTools::mountOn(WebHost& host) {
  platform::RunLoop& loop = _loop;
  host.mount("/api/screen.png", [&loop](const HttpRequest& request) {
    if (request.path != "/api/screen.png") return textResponse(404, "not found");
    return onMainLoop(loop, [] {
      HttpResponse response;
      response.contentType = "image/png";
      response.body = platform::ScreenRenderer::screenshot(1).pngData();
      if (response.body.empty()) return textResponse(503, "the screen has no size yet");
      return response;
    });
  });
  host.mount("/api/screen.mov", [this, &loop](const HttpRequest& request) {
    if (request.path != "/api/screen.mov") return textResponse(404, "not found");
    // Whether a movie is there is the main loop's to say: a recording may be under way.
    HttpResponse known = onMainLoop(loop, [this] {
      if (_recorder->isRecording())
        return textResponse(409, "the recorder is still recording; stop it first");
      if (!platform::isReadableFile(ScreenRecorder::moviePath()))
        return textResponse(404, "no movie has been recorded yet: start and stop the recorder");
      return HttpResponse{};
    });
    if (known.status != 200) return known;
    auto data = platform::readFile(ScreenRecorder::moviePath());
    if (!data) return textResponse(404, "no movie has been recorded yet");
    HttpResponse response;
    response.contentType = "video/quicktime";
    response.body = std::move(*data);
    response.headers = {
        {"Content-Disposition", DocumentsEndpoint::attachmentHeader(ScreenRecorder::kFileName)}};
    return response;
  });
  // Files are read and written on the main loop, in turn with the application's own saves.
  host.mount(
      kDocumentsPrefix,
      [&loop](const HttpRequest& request) {
        std::string rest = request.path.substr(std::string(kDocumentsPrefix).size());
        if (request.method == "POST") {
          if (!rest.empty() && rest != "/")
            return textResponse(405, "refused: upload to /api/documents?name=NAME");
          std::string name = request.param("name");
          bool replace = request.param("replace") == "1";
          auto body = std::make_shared<const std::string>(request.body);
          return onMainLoop(loop, [body, name, replace] {
            return DocumentsEndpoint::upload(platform::documentsDirectory(), name, *body, replace);
          });
        }
        if (rest.empty() || rest == "/")
          return onMainLoop(loop,
                            [] { return DocumentsEndpoint::list(platform::documentsDirectory()); });
        if (rest.front() != '/') return textResponse(404, "not found");
        std::string name = rest.substr(1);
        return onMainLoop(loop, [name] {
          return DocumentsEndpoint::download(platform::documentsDirectory(), name);
        });
      },
      true);
}

}  // namespace tessaly::web
