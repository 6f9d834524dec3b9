#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

using tessaly::platform::Notification;
using tessaly::platform::NotificationCenter;

TEST(NotificationCenter, DeliversByNameAndSenderAndStopsAfterRemoval) {
  NotificationCenter center;
  int anySender = 0, fromA = 0;
  int a = 0, b = 0, observer1 = 0, observer2 = 0;
  center.addObserver(&observer1, "Changed", [&](const Notification&) { ++anySender; });
  center.addObserver(
      &observer2, "Changed", [&](const Notification&) { ++fromA; }, &a);
  center.postNotificationName("Changed", &a);
  center.postNotificationName("Changed", &b);
  center.postNotificationName("Other");
  EXPECT_EQ(anySender, 2);
  EXPECT_EQ(fromA, 1);
  center.removeObserver(&observer1);
  center.postNotificationName("Changed");
  EXPECT_EQ(anySender, 2);
}

TEST(NotificationCenter, AHandlerMayRemoveAnotherObserverWhileDelivering) {
  NotificationCenter center;
  int first = 0, second = 0;
  int o1 = 0, o2 = 0;
  center.addObserver(&o1, "N", [&](const Notification&) {
    ++first;
    center.removeObserver(&o2);
  });
  center.addObserver(&o2, "N", [&](const Notification&) { ++second; });
  center.postNotificationName("N");
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
}
