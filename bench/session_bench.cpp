// The session front, run by hand (never a test): cmake --preset bench, build tessaly and this,
// then   build-bench/bench/session_bench [path/to/tessaly] [sessions] [presses]
// Starts the real program twice on free loopback ports: once as the session front (a process
// per browser session) and once as the direct host (--single). Reports:
//  - for each of `sessions` new browsers (no cookie): the time from its first request (the
//    page) to the first state of its own session that holds the map screen;
//  - the resident memory of each of those session processes once idle, and of the two hosts;
//  - press to pin: a long press posted and the state read back with the new pin, p50/p95/max,
//    through the front and on the direct host, in alternating batches in the same run.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using nlohmann::json;

const char* const kNoTiles = "http://127.0.0.1:9/{z}/{x}/{y}.png";

double msSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

void report(const char* what, const std::vector<double>& ms) {
  std::printf("%s: %zu, p50 %.2f ms, p95 %.2f ms, max %.2f ms\n", what, ms.size(),
              percentile(ms, 0.5), percentile(ms, 0.95),
              ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()));
}

long rssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

// The processes whose parent is pid.
std::vector<pid_t> childrenOf(pid_t pid) {
  std::vector<pid_t> children;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    std::getline(stat, text);
    std::size_t close = text.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int parent = 0;
    if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &parent) == 2 && parent == pid)
      children.push_back(std::stoi(name));
  }
  return children;
}

// The program serving on a free port; its address read from its first line.
struct Server {
  pid_t pid = 0;
  int port = 0;

  bool start(const std::string& program, const fs::path& documents, bool single) {
    int out[2];
    if (pipe(out) != 0) return false;
    std::vector<std::string> args = {program,        "serve",
                                     "--listen",     "127.0.0.1:0",
                                     "--documents",  documents.string(),
                                     "--tiles",      kNoTiles,
                                     "--imagery",    kNoTiles,
                                     "--geocoder",   "http://127.0.0.1:9",
                                     "--directions", "http://127.0.0.1:9",
                                     "--device",     "phone"};
    if (single) args.push_back("--single");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, 2);
      close(out[0]);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while (text.find('\n') == std::string::npos && (n = read(out[0], buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    std::size_t at = text.find("127.0.0.1:");
    if (at == std::string::npos) return false;
    port = std::atoi(text.c_str() + at + 10);
    return port > 0;
  }
  void stop() {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status;
    waitpid(pid, &status, 0);
    pid = 0;
  }
};

// One browser: its own connection and the session cookie the front gives it.
struct Browser {
  explicit Browser(int port) : client("127.0.0.1", port) {
    client.set_keep_alive(true);
    // A browser sends each request at once; without this the small writes wait for an ACK.
    client.set_tcp_nodelay(true);
    client.set_read_timeout(30, 0);
  }
  httplib::Headers headers() const {
    return cookie.empty() ? httplib::Headers{} : httplib::Headers{{"Cookie", cookie}};
  }
  httplib::Result keep(httplib::Result res) {
    if (res && res->has_header("Set-Cookie")) {
      std::string set = res->get_header_value("Set-Cookie");
      cookie = set.substr(0, set.find(';'));
    }
    return res;
  }
  std::optional<json> state() {
    auto res = keep(client.Get("/api/state", headers()));
    if (!res || res->status != 200) return std::nullopt;
    return json::parse(res->body, nullptr, false);
  }
  bool press(double x, double y) {
    json input = {{"type", "longPress"}, {"point", {{"x", x}, {"y", y}}}};
    auto res = keep(client.Post("/api/input", headers(), input.dump(), "application/json"));
    return res && res->status == 200;
  }
  httplib::Client client;
  std::string cookie;
};

// The map view in a state's screen tree, or null.
const json* findMapView(const json& node) {
  if (!node.is_object()) return nullptr;
  if (node.value("kind", "") == "mapView") return &node;
  auto children = node.find("children");
  if (children == node.end() || !children->is_array()) return nullptr;
  for (const auto& child : *children)
    if (const json* found = findMapView(child)) return found;
  return nullptr;
}

const json* mapView(const json& state) {
  auto screen = state.find("screen");
  return screen == state.end() ? nullptr : findMapView(*screen);
}

std::size_t pins(const json& state) {
  const json* map = mapView(state);
  if (!map) return 0;
  std::size_t count = 0;
  for (const auto& annotation : map->value("annotations", json::array()))
    if (annotation.value("view", json()) == "pin") ++count;
  return count;
}

bool hasMap(const std::optional<json>& state) {
  return state && !state->is_discarded() && mapView(*state);
}

// Presses once and reads states until the new pin is there; the time it took, or -1.
double pressToPin(Browser& browser, std::size_t& count, int i) {
  auto t0 = Clock::now();
  // A grid, 30 points apart: no press lands on an earlier pin (that would open its callout).
  if (!browser.press(30 + (i % 9) * 30, 100 + (i / 9 % 10) * 30)) return -1;
  for (int tries = 0; tries < 100; ++tries) {
    auto s = browser.state();
    if (s && !s->is_discarded() && pins(*s) > count) {
      count = pins(*s);
      return msSince(t0);
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string program =
      argc > 1 ? argv[1] : (fs::path(argv[0]).parent_path().parent_path() / "tessaly").string();
  int sessions = argc > 2 ? std::atoi(argv[2]) : 6;
  int presses = argc > 3 ? std::atoi(argv[3]) : 90;
  fs::path documents =
      fs::temp_directory_path() / ("tessaly-session-bench-" + std::to_string(getpid()));
  fs::create_directories(documents);

  Server front, single;
  if (!front.start(program, documents, false) || !single.start(program, documents, true)) {
    std::fprintf(stderr, "bench: cannot start %s\n", program.c_str());
    front.stop();
    single.stop();
    return 1;
  }
  std::printf("front on port %d (pid %d), direct host on port %d (pid %d)\n", front.port, front.pid,
              single.port, single.pid);

  // New browsers, one after the other: the page, then states until the map screen is there.
  std::vector<double> firstMap;
  std::vector<std::unique_ptr<Browser>> browsers;
  for (int i = 0; i < sessions; ++i) {
    auto browser = std::make_unique<Browser>(front.port);
    auto t0 = Clock::now();
    auto page = browser->keep(browser->client.Get("/"));
    if (!page || page->status != 200) {
      std::fprintf(stderr, "bench: the page was refused (%d)\n", page ? page->status : -1);
      break;
    }
    std::optional<json> s;
    while (!hasMap(s = browser->state()) && msSince(t0) < 30000) {
    }
    if (!hasMap(s)) {
      std::fprintf(stderr, "bench: session %d never showed the map screen\n", i);
      break;
    }
    firstMap.push_back(msSince(t0));
    browsers.push_back(std::move(browser));
  }
  std::printf(
      "first request to the map screen, %zu new sessions: p50 %.0f ms, max %.0f ms "
      "(goal under 1000 ms)\n",
      firstMap.size(), percentile(firstMap, 0.5),
      firstMap.empty() ? 0 : *std::max_element(firstMap.begin(), firstMap.end()));

  // Idle: nobody touches the sessions for a while, then their processes are measured.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  std::vector<double> idleMb;
  for (pid_t child : childrenOf(front.pid)) idleMb.push_back(rssKb(child) / 1024.0);
  if (!idleMb.empty()) {
    double sum = 0;
    for (double mb : idleMb) sum += mb;
    std::printf("idle session processes: %zu, RSS mean %.1f MB, max %.1f MB\n", idleMb.size(),
                sum / static_cast<double>(idleMb.size()),
                *std::max_element(idleMb.begin(), idleMb.end()));
  }
  std::printf("front RSS %.1f MB; direct host RSS %.1f MB\n", rssKb(front.pid) / 1024.0,
              rssKb(single.pid) / 1024.0);

  // Press to pin, through the front and on the direct host, in alternating batches.
  Browser direct(single.port);
  Browser& session = browsers.empty() ? direct : *browsers.front();
  std::size_t sessionPins = pins(session.state().value_or(json::object()));
  std::size_t directPins = pins(direct.state().value_or(json::object()));
  std::vector<double> viaFront, viaDirect;
  int failures = 0;
  for (int i = 0; i < presses; i += 10) {
    for (int k = i; k < std::min(presses, i + 10); ++k) {
      double ms = pressToPin(session, sessionPins, k);
      if (ms < 0)
        ++failures;
      else
        viaFront.push_back(ms);
    }
    for (int k = i; k < std::min(presses, i + 10); ++k) {
      double ms = pressToPin(direct, directPins, k);
      if (ms < 0)
        ++failures;
      else
        viaDirect.push_back(ms);
    }
  }
  report("press to pin through the front", viaFront);
  report("press to pin on the direct host", viaDirect);
  std::printf("p95 added by the session layer: %.2f ms (goal under 5 ms); %d presses failed\n",
              percentile(viaFront, 0.95) - percentile(viaDirect, 0.95), failures);

  front.stop();
  single.stop();
  fs::remove_all(documents);
  return failures == 0 ? 0 : 1;
}
