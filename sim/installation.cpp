#include "installation.h"

#include <cctype>
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
#include "terminal.h"

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

// Keys and passwords travel as twelve hexadecimal characters.
std::string HexKeyIn(const json& object, const char* key, const std::string& fallback,
                     const std::string& where) {
  std::string text = TextIn(object, key, fallback, where);
  bool hex = text.size() == 12;
  for (char c : text) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
  if (!hex) {
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
  RejectUnknownKeys(object, {"kind", "frame", "count", "delay_ms", "text"}, where);
  if (!object.contains("kind")) throw BadInstallation(where + ": \"kind\" is missing");
  Fault fault;
  fault.kind = KindNamed(TextIn(object, "kind", "", where), where);
  fault.frame_prefix = TextIn(object, "frame", "", where);
  fault.count = IntIn(object, "count", -1, -1, 1000000, where);
  fault.delay_ms = static_cast<std::uint32_t>(IntIn(object, "delay_ms", 0, 0, 600000, where));
  fault.text = TextIn(object, "text", "", where);
  return fault;
}

std::unique_ptr<Device> BuildTerminal(const json& object, const std::string& where) {
  RejectUnknownKeys(object,
                    {"type", "machine", "machine_type", "management_card", "clock", "records",
                     "ic_password", "style", "in_service", "reader_mode", "answers_query", "cards",
                     "cards_ex", "settings", "faults"},
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
  config.records = IntIn(object, "records", 0, 0, 1000000, where);
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

std::unique_ptr<Device> BuildCardWriter(const json& object, const std::string& where) {
  RejectUnknownKeys(object, {"type", "key", "faults"}, where);
  CardWriterConfig config;
  config.key = HexKeyIn(object, "key", config.key, where);
  return std::make_unique<CardWriter>(config);
}

// One builder per device type; the faults are read for every type alike.
using Builder = std::function<std::unique_ptr<Device>(const json&, const std::string&)>;

const std::map<std::string, Builder>& Builders() {
  static const std::map<std::string, Builder> builders = {
      {"terminal", BuildTerminal},
      {"card_writer", BuildCardWriter},
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
  entry["records"] = state.records;
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

OrderedJson CardWriterEntry(const CardWriterConfig& state) {
  OrderedJson entry;
  entry["type"] = "card_writer";
  entry["key"] = state.key;
  return entry;
}

}  // namespace

const std::string& DefaultInstallation() {
  static const std::string text = R"({
  "devices": [
    { "type": "terminal", "machine": 1, "clock": "20260101080000", "records": 0 },
    { "type": "terminal", "machine": 5, "management_card": 123456,
      "clock": "20260101080000", "records": 12 }
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
  OrderedJson entry;
  if (const auto* terminal = dynamic_cast<const Terminal*>(&device)) {
    entry = TerminalEntry(terminal->state());
  } else if (const auto* writer = dynamic_cast<const CardWriter*>(&device)) {
    entry = CardWriterEntry(writer->state());
  } else {
    return device.Describe();
  }
  return entry.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
}

}  // namespace icbus::sim
