#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "json/JSONReader.h"

namespace tessaly::jsontest {

struct Outcome {
  Ref<JRObject> result;
  JRError error;
};

inline Outcome decode(std::string_view text, uint32_t options = 0) {
  JSONDecoder decoder(options);
  Outcome o;
  o.result = decoder.objectWithData(text, &o.error);
  return o;
}

// The first element of a one-element top-level array.
inline Ref<JRObject> only(std::string_view text, uint32_t options = 0) {
  Outcome o = decode(text, options);
  EXPECT_TRUE(o.result) << text << ": " << o.error.localizedDescription;
  if (!o.result) return nullptr;
  EXPECT_EQ(o.result->asArray()->count(), 1u);
  return Ref<JRObject>(o.result->asArray()->objectAtIndex(0));
}

inline std::string bytesOf(std::string_view s) {
  return std::string(s);
}

// Runs f and returns the exception's name and message.
template <class F>
std::pair<std::string, std::string> raised(F&& f) {
  try {
    f();
  } catch (const JRException& e) {
    return {e.name(), e.reason()};
  }
  return {"", "(nothing raised)"};
}

}  // namespace tessaly::jsontest
