// The session cookie and the table's limits and idle expiry, on a clock of the test's own.
#include <gtest/gtest.h>

#include <set>

#include "sessions/SessionCookie.h"
#include "sessions/SessionTable.h"

using tessaly::sessions::Session;
using tessaly::sessions::SessionCookie;
using tessaly::sessions::SessionTable;

TEST(SessionCookieTest, IdsAreRandomHexAndOnlyWellFormedOnesAreRead) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    std::string id = SessionCookie::newId();
    EXPECT_TRUE(SessionCookie::isId(id)) << id;
    seen.insert(id);
  }
  EXPECT_EQ(seen.size(), 200u);
  std::string id = SessionCookie::newId();
  EXPECT_EQ(SessionCookie::idIn("a=1; tessaly_session=" + id + "; b=2"), id);
  EXPECT_EQ(SessionCookie::idIn("tessaly_session=" + id.substr(1)), "");
  EXPECT_EQ(SessionCookie::idIn("tessaly_session=../../" + id.substr(6)), "");
  EXPECT_EQ(SessionCookie::idIn("tessaly_session=" + std::string(32, 'G')), "");
  EXPECT_EQ(SessionCookie::idIn("xtessaly_session=" + id), "");
  std::string set = SessionCookie::setting(id);
  EXPECT_NE(set.find("HttpOnly"), std::string::npos);
  EXPECT_NE(set.find("SameSite=Strict"), std::string::npos);
  EXPECT_NE(SessionCookie::clearing().find("Max-Age=0"), std::string::npos);
}

TEST(SessionTableTest, RefusesBeyondItsCapacityAndExpiresIdleSessions) {
  auto t0 = Session::Clock::now();
  SessionTable table(2, 10);
  auto a = table.create(t0);
  auto b = table.create(t0);
  ASSERT_TRUE(a && b);
  EXPECT_NE(a->id, b->id);
  EXPECT_EQ(table.create(t0), nullptr) << "full";
  EXPECT_EQ(table.use("0123456789abcdef0123456789abcdef", t0), nullptr);
  // a is used at 8 s; at 15 s only b has been idle for more than 10 s.
  EXPECT_EQ(table.use(a->id, t0 + std::chrono::seconds(8)), a);
  auto gone = table.expire(t0 + std::chrono::seconds(15));
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0], b);
  EXPECT_EQ(table.use(b->id, t0 + std::chrono::seconds(15)), nullptr);
  EXPECT_NE(table.create(t0 + std::chrono::seconds(15)), nullptr) << "a place is free again";
  EXPECT_EQ(table.remove(a->id), a);
  EXPECT_EQ(table.remove(a->id), nullptr);
  EXPECT_EQ(table.size(), 1u);
}
