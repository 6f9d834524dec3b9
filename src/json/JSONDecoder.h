// The JSON decoder: turns UTF-8 JSON text into JRDictionary/JRArray trees of strings, numbers,
// booleans and null. A decoder keeps an object cache across its runs, so repeated keys and
// values of later documents come back as the very same objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "json/JRCollections.h"
#include "json/JRObject.h"

namespace tessaly {

// Parse option bits.
enum : uint32_t {
  JRReadStrict = 0,
  JRReadComments = 1,         // slash-star and slash-slash comments wherever blanks may stand
  JRReadUnicodeNewlines = 2,  // U+0085, U+2028, U+2029 count as newlines
  JRReadLenientUnicode = 4,   // bad UTF-8 and bad \u escapes become U+FFFD
  JRReadTextAfterJSON = 8,    // bytes after the top-level value are ignored
  JRReadValidFlags = 15,
};

// Deeper nesting than this fails with a message instead of exhausting the stack.
inline constexpr unsigned kJRMaximumDepth = 1024;

struct JRParseState;

class JSONDecoder {
 public:
  JSONDecoder() : JSONDecoder(JRReadStrict) {}
  // Options above 15 raise NSInvalidArgumentException "Invalid parse options.".
  explicit JSONDecoder(uint32_t parseOptions);
  ~JSONDecoder();
  JSONDecoder(const JSONDecoder&) = delete;
  JSONDecoder& operator=(const JSONDecoder&) = delete;

  // One parse run. The result is the top-level array or dictionary, or null; error, when given,
  // is written only when the run failed. A null bytes pointer raises NSInvalidArgumentException.
  Ref<JRObject> objectWithUTF8String(const char* bytes, size_t length, JRError* error = nullptr);
  Ref<JRObject> mutableObjectWithUTF8String(const char* bytes, size_t length,
                                            JRError* error = nullptr);
  // The same on a data buffer; a view without data (data() == nullptr) raises.
  Ref<JRObject> objectWithData(std::string_view data, JRError* error = nullptr);
  Ref<JRObject> mutableObjectWithData(std::string_view data, JRError* error = nullptr);
  Ref<JRObject> parseUTF8String(const char* bytes, size_t length, JRError* error = nullptr) {
    return objectWithUTF8String(bytes, length, error);
  }
  Ref<JRObject> parseJSONData(std::string_view data, JRError* error = nullptr) {
    return objectWithData(data, error);
  }

  // Empties the object cache.
  void clearCache();
  // Frees the parse state early; later parse calls raise NSInternalInconsistencyException.
  void releaseParseState();

  // For inspection: buckets in use and the cache's shift register.
  size_t cachedObjectCount() const;
  uint32_t cacheShiftRegister() const;
  uint32_t parseOptions() const;

 private:
  Ref<JRObject> run(const char* bytes, size_t length, bool makeMutable, JRError* error);
  JRParseState* parseState_ = nullptr;
};

// One-shot forms: a private decoder per call, freed right after the parse.
Ref<JRObject> objectFromJSONData(std::string_view data, uint32_t parseOptions = 0,
                                 JRError* error = nullptr);
Ref<JRObject> mutableObjectFromJSONData(std::string_view data, uint32_t parseOptions = 0,
                                        JRError* error = nullptr);
// From UTF-16 text; text that cannot become UTF-8 (an unpaired surrogate) fails with
// "An error occurred converting the contents of a NSString to UTF8.".
Ref<JRObject> objectFromJSONString(std::u16string_view string, uint32_t parseOptions = 0,
                                   JRError* error = nullptr);
Ref<JRObject> mutableObjectFromJSONString(std::u16string_view string, uint32_t parseOptions = 0,
                                          JRError* error = nullptr);

}  // namespace tessaly
