#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/foundation/ObjectIds.h"
#include "platform/foundation/Result.h"

using namespace tessaly::platform;

namespace {
struct Base {
  virtual ~Base() = default;
};
struct Other {
  int x = 0;
};
}  // namespace

TEST(ObjectIdsTest, AnObjectKeepsItsIdWhileItLivesAndAGoneIdIsNeverGivenAgain) {
  ObjectIds ids;
  auto a = std::make_shared<Base>();
  auto b = std::make_shared<Base>();
  std::uint64_t idA = ids.idFor(ObjectRef::to(a));
  std::uint64_t idB = ids.idFor(ObjectRef::to(b));
  EXPECT_NE(idA, idB);
  EXPECT_EQ(ids.idFor(ObjectRef::to(a)), idA);
  EXPECT_EQ(ids.find<Base>(idA), a);
  EXPECT_EQ(ids.find<Other>(idA), nullptr);  // named by another type
  EXPECT_EQ(ids.idFor(ObjectRef::none()), 0u);

  a.reset();
  EXPECT_EQ(ids.find<Base>(idA), nullptr);
  // A new object, even at the gone one's address, gets a new id.
  auto c = std::make_shared<Base>();
  std::uint64_t idC = ids.idFor(ObjectRef::to(c));
  EXPECT_GT(idC, idB);
  EXPECT_TRUE(ids.wasGiven(idA));
  ids.forgetGone();
  EXPECT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids.find<Base>(idB), b);
}

TEST(ResultTest, HoldsAValueOrAReasonNeverBoth) {
  Result<int> good = 4;
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(*good, 4);
  EXPECT_EQ(good.reason(), "");
  Result<int> bad = Refusal{"no such row"};
  EXPECT_FALSE(bad);
  EXPECT_EQ(bad.reason(), "no such row");
  Result<> nothing = done();
  EXPECT_TRUE(nothing.ok());
  Result<> refused = Refusal{""};  // a refusal always says something
  EXPECT_EQ(refused.reason(), "refused");
}
