// The web host under load, run by hand (never a test): cmake --preset bench, then
//   build-bench/bench/web_load_bench [seconds]
// A child process serves a recording screen on a free loopback port; this process, at once and
// for 10 s: 50 event-stream viewers, 1000 inputs a second on one kept-alive connection, 30
// clients sending their headers a byte a second and 100 idle connections (both reconnecting
// when cut off, from their own loopback addresses), and GET /api/state every 10 ms. Reports
// the state's latency (p50, p95, max), the child's peak RSS, and whether every input was
// applied once and in order.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/foundation/RunLoop.h"
#include "web/RawSocket.h"
#include "web/WebHost.h"

namespace {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

// Records the x of each long press; the state says how many came and whether in order.
class Recorder : public tessaly::web::WebApplication {
 public:
  std::string snapshot() override {
    json recent = json::array();
    for (std::size_t i = _seen.size() > 50 ? _seen.size() - 50 : 0; i < _seen.size(); ++i)
      recent.push_back(_seen[i]);
    return json{{"applied", _seen.size()}, {"inOrder", _inOrder}, {"recent", recent}}.dump();
  }
  tessaly::platform::Result<> apply(const tessaly::web::WebInput& input) override {
    long x = static_cast<long>(input.point.x);
    if (x != static_cast<long>(_seen.size())) _inOrder = false;
    _seen.push_back(x);
    return tessaly::platform::done();
  }

 private:
  std::vector<long> _seen;
  bool _inOrder = true;
};

int serve(int portPipe) {
  tessaly::platform::RunLoop loop;
  Recorder recorder;
  tessaly::web::WebHostOptions options;
  options.port = 0;
  tessaly::web::WebHost host(recorder, loop, options);
  if (auto bound = host.bind(); !bound) {
    std::fprintf(stderr, "bench: %s\n", bound.reason().c_str());
    return 1;
  }
  host.start();
  int port = host.port();
  if (write(portPipe, &port, sizeof port) != sizeof port) return 1;
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread waiter([&] {
    int received;
    sigwait(&signals, &received);
    loop.stop();
  });
  loop.post([&] { host.publish(); });
  loop.run();
  host.stop();
  waiter.join();
  return 0;
}

std::string host(int port) {
  return "127.0.0.1:" + std::to_string(port);
}

double percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

long peakRssKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 10;
  int pipes[2];
  if (pipe(pipes) != 0) return 1;
  pid_t child = fork();
  if (child == 0) {
    close(pipes[0]);
    _exit(serve(pipes[1]));
  }
  close(pipes[1]);
  int port = 0;
  if (read(pipes[0], &port, sizeof port) != sizeof port) return 1;
  signal(SIGPIPE, SIG_IGN);
  std::string stateRequest = "GET /api/state HTTP/1.1\r\nHost: " + host(port) + "\r\n\r\n";
  {  // the first snapshot is out
    RawSocket first(port);
    first.send(stateRequest);
    first.readResponse(10);
  }

  std::atomic<bool> running{true};
  auto end = Clock::now() +
             std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::vector<std::thread> threads;

  // 50 viewers from five addresses.
  std::atomic<long> events{0}, viewersRefused{0};
  for (int group = 0; group < 5; ++group)
    threads.emplace_back([&, group] {
      std::string from = "127.0.1." + std::to_string(group + 1);
      std::vector<std::unique_ptr<RawSocket>> viewers;
      for (int i = 0; i < 10; ++i) {
        viewers.push_back(std::make_unique<RawSocket>(port, from.c_str()));
        viewers.back()->send("GET /api/events HTTP/1.1\r\nHost: " + host(port) + "\r\n\r\n");
      }
      for (auto& v : viewers)
        if (v->readUntil("\r\n", 2).find(" 200 ") == std::string::npos) ++viewersRefused;
      while (running)
        for (auto& v : viewers) {
          std::string got = v->readUntil("\n\n", 0.01);
          for (std::size_t at = got.find("event: "); at != std::string::npos;
               at = got.find("event: ", at + 1))
            ++events;
        }
    });

  // 30 slow-header clients, a byte a second, reconnecting when cut off.
  std::atomic<long> slowCut{0};
  threads.emplace_back([&] {
    std::vector<std::unique_ptr<RawSocket>> slow;
    for (int i = 0; i < 30; ++i) slow.push_back(std::make_unique<RawSocket>(port, "127.0.2.1"));
    while (running) {
      for (auto& s : slow)
        if (!s->send("X") || s->closedWithin(0)) {
          ++slowCut;
          s = std::make_unique<RawSocket>(port, "127.0.2.1");
        }
      for (int i = 0; i < 100 && running; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  });

  // 100 idle connections from four addresses, reopened when the server closes them.
  std::atomic<long> idleCut{0};
  threads.emplace_back([&] {
    std::vector<std::unique_ptr<RawSocket>> idle;
    auto from = [](int i) { return "127.0.3." + std::to_string(i % 4 + 1); };
    for (int i = 0; i < 100; ++i)
      idle.push_back(std::make_unique<RawSocket>(port, from(i).c_str()));
    while (running) {
      for (int i = 0; i < 100; ++i)
        if (idle[i]->closedWithin(0)) {
          ++idleCut;
          idle[i] = std::make_unique<RawSocket>(port, from(i).c_str());
        }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });

  // 1000 inputs a second on one kept-alive connection, in order.
  std::atomic<long> sent{0}, refused{0};
  threads.emplace_back([&] {
    RawSocket input(port);
    auto start = Clock::now();
    for (long i = 0; Clock::now() < end; ++i) {
      std::this_thread::sleep_until(start + std::chrono::microseconds(1000 * i));
      std::string body = R"({"type":"longPress","point":{"x":)" + std::to_string(i) + R"(,"y":0}})";
      input.send("POST /api/input HTTP/1.1\r\nHost: " + host(port) +
                 "\r\nContent-Type: application/json\r\nContent-Length: " +
                 std::to_string(body.size()) + "\r\n\r\n" + body);
      std::string answer = input.readResponse(10);
      ++sent;
      if (answer.rfind("HTTP/1.1 200", 0) != 0) ++refused;
    }
  });

  // The state, every 10 ms, as a person's page would ask.
  std::vector<double> latencies;
  long unanswered = 0;
  {
    auto prober = std::make_unique<RawSocket>(port, "127.0.4.1");
    while (Clock::now() < end) {
      auto start = Clock::now();
      prober->send(stateRequest);
      std::string answer = prober->readResponse(5);
      if (answer.rfind("HTTP/1.1 200", 0) != 0) {
        ++unanswered;
        prober = std::make_unique<RawSocket>(port, "127.0.4.1");
      } else {
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      }
      std::this_thread::sleep_until(start + std::chrono::milliseconds(10));
    }
  }
  running = false;
  for (auto& t : threads) t.join();

  RawSocket last(port);
  last.send(stateRequest);
  std::string answer = last.readResponse(5);
  json state = json::parse(answer.substr(answer.find("\r\n\r\n") + 4), nullptr, false);
  long rss = peakRssKb(child);
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);

  std::printf("web host under load for %.0f s (50 viewers, 30 slow-header clients, 100 idle)\n",
              seconds);
  std::printf(
      "GET /api/state: %zu answered, %ld unanswered; p50 %.2f ms, p95 %.2f ms, max %.2f ms\n",
      latencies.size(), unanswered, percentile(latencies, 0.5), percentile(latencies, 0.95),
      latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end()));
  std::printf("inputs: %ld sent (%.0f/s), %ld refused; applied %s, in order: %s\n", sent.load(),
              sent / seconds, refused.load(),
              state.is_object() ? state["applied"].dump().c_str() : "?",
              state.is_object() && state["inOrder"] == true ? "yes" : "no");
  std::printf("viewers: %ld refused, %ld events received\n", viewersRefused.load(), events.load());
  std::printf("slow-header clients cut off %ld times, idle connections closed %ld times\n",
              slowCut.load(), idleCut.load());
  std::printf("server peak RSS: %.1f MB\n", rss / 1024.0);
  bool ok = state.is_object() && state["applied"] == sent.load() && state["inOrder"] == true;
  return ok ? 0 : 1;
}
