#include "installation.h"

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

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
  RejectUnknownKeys(object, {"type", "machine", "management_card", "clock", "records", "faults"},
                    where);
  if (!object.contains("machine")) throw BadInstallation(where + ": \"machine\" is missing");
  TerminalConfig config;
  config.machine = IntIn(object, "machine", 0, 0, 999, where);
  config.management_card = IntIn(object, "management_card", 0, 0, 999999, where);
  config.clock = TextIn(object, "clock", config.clock, where);
  config.records = IntIn(object, "records", 0, 0, 1000000, where);
  return std::make_unique<Terminal>(config);
}

// One builder per device type; the faults are read for every type alike.
using Builder = std::function<std::unique_ptr<Device>(const json&, const std::string&)>;

const std::map<std::string, Builder>& Builders() {
  static const std::map<std::string, Builder> builders = {
      {"terminal", BuildTerminal},
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

}  // namespace icbus::sim
