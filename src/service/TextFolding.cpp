#include "service/TextFolding.h"

#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>

namespace tessaly::service {
namespace {

// ICU transliterators are not safe to share between threads: one per thread.
icu::Transliterator* folder() {
  thread_local std::unique_ptr<icu::Transliterator> t = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
        "NFD; [:Nonspacing Mark:] Remove; Lower; NFC", UTRANS_FORWARD, status));
    return U_SUCCESS(status) ? std::move(made) : nullptr;
  }();
  return t.get();
}

}  // namespace

std::string TextFolding::fold(std::string_view utf8) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(
      icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  if (auto* t = folder())
    t->transliterate(text);
  else
    text.toLower();
  // Letters that do not decompose but are commonly typed without their stroke.
  text.findAndReplace(u"ß", u"ss").findAndReplace(u"ø", u"o").findAndReplace(u"ł", u"l");
  text.findAndReplace(u"đ", u"d").findAndReplace(u"æ", u"ae").findAndReplace(u"œ", u"oe");
  std::string out;
  text.toUTF8String(out);
  return out;
}

std::vector<std::string> TextFolding::words(std::string_view utf8) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(fold(utf8));
  std::vector<std::string> out;
  icu::UnicodeString word;
  auto flush = [&] {
    if (word.isEmpty()) return;
    std::string w;
    word.toUTF8String(w);
    out.push_back(std::move(w));
    word.remove();
  };
  for (int32_t i = 0; i < text.length();) {
    UChar32 c = text.char32At(i);
    if (u_isalnum(c))
      word.append(c);
    else
      flush();
    i += U16_LENGTH(c);
  }
  flush();
  return out;
}

}  // namespace tessaly::service
