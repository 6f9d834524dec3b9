#include "platform/foundation/NumberFormatter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/foundation/LocaleSnapshot.h"
#include "platform/foundation/NotificationCenter.h"

using namespace tessaly::platform;

namespace {

struct Case {
  const char* locale;
  const char* pattern;
  double value;
  const char* text;
};

}  // namespace

TEST(NumberFormatter, PatternsFollowTheLocalesSeparatorsAndRoundHalfToEven) {
  const Case cases[] = {
      {"en_US", "#,##0.##", 1234.567, "1,234.57"},
      {"en_US", "###0.##", 1234.567, "1234.57"},
      {"en_US", "#,##0.##", 0, "0"},
      {"en_US", "#,##0.##", 0.125, "0.12"},
      {"en_US", "#,##0.##", 0.375, "0.38"},
      {"en_US", "#,##0.##", 1234567.0, "1,234,567"},
      {"de_DE", "#,##0.##", 1234.567, "1.234,57"},
      {"de_DE", "###0.##", 1234.567, "1234,57"},
      {"de-DE", "#,##0.##", 0.5, "0,5"},
      {"fr_FR", "#,##0.##", 1234.5, "1\u202f234,5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + c.pattern + " " + std::to_string(c.value));
    NumberFormatter formatter(c.locale);
    ASSERT_TRUE(formatter.setPositiveFormat(c.pattern));
    EXPECT_EQ(formatter.stringFromNumber(c.value), c.text);
  }
}

TEST(NumberFormatter, CurrentLocaleComesFromTheEnvironmentUntilSet) {
  const char* saved = std::getenv("LC_ALL");
  std::string savedText = saved != nullptr ? saved : "";
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  resetCurrentLocale();
  EXPECT_EQ(currentLocaleName(), "de_DE");
  EXPECT_EQ(currentLanguage(), "de");
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(currentLocaleName(), "en_US_POSIX");
  setCurrentLocaleName("fr_FR");
  EXPECT_EQ(currentLocaleName(), "fr_FR");
  NumberFormatter formatter;
  formatter.setPositiveFormat("###0.##");
  EXPECT_EQ(formatter.stringFromNumber(2.5), "2,5");

  // Held for one state: the environment is not read again until the outermost one ends, but a
  // locale set meanwhile is seen at once, and other threads are not held.
  resetCurrentLocale();
  {
    LocaleSnapshot held;
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);
    EXPECT_EQ(currentLocaleName(), "en_US_POSIX");
    {
      LocaleSnapshot inner;
      EXPECT_EQ(currentLocaleName(), "en_US_POSIX");
    }
    EXPECT_EQ(currentLocaleName(), "en_US_POSIX");
    std::string elsewhere;
    std::thread([&] { elsewhere = currentLocaleName(); }).join();
    EXPECT_EQ(elsewhere, "de_DE");
    setCurrentLocaleName("fr_FR");
    EXPECT_EQ(currentLocaleName(), "fr_FR");
    resetCurrentLocale();
    EXPECT_EQ(currentLocaleName(), "de_DE");
  }
  ::setenv("LC_ALL", "C", 1);
  EXPECT_EQ(currentLocaleName(), "en_US_POSIX");

  resetCurrentLocale();
  if (saved != nullptr)
    ::setenv("LC_ALL", savedText.c_str(), 1);
  else
    ::unsetenv("LC_ALL");
}

TEST(NumberFormatter, SettingAnotherLocaleIsAnnouncedOnce) {
  int announced = 0;
  int token = 0;
  NotificationCenter::defaultCenter().addObserver(&token, NSCurrentLocaleDidChangeNotification,
                                                  [&](const Notification&) {
                                                    ++announced;
                                                    // Observers already see the new locale.
                                                    EXPECT_EQ(currentLocaleName(), "de_DE");
                                                  });
  setCurrentLocaleName("de_DE");
  setCurrentLocaleName("de_DE");  // no change, no announcement
  EXPECT_EQ(announced, 1);
  NotificationCenter::defaultCenter().removeObserver(&token);
  resetCurrentLocale();
}
