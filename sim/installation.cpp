#include "installation.h"

#include <cctype>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "card_writer.h"
#include "common/wire_text.h"
#include "terminal.h"
#include "topup_machine.h"

namespace icbus::sim {
namespace {

using nlohmann::json;

// Raised while reading; the message says where the installation is wrong.
struct BadInstallation : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void RejectUnknownKeys(const json& object, const std::set<std::string>& known,
                       const std::string& where) {
  for (const auto& item : object.items()) {
    if (!known.count(item.key()))
      throw BadInstallation(where + ": unknown key \"" + item.key() + "\"");
  }
}

int IntIn(const json& object, const char* key, int fallback, int low, int high,
          const std::string& where) {
  if (!object.contains(key)) return fallback;
  const json& value = object.at(key);
  if (!value.is_number_integer())
    throw BadInstallation(where + ": \"" + key + "\" must be an integer");
  long long number = value.get<long long>();
  if (number < low || number > high) {
    throw BadInstallation(where + ": \"" + key + "\" must be " + std::to_string(low) + ".." +
                          std::to_string(high));
  }
  return static_cast<int>(number);
}

std::string TextIn(const json& object, const char* key, const std::string& fallback,
                   const std::string& where) {
  if (!object.contains(key)) return fallback;
  const json& value = object.at(key);
  if (!value.is_string()) throw BadInstallation(where + ": \"" + key + "\" must be a string");
  return value.get<std::string>();
}

bool BoolIn(const json& object, const char* key, bool fallback, const std::string& where) {
  if (!object.contains(key)) return fallback;
  const json& value = object.at(key);
  if (!value.is_boolean()) throw BadInstallation(where + ": \"" + key + "\" must be true or false");
  return value.get<bool>();
}

bool HexOfLength(const std::string& text, std::size_t length) {
  bool hex = text.size() == length;
  for (char c : text) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
  return hex;
}

// Keys and passwords travel as twelve hexadecimal characters.
std::string HexKeyIn(const json& object, const char* key, const std::string& fallback,
                     const std::string& where) {
  std::string text = TextIn(object, key, fallback, where);
  if (!HexOfLength(text, 12)) {
    throw BadInstallation(where + ": \"" + key + "\" must be 12 hexadecimal characters");
  }
  return text;
}

std::vector<std::string> TextsOf(const json& value, const std::string& what,
                                 const std::string& where) {
  if (!value.is_array()) throw BadInstallation(where + ": " + what + " must be a list of strings");
  std::vector<std::string> texts;
  for (const json& item : value) {
    if (!item.is_string()) {
      throw BadInstallation(where + ": " + what + " must be a list of strings");
    }
    texts.push_back(item.get<std::string>());
  }
  return texts;
}

std::set<std::string> CardsIn(const json& object, const char* key, const std::string& where) {
  if (!object.contains(key)) return {};
  std::vector<std::string> cards = TextsOf(object.at(key), std::string("\"") + key + "\"", where);
  return std::set<std::string>(cards.begin(), cards.end());
}

// Only the commands a terminal records can hold settings.
std::map<std::string, std::vector<std::string>> SettingsIn(const json& object,
                                                           const std::string& where) {
  if (!object.contains("settings")) return {};
  const json& settings = object.at("settings");
  if (!settings.is_object()) throw BadInstallation(where + ": \"settings\" must be an object");
  static const std::set<std::string> commands = {"SU", "SH", "SI", "SO"};
  std::map<std::string, std::vector<std::string>> held;
  for (const auto& item : settings.items()) {
    if (!commands.count(item.key())) {
      throw BadInstallation(where + ": no settings are kept for \"" + item.key() +
                            "\" (SU, SH, SI, SO)");
    }
    held[item.key()] = TextsOf(item.value(), "settings \"" + item.key() + "\"", where);
  }
  return held;
}

Fault::Kind KindNamed(const std::string& name, const std::string& where) {
  static const std::map<std::string, Fault::Kind> kinds = {
      {"silence", Fault::Kind::kSilence},
      {"no_bang", Fault::Kind::kNoBang},
      {"zero_before_bang", Fault::Kind::kZeroBeforeBang},
      {"wrong_word", Fault::Kind::kWrongWord},
      {"extra_bytes", Fault::Kind::kExtraBytes},
      {"delay", Fault::Kind::kDelay},
  };
  auto it = kinds.find(name);
  if (it == kinds.end()) throw BadInstallation(where + ": unknown fault kind \"" + name + "\"");
  return it->second;
}

Fault ReadFault(const json& object, const std::string& where) {
  if (!object.is_object()) throw BadInstallation(where + ": a fault must be an object");
  RejectUnknownKeys(object, {"kind", "frame", "count", "after", "delay_ms", "text"}, where);
  if (!object.contains("kind")) throw BadInstallation(where + ": \"kind\" is missing");
  Fault fault;
  fault.kind = KindNamed(TextIn(object, "kind", "", where), where);
  fault.frame_prefix = TextIn(object, "frame", "", where);
  fault.count = IntIn(object, "count", -1, -1, 1000000, where);
  fault.after = IntIn(object, "after", 0, 0, 1000000, where);
  fault.delay_ms = static_cast<std::uint32_t>(IntIn(object, "delay_ms", 0, 0, 600000, where));
  fault.text = TextIn(object, "text", "", where);
  return fault;
}

// Stored texts travel as one reply each, ended by "!", so they cannot hold
// one themselves.
std::vector<std::string> StoredTextsIn(const json& object, const char* key,
                                       const std::string& where) {
  if (!object.contains(key)) return {};
  std::string what = std::string("\"") + key + "\"";
  const json& value = object.at(key);
  if (value.is_number_integer()) {
    throw BadInstallation(where + ": " + what +
                          " must be a list of strings (\"generate\" makes a number of them)");
  }
  std::vector<std::string> texts = TextsOf(value, what, where);
  for (const std::string& text : texts) {
    if (text.find('!') != std::string::npos) {
      throw BadInstallation(where + ": " + what + " must not contain \"!\"");
    }
  }
  return texts;
}

TerminalKind KindIn(const json& object, const std::string& where) {
  TerminalKind kind = TerminalKind::kWindow;
  std::string name = TextIn(object, "kind", TerminalKindName(kind), where);
  if (!ParseTerminalKind(name, &kind)) {
    throw BadInstallation(where + ": unknown terminal kind \"" + name +
                          "\" (window, attendance, water, topup, desktop_topup, timer)");
  }
  return kind;
}

std::map<int, int> KindCountsIn(const json& object, const std::string& where) {
  if (!object.contains("kind_counts")) return {};
  const json& counts = object.at("kind_counts");
  if (!counts.is_object()) throw BadInstallation(where + ": \"kind_counts\" must be an object");
  std::map<int, int> held;
  for (const auto& item : counts.items()) {
    const std::string& digit = item.key();
    if (digit.size() != 1 || digit[0] < '0' || digit[0] > '9') {
      throw BadInstallation(where + ": \"kind_counts\" keys must be one digit, not \"" + digit +
                            "\"");
    }
    held[digit[0] - '0'] = IntIn(counts, digit.c_str(), 0, 0, 99999, where + ", kind_counts");
  }
  return held;
}

std::deque<std::string> SwipesIn(const json& object, const std::string& where) {
  std::vector<std::string> swipes = StoredTextsIn(object, "swipes", where);
  for (const std::string& swipe : swipes) {
    if (swipe.size() != 20) {
      throw BadInstallation(where + ": a swipe must be 20 characters, not \"" + swipe + "\"");
    }
  }
  return std::deque<std::string>(swipes.begin(), swipes.end());
}

// The record stores: listed, or generated with a total that matches them.
void ReadRecordStores(const json& object, const std::string& where, TerminalConfig* config) {
  config->kind = KindIn(object, where);
  config->decimals = IntIn(object, "decimals", 1, 1, 2, where);
  if (object.contains("records") && object.contains("generate")) {
    throw BadInstallation(where + ": give either \"records\" or \"generate\", not both");
  }
  config->records = StoredTextsIn(object, "records", where);
  // A terminal answers its count in five digits and its total in six or
  // eight: more would wrap round to a small number.
  if (config->records.size() > static_cast<std::size_t>(kMaxRecords)) {
    throw BadInstallation(where + ": \"records\" holds more than " + std::to_string(kMaxRecords) +
                          ", which a terminal's count cannot show");
  }
  int generate = IntIn(object, "generate", 0, 0, kMaxRecords, where);
  if (object.contains("generate")) FillRecords(config, generate);
  const int max_total = static_cast<int>(MaxTotal(config->decimals));
  if (config->total > max_total && !object.contains("total")) {
    throw BadInstallation(where + ": the " + std::to_string(generate) +
                          " generated records amount to " + std::to_string(config->total) +
                          ", more than the total can show (" + std::to_string(max_total) +
                          " with " + std::to_string(config->decimals) + " decimal places)");
  }
  config->total = IntIn(object, "total", static_cast<int>(config->total), 0, max_total, where);
  if (object.contains("backup") && object.contains("generate_backup")) {
    throw BadInstallation(where + ": give either \"backup\" or \"generate_backup\", not both");
  }
  config->backup = StoredTextsIn(object, "backup", where);
  int backup = IntIn(object, "generate_backup", 0, 0, 1000000, where);
  if (backup > 0) config->backup = GenerateBackup(config->decimals, config->machine, backup);
  config->kind_counts = KindCountsIn(object, where);
  config->count_error = BoolIn(object, "count_error", false, where);
  config->drops_sent = BoolIn(object, "drops_sent", false, where);
  config->swipes = SwipesIn(object, where);
}

std::unique_ptr<Device> BuildTerminal(const json& object, const std::string& where) {
  RejectUnknownKeys(
      object, {"type",        "machine",         "machine_type", "management_card", "clock",
               "kind",        "decimals",        "records",      "generate",        "total",
               "backup",      "generate_backup", "kind_counts",  "count_error",     "drops_sent", "swipes",
               "ic_password", "style",           "in_service",   "reader_mode",     "answers_query",
               "cards",       "cards_ex",        "settings",     "faults"},
      where);
  if (!object.contains("machine")) throw BadInstallation(where + ": \"machine\" is missing");
  TerminalConfig config;
  config.machine = IntIn(object, "machine", 0, 0, 999, where);
  std::string type = TextIn(object, "machine_type", std::string(1, config.machine_type), where);
  if (type.size() != 1) {
    throw BadInstallation(where + ": \"machine_type\" must be one character");
  }
  config.machine_type = type[0];
  config.management_card = IntIn(object, "management_card", 0, 0, 999999, where);
  config.clock = TextIn(object, "clock", config.clock, where);
  ReadRecordStores(object, where, &config);
  config.ic_password = HexKeyIn(object, "ic_password", config.ic_password, where);
  config.style = IntIn(object, "style", config.style, 0, 9, where);
  config.in_service = BoolIn(object, "in_service", config.in_service, where);
  config.reader_mode = BoolIn(object, "reader_mode", config.reader_mode, where);
  config.answers_query = BoolIn(object, "answers_query", config.answers_query, where);
  config.cards = CardsIn(object, "cards", where);
  config.cards_ex = CardsIn(object, "cards_ex", where);
  config.settings = SettingsIn(object, where);
  return std::make_unique<Terminal>(config);
}

// A number of 0..`high` written in decimal digits, as the names of sectors
// and blocks are.
bool SmallNumber(const std::string& text, int high, int* number) {
  if (text.empty() || text.size() > 2) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *number = std::stoi(text);
  return *number <= high;
}

// "sector/block", block within the sector: "2/2" is the third block of
// sector 2.
bool BlockNamed(const std::string& name, int* sector, int* block) {
  std::size_t slash = name.find('/');
  return slash != std::string::npos &&
         SmallNumber(name.substr(0, slash), CardImage::kSectors - 1, sector) &&
         SmallNumber(name.substr(slash + 1), CardImage::kBlocksPerSector - 1, block);
}

const json& ObjectIn(const json& object, const char* key, const std::string& where) {
  const json& value = object.at(key);
  if (!value.is_object()) throw BadInstallation(where + ": \"" + key + "\" must be an object");
  return value;
}

std::string HexIn(const json& value, std::size_t length, const std::string& what,
                  const std::string& where) {
  if (!value.is_string() || !HexOfLength(value.get<std::string>(), length)) {
    throw BadInstallation(where + ": " + what + " must be " + std::to_string(length) +
                          " hexadecimal characters");
  }
  return value.get<std::string>();
}

CardImage CardIn(const json& object, const std::string& where) {
  if (!object.is_object()) throw BadInstallation(where + ": a card must be an object");
  RejectUnknownKeys(object, {"blocks", "keys"}, where);
  CardImage card;
  if (object.contains("blocks")) {
    for (const auto& item : ObjectIn(object, "blocks", where).items()) {
      const std::string what = "block \"" + item.key() + "\"";
      int sector = 0, block = 0;
      if (!BlockNamed(item.key(), &sector, &block)) {
        throw BadInstallation(where + ": " + what +
                              " must be named \"sector/block\" (sector 0..15, block 0..3)");
      }
      card.Block(sector, block) = HexIn(item.value(), 32, what, where);
    }
  }
  if (object.contains("keys")) {
    for (const auto& item : ObjectIn(object, "keys", where).items()) {
      const std::string what = "key of sector \"" + item.key() + "\"";
      int sector = 0;
      if (!SmallNumber(item.key(), CardImage::kSectors - 1, &sector)) {
        throw BadInstallation(where + ": " + what + " must name a sector 0..15");
      }
      card.keys[static_cast<std::size_t>(sector)] = HexIn(item.value(), 12, what, where);
    }
  }
  return card;
}

std::unique_ptr<Device> BuildCardWriter(const json& object, const std::string& where) {
  RejectUnknownKeys(object, {"type", "key", "cards", "present", "faults"}, where);
  CardWriterConfig config;
  config.key = HexKeyIn(object, "key", config.key, where);
  if (object.contains("cards")) {
    const json& cards = object.at("cards");
    if (!cards.is_array()) throw BadInstallation(where + ": \"cards\" must be a list of cards");
    for (std::size_t i = 0; i < cards.size(); ++i) {
      config.cards.push_back(CardIn(cards[i], where + ", card " + std::to_string(i + 1)));
    }
  }
  const int last = static_cast<int>(config.cards.size()) - 1;
  config.present = IntIn(object, "present", last < 0 ? -1 : 0, -1, 1000000, where);
  if (config.present > last) {
    throw BadInstallation(where + ": \"present\" must be " +
                          (last < 0
                               ? "-1 when there are no \"cards\""
                               : "-1.." + std::to_string(last) + " (an index into \"cards\")"));
  }
  return std::make_unique<CardWriter>(config);
}

std::unique_ptr<Device> BuildTopUpMachine(const json& object, const std::string& where) {
  RejectUnknownKeys(object, {"type", "machine", "management_card", "faults"}, where);
  if (!object.contains("machine")) throw BadInstallation(where + ": \"machine\" is missing");
  TopUpMachineConfig config;
  config.machine = IntIn(object, "machine", 0, 0, 999, where);
  config.management_card = IntIn(object, "management_card", 0, 0, 999999, where);
  return std::make_unique<TopUpMachine>(config);
}

// One builder per device type; the faults are read for every type alike.
using Builder = std::function<std::unique_ptr<Device>(const json&, const std::string&)>;

const std::map<std::string, Builder>& Builders() {
  static const std::map<std::string, Builder> builders = {
      {"terminal", BuildTerminal},
      {"card_writer", BuildCardWriter},
      {"topup_machine", BuildTopUpMachine},
  };
  return builders;
}

std::unique_ptr<Device> ReadDevice(const json& object, const std::string& where) {
  if (!object.is_object()) throw BadInstallation(where + ": a device must be an object");
  if (!object.contains("type")) throw BadInstallation(where + ": \"type\" is missing");
  std::string type = TextIn(object, "type", "", where);
  auto builder = Builders().find(type);
  if (builder == Builders().end()) {
    throw BadInstallation(where + ": unknown device type \"" + type + "\"");
  }
  std::unique_ptr<Device> device = builder->second(object, where);
  if (object.contains("faults")) {
    const json& faults = object.at("faults");
    if (!faults.is_array()) throw BadInstallation(where + ": \"faults\" must be a list");
    for (std::size_t i = 0; i < faults.size(); ++i) {
      device->AddFault(ReadFault(faults[i], where + ", fault " + std::to_string(i + 1)));
    }
  }
  return device;
}

std::vector<std::unique_ptr<Device>> ReadInstallation(const std::string& text) {
  json root;
  try {
    root = json::parse(text, nullptr, true, /*ignore_comments=*/true);
  } catch (const json::parse_error& e) {
    throw BadInstallation(std::string("not valid JSON: ") + e.what());
  }
  if (!root.is_object()) throw BadInstallation("the installation must be a JSON object");
  RejectUnknownKeys(root, {"devices"}, "installation");
  if (!root.contains("devices") || !root.at("devices").is_array()) {
    throw BadInstallation("installation: \"devices\" must be a list");
  }
  std::vector<std::unique_ptr<Device>> devices;
  const json& list = root.at("devices");
  for (std::size_t i = 0; i < list.size(); ++i) {
    devices.push_back(ReadDevice(list[i], "device " + std::to_string(i + 1)));
  }
  return devices;
}

// The entry forms of what devices hold: the inverse of their builders, keys
// in the order a person reads them.
using OrderedJson = nlohmann::ordered_json;

OrderedJson TerminalEntry(const TerminalConfig& state) {
  OrderedJson entry;
  entry["type"] = "terminal";
  entry["machine"] = state.machine;
  entry["machine_type"] = std::string(1, state.machine_type);
  entry["management_card"] = state.management_card;
  entry["clock"] = state.clock;
  entry["kind"] = TerminalKindName(state.kind);
  entry["decimals"] = state.decimals;
  entry["total"] = state.total;
  entry["kind_counts"] = OrderedJson::object();
  for (const auto& [digit, count] : state.kind_counts) {
    entry["kind_counts"][std::to_string(digit)] = count;
  }
  entry["count_error"] = state.count_error;
  entry["drops_sent"] = state.drops_sent;
  entry["swipes"] = state.swipes;
  entry["ic_password"] = state.ic_password;
  entry["style"] = state.style;
  entry["in_service"] = state.in_service;
  entry["reader_mode"] = state.reader_mode;
  entry["answers_query"] = state.answers_query;
  entry["cards"] = state.cards;
  entry["cards_ex"] = state.cards_ex;
  entry["settings"] = OrderedJson::object();
  for (const auto& [command, texts] : state.settings) entry["settings"][command] = texts;
  return entry;
}

// Texts a device holds may be GBK (a display text) or any bytes a host
// sent: they are shown with those bytes as \xNN, so nothing is lost and the
// text stays UTF-8.
void MakePrintable(OrderedJson* value) {
  if (value->is_string()) {
    *value = PrintableUtf8(value->get<std::string>());
  } else if (value->is_structured()) {
    for (auto& item : *value) MakePrintable(&item);
  }
}

std::string Dump(OrderedJson value) {
  MakePrintable(&value);
  return value.dump();
}

// A store may hold a million records and the simulator writes a device's
// state after every frame, so each list becomes JSON once and the text is
// reused for as long as the list stays the same.
std::string ListJson(const std::vector<std::string>& texts) {
  thread_local std::vector<std::pair<std::vector<std::string>, std::string>> recent;
  for (const auto& [list, text] : recent)
    if (list == texts) return text;
  if (recent.size() >= 8) recent.erase(recent.begin());
  recent.emplace_back(texts, Dump(OrderedJson(texts)));
  return recent.back().second;
}

// The record stores go last, where they neither hide the settings from a
// reader nor need to be written out again.
std::string TerminalState(const TerminalConfig& state) {
  std::string text = Dump(TerminalEntry(state));
  text.pop_back();  // the closing brace
  return text + ",\"records\":" + ListJson(state.records) +
         ",\"backup\":" + ListJson(state.backup) + "}";
}

// A card as its entry: the blocks that are not zero and the keys that are
// not all F, so a written card stands out from the blank ones.
OrderedJson CardEntry(const CardImage& card) {
  OrderedJson entry = OrderedJson::object();
  for (int sector = 0; sector < CardImage::kSectors; ++sector) {
    for (int block = 0; block < CardImage::kBlocksPerSector; ++block) {
      const std::string& text = card.Block(sector, block);
      if (text == CardImage::kBlankBlock) continue;
      entry["blocks"][std::to_string(sector) + "/" + std::to_string(block)] = text;
    }
  }
  for (int sector = 0; sector < CardImage::kSectors; ++sector) {
    const std::string& key = card.keys[static_cast<std::size_t>(sector)];
    if (key != CardImage::kBlankKey) entry["keys"][std::to_string(sector)] = key;
  }
  return entry;
}

OrderedJson CardWriterEntry(const CardWriter& writer) {
  const CardWriterConfig& state = writer.state();
  OrderedJson entry;
  entry["type"] = "card_writer";
  entry["key"] = state.key;
  entry["cards"] = OrderedJson::array();
  for (const CardImage& card : state.cards) entry["cards"].push_back(CardEntry(card));
  entry["present"] = state.present;
  entry["beeps"] = writer.beeps().size();
  return entry;
}

OrderedJson TopUpMachineEntry(const TopUpMachine& machine) {
  OrderedJson entry;
  entry["type"] = "topup_machine";
  entry["machine"] = machine.config().machine;
  entry["management_card"] = machine.config().management_card;
  entry["orders"] = OrderedJson::array();
  for (const TopUpOrder& order : machine.orders()) {
    OrderedJson decoded;
    decoded["card"] = order.card;
    decoded["mode"] = order.mode;
    decoded["tenths"] = order.tenths;
    decoded["time"] = order.time;
    entry["orders"].push_back(decoded);
  }
  return entry;
}

}  // namespace

const std::string& DefaultInstallation() {
  static const std::string text = R"({
  "devices": [
    { "type": "terminal", "machine": 1, "clock": "20260101080000" },
    { "type": "terminal", "machine": 5, "management_card": 123456,
      "clock": "20260101080000", "generate": 12 }
  ]
}
)";
  return text;
}

bool BuildInstallation(const std::string& json_text, Bus* bus, std::string* error) {
  try {
    std::vector<std::unique_ptr<Device>> devices = ReadInstallation(json_text);
    for (auto& device : devices) bus->Add(std::move(device));
    return true;
  } catch (const BadInstallation& e) {
    if (error) *error = e.what();
  } catch (const json::exception& e) {
    if (error) *error = e.what();
  }
  return false;
}

bool LoadInstallation(const std::string& path, Bus* bus, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (!BuildInstallation(text.str(), bus, error)) {
    if (error) *error = path + ": " + *error;
    return false;
  }
  return true;
}

std::string DeviceState(const Device& device) {
  if (const auto* terminal = dynamic_cast<const Terminal*>(&device)) {
    return TerminalState(terminal->state());
  }
  if (const auto* writer = dynamic_cast<const CardWriter*>(&device)) {
    return Dump(CardWriterEntry(*writer));
  }
  if (const auto* machine = dynamic_cast<const TopUpMachine*>(&device)) {
    return Dump(TopUpMachineEntry(*machine));
  }
  return device.Describe();
}

}  // namespace icbus::sim
