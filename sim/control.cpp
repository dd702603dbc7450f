#include "control.h"

#include <sstream>
#include <vector>

#include "card_writer.h"
#include "installation.h"
#include "terminal.h"

namespace icbus::sim {
namespace {

const char kUsage[] = "card place N, card remove, swipe M TEXT, record M TEXT or records M COUNT";

ControlResult Done(const std::string& text) { return {true, text}; }
ControlResult Refused(const std::string& text) { return {false, text}; }

// A number of at most `digits` decimal digits.
bool NumberIn(const std::string& text, std::size_t digits, int* number) {
  if (text.empty() || text.size() > digits) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *number = std::stoi(text);
  return true;
}

std::vector<Terminal*> TerminalsAt(Bus* bus, int machine) {
  std::vector<Terminal*> found;
  for (const auto& device : bus->devices()) {
    auto* terminal = dynamic_cast<Terminal*>(device.get());
    if (terminal && terminal->state().machine == machine) found.push_back(terminal);
  }
  return found;
}

CardWriter* FirstCardWriter(Bus* bus) {
  for (const auto& device : bus->devices()) {
    if (auto* writer = dynamic_cast<CardWriter*>(device.get())) return writer;
  }
  return nullptr;
}

ControlResult Card(Bus* bus, const std::vector<std::string>& words) {
  CardWriter* writer = FirstCardWriter(bus);
  if (!writer) return Refused("there is no card writer");
  if (words.size() == 2 && words[1] == "remove") {
    writer->Present(-1);
    return Done("no card on the card writer");
  }
  int index = 0;
  int cards = static_cast<int>(writer->state().cards.size());
  if (words.size() != 3 || words[1] != "place" || !NumberIn(words[2], 7, &index)) {
    return Refused("say \"card place N\" or \"card remove\"");
  }
  if (index >= cards) {
    return Refused(cards == 0 ? "the card writer knows no cards"
                              : "card " + words[2] + " is not one of the writer's cards 0.." +
                                    std::to_string(cards - 1));
  }
  writer->Present(index);
  return Done("card " + std::to_string(index) + " on the card writer");
}

// The commands for terminal M: `rest` is everything after the machine.
ControlResult ForTerminal(Bus* bus, const std::string& command, const std::string& machine_text,
                          const std::string& rest) {
  int machine = 0;
  if (!NumberIn(machine_text, 3, &machine)) {
    return Refused("\"" + machine_text + "\" is not a machine number 0..999");
  }
  std::vector<Terminal*> terminals = TerminalsAt(bus, machine);
  const std::string name = "terminal " + std::to_string(machine);
  if (terminals.empty()) return Refused("there is no " + name);
  if (terminals.size() > 1) return Refused(name + " is on the bus more than once");
  TerminalConfig& state = terminals[0]->state();
  if (rest.empty()) {
    return Refused(command + " needs a machine and " +
                   (command == "records" ? "a count" : "a text") + " after it");
  }
  // Stored texts travel as one reply each, ended by "!".
  if (command != "records" && rest.find('!') != std::string::npos) {
    return Refused("a " + command + " must not contain \"!\"");
  }
  if (command == "swipe") {
    if (rest.size() != 20) return Refused("a swipe must be 20 characters, not \"" + rest + "\"");
    state.swipes.push_back(rest);
    return Done(name + " has swipe " + rest);
  }
  if (command == "record") {
    if (state.records.size() >= static_cast<std::size_t>(kMaxRecords)) {
      return Refused(name + " holds " + std::to_string(kMaxRecords) +
                     " records, the most its count can show");
    }
    state.records.push_back(rest);
    return Done(name + " stored record " + std::to_string(state.records.size()) + ": " + rest);
  }
  int count = 0;
  if (!NumberIn(rest, 5, &count)) return Refused("\"" + rest + "\" is not a count 0..99999");
  std::string why;
  if (!AddRecords(&state, count, &why)) return Refused(name + " cannot take them: " + why);
  return Done(name + " stored " + std::to_string(count) + " more records, " +
              std::to_string(state.records.size()) + " in all");
}

ControlResult State(Bus* bus, const std::vector<std::string>& words) {
  int number = 0;
  int devices = static_cast<int>(bus->devices().size());
  if (words.size() != 2 || !NumberIn(words[1], 7, &number) || number < 1 || number > devices) {
    return Refused("say \"state D\", D a device 1.." + std::to_string(devices));
  }
  ControlResult report = Done("device " + words[1] + " now: " +
                              DeviceState(*bus->devices()[static_cast<std::size_t>(number - 1)]));
  report.report = true;
  return report;
}

}  // namespace

ControlResult RunControl(Bus* bus, const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty() || words[0][0] == '#') return Done("");
  if (words[0] == "card") return Card(bus, words);
  if (words[0] == "state") return State(bus, words);
  if (words[0] == "swipe" || words[0] == "record" || words[0] == "records") {
    if (words.size() < 2) return Refused(words[0] + " needs a machine number");
    // The text is the rest of the line as given, after one space.
    std::size_t at = line.find(words[1], line.find(words[0]) + words[0].size()) + words[1].size();
    std::string rest = at < line.size() ? line.substr(at + 1) : "";
    if (words[0] == "records") rest = words.size() == 3 ? words[2] : "";
    return ForTerminal(bus, words[0], words[1], rest);
  }
  return Refused("unknown command \"" + words[0] + "\" (" + kUsage + ")");
}

}  // namespace icbus::sim
