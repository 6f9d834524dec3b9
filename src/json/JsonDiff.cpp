#include "json/JsonDiff.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tessaly {
namespace {

// One value in a text: its bytes and, for an object or array, its container number.
struct Value {
  std::string_view text;
  std::uint32_t container = 0;
  bool isObject() const { return !text.empty() && text.front() == '{'; }
  bool isArray() const { return !text.empty() && text.front() == '['; }
};

struct Member {
  std::string_view key;  // with its quotes, as written
  Value value;
};

// Objects with more members than this are matched through a table rather than by looking.
constexpr std::size_t kLookedUpMembers = 16;

class Walk {
 public:
  Walk(const JsonIndex& before, const JsonIndex& after, std::size_t limit)
      : _a(before), _b(after), _limit(limit) {}

  std::optional<std::string> run() {
    if (!_a.valid() || !_b.valid() || _a.containers() == 0 || _b.containers() == 0)
      return std::nullopt;
    Value a = root(_a), b = root(_b);
    // No path names the root: it must stay the same kind of container.
    if (!(a.isObject() && b.isObject()) && !(a.isArray() && b.isArray())) return std::nullopt;
    _out = "[";
    if (!compare(a, b)) return std::nullopt;
    _out += "]";
    return std::move(_out);
  }

 private:
  static Value root(const JsonIndex& index) {
    std::size_t at = index.skipBlanks(0);
    std::uint32_t next = 0;
    std::size_t end = index.skipValue(at, next);
    return {index.text().substr(at, end - at), 0};
  }

  // The value that starts at 'at' in index's text (blanks before it skipped).
  static Value valueAt(const JsonIndex& index, std::size_t& at, std::uint32_t& next) {
    at = index.skipBlanks(at);
    std::uint32_t number = next;
    std::size_t end = index.skipValue(at, next);
    Value value{index.text().substr(at, end - at), number};
    at = end;
    return value;
  }

  static std::size_t begin(const JsonIndex& index, const Value& v) {
    return static_cast<std::size_t>(v.text.data() - index.text().data());
  }

  // Calls visit(at, next) for each item of an object or array, 'at' on the item's start;
  // visit leaves 'at' past it.
  template <class Visit>
  static void eachItem(const JsonIndex& index, const Value& container, char close, Visit visit) {
    std::size_t at = begin(index, container) + 1;
    std::uint32_t next = container.container + 1;
    std::string_view text = index.text();
    for (;;) {
      at = index.skipBlanks(at);
      if (at >= text.size() || text[at] == close) break;
      visit(at, next);
      at = index.skipBlanks(at);
      if (at < text.size() && text[at] == ',') ++at;
    }
  }

  static std::vector<Member> members(const JsonIndex& index, const Value& object) {
    std::vector<Member> out;
    std::string_view text = index.text();
    eachItem(index, object, '}', [&](std::size_t& at, std::uint32_t& next) {
      Value key = valueAt(index, at, next);
      at = index.skipBlanks(at);
      if (at < text.size() && text[at] == ':') ++at;
      out.push_back({key.text, valueAt(index, at, next)});
    });
    return out;
  }

  static std::vector<Value> elements(const JsonIndex& index, const Value& array) {
    std::vector<Value> out;
    eachItem(index, array, ']', [&](std::size_t& at, std::uint32_t& next) {
      out.push_back(valueAt(index, at, next));
    });
    return out;
  }

  // The "id" of an object that names it first (as screen nodes do), else nothing.
  static std::string_view idOf(const JsonIndex& index, const Value& v) {
    if (!v.isObject()) return {};
    std::size_t at = index.skipBlanks(begin(index, v) + 1);
    std::string_view rest = index.text().substr(at);
    if (rest.substr(0, 4) != "\"id\"") return {};
    at = index.skipBlanks(at + 4);
    if (at >= index.text().size() || index.text()[at] != ':') return {};
    std::uint32_t next = v.container + 1;
    Value id = valueAt(index, ++at, next);
    return id.text == "null" ? std::string_view{} : id.text;
  }

  bool room() const { return _out.size() <= _limit; }

  void opHead(const char* op) {
    if (_out.size() > 1) _out += ',';
    _out += "{\"op\":\"";
    _out += op;
    _out += "\",\"path\":[";
    for (std::size_t i = 0; i < _path.size(); ++i) {
      if (i > 0) _out += ',';
      _out += _path[i];
    }
    _out += ']';
  }

  bool set(const Value& value) {
    opHead("set");
    _out += ",\"value\":";
    _out += value.text;
    _out += '}';
    return room();
  }

  bool erase() {
    opHead("delete");
    _out += '}';
    return room();
  }

  bool splice(std::size_t at, std::size_t remove, const std::vector<Value>& insert) {
    if (remove == 0 && insert.empty()) return true;
    opHead("splice");
    _out +=
        ",\"at\":" + std::to_string(at) + ",\"remove\":" + std::to_string(remove) + ",\"insert\":[";
    for (std::size_t i = 0; i < insert.size(); ++i) {
      if (i > 0) _out += ',';
      _out += insert[i].text;
      if (!room()) return false;
    }
    _out += "]}";
    return room();
  }

  // Compares the value at the current path; false once the limit is passed.
  bool compare(const Value& a, const Value& b) {
    if (a.text == b.text) return true;
    if (a.isObject() && b.isObject()) return compareObjects(a, b);
    if (a.isArray() && b.isArray()) return compareArrays(a, b);
    return set(b);
  }

  bool compareAt(std::string key, const Value& a, const Value& b) {
    _path.push_back(std::move(key));
    bool ok = compare(a, b);
    _path.pop_back();
    return ok;
  }

  bool compareObjects(const Value& a, const Value& b) {
    std::vector<Member> before = members(_a, a), after = members(_b, b);
    std::unordered_map<std::string_view, std::size_t> table;
    if (before.size() > kLookedUpMembers)
      for (std::size_t i = 0; i < before.size(); ++i) table.emplace(before[i].key, i);
    auto find = [&](std::string_view key, std::size_t guess) -> const Member* {
      if (guess < before.size() && before[guess].key == key) return &before[guess];
      if (!table.empty()) {
        auto it = table.find(key);
        return it == table.end() ? nullptr : &before[it->second];
      }
      for (const Member& m : before)
        if (m.key == key) return &m;
      return nullptr;
    };
    std::unordered_set<std::string_view> kept;
    for (std::size_t j = 0; j < after.size(); ++j) {
      const Member* old = find(after[j].key, j);
      if (old) kept.insert(old->key);
      _path.emplace_back(after[j].key);
      bool ok = old ? compare(old->value, after[j].value) : set(after[j].value);
      _path.pop_back();
      if (!ok) return false;
    }
    for (const Member& m : before) {
      if (kept.count(m.key)) continue;
      _path.emplace_back(m.key);
      bool ok = erase();
      _path.pop_back();
      if (!ok) return false;
    }
    return true;
  }

  bool compareArrays(const Value& a, const Value& b) {
    std::vector<Value> before = elements(_a, a), after = elements(_b, b);
    std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && before[head].text == after[head].text) ++head;
    std::size_t tail = 0;
    while (tail < shorter - head &&
           before[before.size() - 1 - tail].text == after[after.size() - 1 - tail].text)
      ++tail;
    std::size_t aEnd = before.size() - tail, bEnd = after.size() - tail;
    if (matchById(before, after, head, aEnd, bEnd)) return true;
    if (!room()) return false;
    if (aEnd - head == bEnd - head) {
      for (std::size_t i = head; i < aEnd; ++i)
        if (!compareAt(std::to_string(i), before[i], after[i])) return false;
      return true;
    }
    return splice(head, aEnd - head,
                  std::vector<Value>(after.begin() + static_cast<std::ptrdiff_t>(head),
                                     after.begin() + static_cast<std::ptrdiff_t>(bEnd)));
  }

  // The elements in between matched by id: kept ones compared, the others removed or
  // inserted. False (with nothing written) when not all of them have ids of their own, or
  // when the walk ran past the limit.
  bool matchById(const std::vector<Value>& before, const std::vector<Value>& after,
                 std::size_t head, std::size_t aEnd, std::size_t bEnd) {
    std::vector<std::string_view> aIds, bIds;
    std::unordered_set<std::string_view> inA, inB;
    for (std::size_t i = head; i < aEnd; ++i) {
      aIds.push_back(idOf(_a, before[i]));
      if (aIds.back().empty() || !inA.insert(aIds.back()).second) return false;
    }
    for (std::size_t j = head; j < bEnd; ++j) {
      bIds.push_back(idOf(_b, after[j]));
      if (bIds.back().empty() || !inB.insert(bIds.back()).second) return false;
    }
    std::size_t i = 0, j = 0, position = head;
    std::vector<Value> removed, inserted;
    std::size_t pendingAt = position;
    auto flush = [&] {
      bool ok = true;
      if (removed.size() == inserted.size()) {
        // Replaced in place (an object that makes a new line each time it changes): compared
        // as elements at the same place, so a path one point longer is one point more.
        for (std::size_t k = 0; ok && k < removed.size(); ++k)
          ok = compareAt(std::to_string(pendingAt + k), removed[k], inserted[k]);
      } else {
        ok = splice(pendingAt, removed.size(), inserted);
      }
      position = pendingAt + inserted.size();
      removed.clear();
      inserted.clear();
      return ok;
    };
    const std::size_t na = aIds.size(), nb = bIds.size();
    while (i < na || j < nb) {
      if (i < na && j < nb && aIds[i] == bIds[j]) {
        if (!flush()) return false;
        if (!compareAt(std::to_string(position), before[head + i], after[head + j])) return false;
        ++position, ++i, ++j;
        pendingAt = position;
      } else if (i < na && !inB.count(aIds[i])) {
        removed.push_back(before[head + i++]);
      } else if (j < nb && !inA.count(bIds[j])) {
        inserted.push_back(after[head + j++]);
      } else if (i < na) {
        // Moved: taken out here, put back in where it now stands.
        inA.erase(aIds[i]);
        removed.push_back(before[head + i++]);
      } else {
        inserted.push_back(after[head + j++]);
      }
      if (!room()) return false;
    }
    if (!flush()) return false;
    return true;
  }

  const JsonIndex& _a;
  const JsonIndex& _b;
  std::size_t _limit;
  std::string _out;
  std::vector<std::string> _path;  // each as written: a member name with quotes, or a number
};

}  // namespace

std::optional<std::string> JsonDiff::between(const JsonIndex& before, const JsonIndex& after,
                                             std::size_t limit) {
  return Walk(before, after, limit).run();
}

}  // namespace tessaly
