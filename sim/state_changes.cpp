#include "state_changes.h"

#include <map>
#include <nlohmann/json.hpp>
#include <vector>

namespace icbus::sim {
namespace {

using Json = nlohmann::ordered_json;

// At most this many items of a list are shown for each side of a change.
constexpr std::size_t kItemsShown = 2;

std::string Shown(const Json& value) { return value.is_null() ? "(none)" : value.dump(); }

// The items of `from` that `to` does not hold as often, in their order.
std::vector<Json> Missing(const Json& from, const Json& to) {
  std::map<std::string, int> held;
  for (const Json& item : to) ++held[item.dump()];
  std::vector<Json> missing;
  for (const Json& item : from) {
    if (held[item.dump()]-- <= 0) missing.push_back(item);
  }
  return missing;
}

std::string Listed(const char* what, const std::vector<Json>& items) {
  std::string text = what;
  for (std::size_t i = 0; i < items.size() && i < kItemsShown; ++i) {
    text += (i ? ", " : " ") + items[i].dump();
  }
  if (items.size() > kItemsShown) {
    text += ", ... " + std::to_string(items.size() - kItemsShown) + " more";
  }
  return text;
}

bool AllObjects(const Json& list) {
  for (const Json& item : list)
    if (!item.is_object()) return false;
  return true;
}

void Compare(const std::string& path, const Json& before, const Json& after,
             std::vector<std::string>* changes) {
  if (before == after) return;
  auto at = [&](const std::string& key) { return path.empty() ? key : path + "." + key; };
  // A group that appears or goes (the first block written on a blank card,
  // the first setting of a kind) is shown by its members.
  auto empty_like = [](const Json& group) {
    return group.is_array() ? Json::array() : Json::object();
  };
  if (before.is_null() && after.is_structured()) {
    return Compare(path, empty_like(after), after, changes);
  }
  if (before.is_structured() && after.is_null()) {
    return Compare(path, before, empty_like(before), changes);
  }
  if (before.is_object() && after.is_object()) {
    for (const auto& item : before.items()) {
      Compare(at(item.key()), item.value(), after.contains(item.key()) ? after[item.key()] : Json(),
              changes);
    }
    for (const auto& item : after.items()) {
      if (!before.contains(item.key())) Compare(at(item.key()), Json(), item.value(), changes);
    }
    return;
  }
  if (before.is_array() && after.is_array()) {
    // Lists of the same objects (cards) change item by item.
    if (before.size() == after.size() && AllObjects(before) && AllObjects(after)) {
      for (std::size_t i = 0; i < before.size(); ++i) {
        Compare(path + "[" + std::to_string(i) + "]", before[i], after[i], changes);
      }
      return;
    }
    std::string text =
        path + " " + std::to_string(before.size()) + " -> " + std::to_string(after.size());
    std::vector<std::string> parts;
    std::vector<Json> added = Missing(after, before), removed = Missing(before, after);
    if (!added.empty()) parts.push_back(Listed("added", added));
    if (!removed.empty()) parts.push_back(Listed("removed", removed));
    if (parts.empty()) parts.push_back("reordered");
    text += " (" + parts[0] + (parts.size() > 1 ? "; " + parts[1] : "") + ")";
    changes->push_back(text);
    return;
  }
  changes->push_back(path + " " + Shown(before) + " -> " + Shown(after));
}

}  // namespace

std::string StateChanges(const std::string& before, const std::string& after) {
  Json old_state = Json::parse(before, nullptr, false);
  Json new_state = Json::parse(after, nullptr, false);
  if (old_state.is_discarded() || new_state.is_discarded() || !old_state.is_object() ||
      !new_state.is_object()) {
    return before == after ? "" : after;  // described in words, not JSON
  }
  for (const char* heard : {"beeps", "orders"}) {
    old_state.erase(heard);
    new_state.erase(heard);
  }
  std::vector<std::string> changes;
  Compare("", old_state, new_state, &changes);
  std::string text;
  for (const std::string& change : changes) text += (text.empty() ? "" : "; ") + change;
  return text;
}

}  // namespace icbus::sim
