// `tessaly headless`: the application started without a browser from the command line.
#include "cli/HeadlessCommand.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/LaunchedApp.h"

namespace tessaly::testing {
namespace {

class HeadlessCommandTest : public LaunchedApp {
 protected:
  int run(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    _out.str("");
    _err.str("");
    return cli::runHeadless(static_cast<int>(argv.size()), argv.data(), _out, _err);
  }
  int count(const std::string& fragment) const {
    std::string text = _out.str();
    int n = 0;
    for (auto at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1))
      ++n;
    return n;
  }
  std::ostringstream _out, _err;
};

TEST_F(HeadlessCommandTest, PressesAndTapsShowUpOnTheScreen) {
  ASSERT_EQ(run({"--documents", _documents.path(), "--press", "100,100", "--press", "200,100",
                 "--press", "200,200", "--tap", "4"}),
            0)
      << _err.str();
  EXPECT_EQ(count("device phone window 320x480\n"), 1) << _out.str();
  EXPECT_EQ(count(" green \"Starting point\""), 1) << _out.str();
  EXPECT_EQ(count(" purple \"Distance: "), 2) << _out.str();
  EXPECT_EQ(count(" purple \"Area: "), 1) << _out.str();
  EXPECT_EQ(count("line 4 points\n"), 1) << _out.str();
  EXPECT_EQ(count("toolbar 1+ 3+ 2+ 4- 5+ 6+\n"), 1) << _out.str();
}

TEST_F(HeadlessCommandTest, TabletShowsTheTotalWithItsUnit) {
  ASSERT_EQ(run({"--device", "tablet", "--documents", _documents.path(), "--press", "100,100"}), 0);
  EXPECT_EQ(count("device tablet window 768x1024\n"), 1) << _out.str();
  EXPECT_EQ(count("status \"0 km\"\n"), 1) << _out.str();
}

TEST_F(HeadlessCommandTest, RefusedInputsStopWithAReason) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const Case cases[] = {
      {{"--tap", "4"}, "toolbar item 4 is disabled"},
      {{"--tap", "9"}, "no toolbar item has tag 9"},
      {{"--press", "1000,10"}, "the point (1000, 10) is outside the map view"},
      {{"--press", "ten,10"}, "--press wants X,Y"},
      {{"--press", "nan,10"}, "--press wants X,Y"},
      {{"--tap", "4x"}, "--tap wants a command tag"},
      {{"--device", "watch"}, "usage: tessaly headless"},
      {{"--press"}, "usage: tessaly headless"},
  };
  for (const auto& c : cases) {
    auto args = c.args;
    args.insert(args.begin(), {"--documents", _documents.path()});
    EXPECT_EQ(run(args), 2) << c.message;
    EXPECT_NE(_err.str().find(c.message), std::string::npos) << _err.str();
  }
}

}  // namespace
}  // namespace tessaly::testing
