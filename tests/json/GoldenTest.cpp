// Golden outcomes: every input of data/golden.txt must decode exactly as the reader did when the
// file was written (see data/golden_generator.cpp): same kinds, values, double bits, shared
// objects, dictionary slots, or the same error text and position.
#include <fstream>
#include <string>
#include <vector>

#include "JsonTestSupport.h"
#include "json/GoldenRender.h"

namespace tessaly {
namespace {

struct GoldenCase {
  size_t line;
  std::string input;
  std::string expected[2];
};

std::vector<GoldenCase> loadGolden(std::string* problem) {
  const std::string path = std::string(TESSALY_JSON_TEST_DATA) + "/golden.txt";
  std::ifstream file(path, std::ios::binary);
  std::vector<GoldenCase> cases;
  if (!file) {
    *problem = "cannot open " + path;
    return cases;
  }
  std::string text;
  for (size_t line = 1; std::getline(file, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    const size_t tab1 = text.find('\t');
    const size_t tab2 = tab1 == std::string::npos ? tab1 : text.find('\t', tab1 + 1);
    GoldenCase c{line, {}, {}};
    if (tab2 == std::string::npos ||
        !golden::unescape(std::string_view(text).substr(0, tab1), &c.input)) {
      *problem = path + ":" + std::to_string(line) + ": malformed line";
      return cases;
    }
    c.expected[0] = text.substr(tab1 + 1, tab2 - tab1 - 1);
    c.expected[1] = text.substr(tab2 + 1);
    if (c.expected[1] == "=") c.expected[1] = c.expected[0];
    cases.push_back(std::move(c));
  }
  return cases;
}

// Long renderings are cut so that a report stays readable.
std::string shortened(const std::string& s) {
  return s.size() <= 400 ? s : s.substr(0, 400) + "... (" + std::to_string(s.size()) + " bytes)";
}

TEST(GoldenDecoder, EveryInputDecodesAsRecorded) {
  std::string problem;
  const std::vector<GoldenCase> cases = loadGolden(&problem);
  ASSERT_TRUE(problem.empty()) << problem;
  ASSERT_GT(cases.size(), 4000u);

  size_t failures = 0;
  for (const GoldenCase& c : cases) {
    for (int k = 0; k < 2; ++k) {
      const std::string got = golden::outcome(c.input, golden::kGoldenOptions[k]);
      if (got == c.expected[k]) continue;
      if (++failures <= 20)
        ADD_FAILURE() << "golden.txt:" << c.line << " options " << golden::kGoldenOptions[k]
                      << "\n  input:    " << shortened(golden::escaped(c.input))
                      << "\n  expected: " << shortened(c.expected[k])
                      << "\n  got:      " << shortened(got);
    }
  }
  EXPECT_EQ(failures, 0u) << "outcomes differ from golden.txt (first 20 shown)";
}

// The rendering itself must tell apart what the golden file relies on.
TEST(GoldenDecoder, RenderingShowsBitsSharingAndErrors) {
  const std::string shared = golden::outcome("[\"ab\",\"ab\",-0,0.0,1,1]", 0);
  EXPECT_EQ(shared, "[s\"ab\",s\"ab\"=0,d8000000000000000,d0000000000000000,i1,i1=3]");
  EXPECT_EQ(golden::outcome("[1,]", 0), "E 4|1|Unexpected ']'.");
  std::string back;
  ASSERT_TRUE(golden::unescape(golden::escaped(std::string("a\t\"\\\xff\0", 6)), &back));
  EXPECT_EQ(back, std::string("a\t\"\\\xff\0", 6));
}

}  // namespace
}  // namespace tessaly
