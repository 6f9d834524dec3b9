#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "lookup/RouteThinning.h"

namespace {

using Entries = std::vector<std::shared_ptr<tessaly::CoordData>>;

// Entry i carries i as its index, so the survivors tell where they stood.
Entries route(std::size_t count) {
  Entries entries;
  for (std::size_t i = 0; i < count; ++i) {
    entries.push_back(std::make_shared<tessaly::CoordData>(tessaly::kCoordRoute, 0.0, 0.0));
    entries.back()->setIndex(static_cast<std::uint32_t>(i));
  }
  return entries;
}

std::vector<std::uint32_t> positions(const Entries& entries) {
  std::vector<std::uint32_t> out;
  for (const auto& e : entries) out.push_back(e->index());
  return out;
}

}  // namespace

TEST(RouteThinning, LongRoutesComeDownToTheirKnownSizes) {
  for (auto [count, expected] : std::vector<std::pair<std::size_t, std::size_t>>{
           {10000, 10000}, {10001, 5500}, {12000, 6500}, {20000, 5750}, {3, 3}, {0, 0}}) {
    Entries entries = route(count);
    tessaly::thinRoute(entries);
    EXPECT_EQ(entries.size(), expected) << count;
  }
}

TEST(RouteThinning, TheEndsStayAndEveryOtherEntryBetweenGoesFromTheBack) {
  Entries entries = route(12000);
  tessaly::thinRoute(entries);
  auto kept = positions(entries);
  // Positions 0 to 501 stay; then 503, 505, ... up to 11499; then the last 499 from 11501.
  for (std::uint32_t i = 0; i <= 501; ++i) ASSERT_EQ(kept[i], i);
  EXPECT_EQ(kept[502], 503u);
  EXPECT_EQ(kept[502 + (11499 - 503) / 2], 11499u);
  EXPECT_EQ(kept[kept.size() - 499], 11501u);
  EXPECT_EQ(kept.back(), 11999u);
  for (std::size_t i = 1; i < kept.size(); ++i) ASSERT_LT(kept[i - 1], kept[i]);

  Entries odd = route(10001);
  tessaly::thinRoute(odd);
  EXPECT_EQ(positions(odd)[501], 502u);  // position 501 goes when the count is odd
}
