#include "cli/JsonCheckCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "json/JSONReader.h"

namespace tessaly::cli {

namespace {

bool parseOptions(std::string_view text, uint32_t* options) {
  if (text.empty() || text.size() > 9) return false;
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  *options = value;
  return true;
}

}  // namespace

int runJsonCheck(int argc, char** argv, std::ostream& out, std::ostream& err) {
  uint32_t options = 0;
  const char* path = nullptr;
  for (int i = 0; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--options" && i + 1 < argc) {
      if (!parseOptions(argv[++i], &options)) {
        err << "json-check: --options wants a number from 0 to 15, not '" << argv[i] << "'\n";
        return 2;
      }
    } else if (!path && (arg.empty() || arg[0] != '-' || arg == "-")) {
      path = argv[i];
    } else {
      err << "usage: tessaly json-check [--options N] FILE\n";
      return 2;
    }
  }
  if (!path) {
    err << "usage: tessaly json-check [--options N] FILE\n";
    return 2;
  }

  std::string data;
  bool readable = false;
  if (std::FILE* file = std::fopen(path, "rb")) {
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.append(chunk, n);
    readable = !std::ferror(file);  // a directory opens but cannot be read
    int saved = errno;
    std::fclose(file);
    errno = saved;
  }
  if (!readable) {
    err << "json-check: cannot read " << path << ": " << std::strerror(errno) << "\n";
    return 2;
  }

  try {
    JSONDecoder decoder(options);
    JRError error;
    Ref<JRObject> result = decoder.objectWithData(data, &error);
    if (!result) {
      out << error.localizedDescription << " (at index " << error.atIndex.value_or(0) << ", line "
          << error.lineNumber.value_or(0) << ")\n";
      return 1;
    }
    if (const JRArray* array = result->asArray())
      out << "ok array " << array->count() << "\n";
    else
      out << "ok dictionary " << result->asDictionary()->count() << "\n";
    return 0;
  } catch (const JRException& e) {
    err << "json-check: " << e.reason() << "\n";
    return 2;
  }
}

}  // namespace tessaly::cli
