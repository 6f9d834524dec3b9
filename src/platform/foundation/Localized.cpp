#include "platform/foundation/Localized.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NumberFormatter.h"

namespace tessaly::platform {
namespace {

using Table = std::map<std::string, std::string>;

struct State {
  std::mutex mutex;
  std::string directory;
  std::map<std::string, std::optional<Table>> tables;  // by language
};

State& state() {
  static State s;
  return s;
}

std::string executableDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// Reads one quoted text starting at line[pos] == '"'; handles \" \\ \n \t. Advances pos.
std::optional<std::string> readQuoted(const std::string& line, std::size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') return std::nullopt;
  std::string text;
  for (++pos; pos < line.size(); ++pos) {
    char c = line[pos];
    if (c == '"') {
      ++pos;
      return text;
    }
    if (c == '\\' && pos + 1 < line.size()) {
      char next = line[++pos];
      text += next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      text += c;
    }
  }
  return std::nullopt;
}

void skipSpaces(const std::string& line, std::size_t& pos) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

// Lines of the form "key" = "text"; comments start with // or /* on their own line.
std::optional<Table> parseTable(const std::string& content, const std::string& path) {
  Table table;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start <= content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    std::size_t pos = 0;
    skipSpaces(line, pos);
    if (pos >= line.size() || line.compare(pos, 2, "//") == 0 || line.compare(pos, 2, "/*") == 0 ||
        line[pos] == '*')
      continue;
    auto key = readQuoted(line, pos);
    skipSpaces(line, pos);
    bool ok = key.has_value() && pos < line.size() && line[pos] == '=';
    std::optional<std::string> text;
    if (ok) {
      ++pos;
      skipSpaces(line, pos);
      text = readQuoted(line, pos);
      skipSpaces(line, pos);
      ok = text.has_value() && pos < line.size() && line[pos] == ';';
    }
    if (!ok) {
      logf("%s:%d: not a \"key\" = \"text\"; line", path.c_str(), lineNumber);
      continue;
    }
    table[*key] = *text;
  }
  return table;
}

const std::optional<Table>& tableFor(State& s, const std::string& language,
                                     const std::string& directory) {
  auto it = s.tables.find(language);
  if (it != s.tables.end()) return it->second;
  std::string path = directory + "/strings/" + language + ".strings";
  std::optional<Table> table;
  if (auto content = readFile(path)) table = parseTable(*content, path);
  return s.tables.emplace(language, std::move(table)).first->second;
}

}  // namespace

std::string resourcesDirectory() {
  {
    std::lock_guard lock(state().mutex);
    if (!state().directory.empty()) return state().directory;
  }
  if (const char* env = std::getenv("TESSALY_RESOURCES"); env != nullptr && env[0] != '\0')
    return env;
  std::error_code ec;
  std::string beside = executableDirectory() + "/../resources";
  if (std::filesystem::is_directory(beside + "/strings", ec))
    return std::filesystem::weakly_canonical(beside, ec).string();
  if (const char* source = std::getenv("TESSALY_SOURCE_DIR"); source != nullptr && source[0] != 0)
    return std::string(source) + "/resources";
  return beside;
}

void setResourcesDirectory(const std::string& path) {
  std::lock_guard lock(state().mutex);
  state().directory = path;
  state().tables.clear();
}

std::string NSLocalizedString(const std::string& key, const std::string& defaultText) {
  std::string directory = resourcesDirectory();
  std::string language = currentLanguage();
  std::lock_guard lock(state().mutex);
  for (const std::string& lang : {language, std::string("en")}) {
    const auto& table = tableFor(state(), lang, directory);
    if (!table) continue;
    auto it = table->find(key);
    if (it != table->end()) return it->second;
  }
  return defaultText;
}

void reloadLocalizedStrings() {
  std::lock_guard lock(state().mutex);
  state().tables.clear();
}

}  // namespace tessaly::platform
