// Reading installations: every key of a terminal, a card writer and a top-up
// machine, the refusals, and what a device holds written back in the same
// form.
#include "installation.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "card_writer.h"
#include "record_store.h"
#include "terminal.h"
#include "topup_machine.h"

namespace icbus::sim {
namespace {

using nlohmann::json;

// Builds one device from its entry; null (with the failure) when refused.
template <class T>
const T* BuildOne(Bus* bus, const std::string& entry) {
  std::string error;
  if (!BuildInstallation(R"({"devices": [)" + entry + "]}", bus, &error)) {
    ADD_FAILURE() << error;
    return nullptr;
  }
  if (bus->devices().size() != 1) return nullptr;
  return dynamic_cast<const T*>(bus->devices().front().get());
}

TEST(InstallationTest, EveryTerminalKeyIsRead) {
  Bus bus;
  const Terminal* terminal = BuildOne<Terminal>(&bus, R"({
      "type": "terminal", "machine": 12, "machine_type": "K", "management_card": 654321,
      "clock": "20300102030405", "kind": "water", "decimals": 2,
      "records": ["R1", "R2"], "total": 1234, "backup": ["B1"], "kind_counts": {"0": 5, "3": 0},
      "count_error": true, "swipes": ["12345678901234567890"],
      "ic_password": "A1B2C3D4E5F6", "style": 1,
      "in_service": false, "reader_mode": true, "answers_query": false,
      "cards": ["123456", "000001"], "cards_ex": ["123456654321"],
      "settings": {"SU": ["005", "010"], "SO": ["123456      Zhang"]}})");
  ASSERT_NE(terminal, nullptr);
  const TerminalConfig& held = terminal->state();
  EXPECT_EQ(held.machine, 12);
  EXPECT_EQ(held.machine_type, 'K');
  EXPECT_EQ(held.management_card, 654321);
  EXPECT_EQ(held.clock, "20300102030405");
  EXPECT_EQ(held.kind, TerminalKind::kWater);
  EXPECT_EQ(held.decimals, 2);
  EXPECT_EQ(held.records, (std::vector<std::string>{"R1", "R2"}));
  EXPECT_EQ(held.total, 1234);
  EXPECT_EQ(held.backup, (std::vector<std::string>{"B1"}));
  EXPECT_EQ(held.kind_counts, (std::map<int, int>{{0, 5}, {3, 0}}));
  EXPECT_TRUE(held.count_error);
  EXPECT_EQ(held.swipes, (std::deque<std::string>{"12345678901234567890"}));
  EXPECT_EQ(held.ic_password, "A1B2C3D4E5F6");
  EXPECT_EQ(held.style, 1);
  EXPECT_FALSE(held.in_service);
  EXPECT_TRUE(held.reader_mode);
  EXPECT_FALSE(held.answers_query);
  EXPECT_EQ(held.cards, (std::set<std::string>{"123456", "000001"}));
  EXPECT_EQ(held.cards_ex, (std::set<std::string>{"123456654321"}));
  EXPECT_EQ(held.settings, (std::map<std::string, std::vector<std::string>>{
                               {"SU", {"005", "010"}}, {"SO", {"123456      Zhang"}}}));
}

TEST(InstallationTest, TerminalKeysLeftOutTakeTheirDefaults) {
  Bus bus;
  const Terminal* terminal = BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 4})");
  ASSERT_NE(terminal, nullptr);
  const TerminalConfig& held = terminal->state();
  EXPECT_EQ(held.machine_type, ' ');
  EXPECT_EQ(held.kind, TerminalKind::kWindow);
  EXPECT_EQ(held.decimals, 1);
  EXPECT_TRUE(held.records.empty());
  EXPECT_EQ(held.total, 0);
  EXPECT_TRUE(held.backup.empty());
  EXPECT_TRUE(held.kind_counts.empty());
  EXPECT_FALSE(held.count_error);
  EXPECT_TRUE(held.swipes.empty());
  EXPECT_EQ(held.ic_password, "FFFFFFFFFFFF");
  EXPECT_EQ(held.style, 0);
  EXPECT_TRUE(held.in_service);
  EXPECT_FALSE(held.reader_mode);
  EXPECT_TRUE(held.answers_query);
  EXPECT_TRUE(held.cards.empty());
  EXPECT_TRUE(held.cards_ex.empty());
  EXPECT_TRUE(held.settings.empty());
}

TEST(InstallationTest, GeneratedRecordsComeWithTheirTotal) {
  Bus bus;
  const Terminal* terminal = BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 7,
      "decimals": 2, "generate": 3, "generate_backup": 2})");
  ASSERT_NE(terminal, nullptr);
  const TerminalConfig& held = terminal->state();
  long long total = -1;
  EXPECT_EQ(held.records, GenerateRecords(TerminalKind::kWindow, 2, 7, 3, &total));
  EXPECT_EQ(held.total, 1 + 2 + 3);
  EXPECT_EQ(held.total, total);
  EXPECT_EQ(held.backup, GenerateBackup(2, 7, 2));
}

TEST(InstallationTest, GeneratedRecordsFollowTheKindAndAGivenTotalWins) {
  Bus bus;
  const Terminal* terminal = BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 7,
      "kind": "attendance", "generate": 4, "total": 99})");
  ASSERT_NE(terminal, nullptr);
  EXPECT_EQ(terminal->state().records,
            GenerateRecords(TerminalKind::kAttendance, 1, 7, 4, nullptr));
  EXPECT_EQ(terminal->state().total, 99);
}

TEST(InstallationTest, FaultsCanWaitForTheirTurn) {
  Bus bus;
  ASSERT_NE(BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 7, "generate": 3,
      "faults": [{"kind": "silence", "frame": "SC", "after": 2}]})"),
            nullptr);
  bus.Deliver({"SA007!", Mode::kAddress});
  EXPECT_TRUE(bus.Deliver({"SC!", Mode::kData}).has_value());
  EXPECT_TRUE(bus.Deliver({"SC!", Mode::kData}).has_value());
  EXPECT_FALSE(bus.Deliver({"SC!", Mode::kData}).has_value());
  EXPECT_FALSE(bus.Deliver({"SC!", Mode::kData}).has_value());
}

TEST(InstallationTest, CardWriterKeepsItsKeyAndFaults) {
  Bus bus;
  const CardWriter* writer =
      BuildOne<CardWriter>(&bus, R"({"type": "card_writer", "key": "0123456789ab",
                "faults": [{"kind": "wrong_word", "frame": "SG", "count": 1, "text": "ERR"}]})");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->state().key, "0123456789ab");
  // The fault spoils the first answer only; the writer still takes the key.
  auto first = bus.Deliver({"SGA1B2C3D4E5F6!", Mode::kNone});
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->bytes, "ERR!");
  auto second = bus.Deliver({"SG111111111111!", Mode::kNone});
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->bytes, "DONE!");
  EXPECT_EQ(writer->state().key, "111111111111");
}

TEST(InstallationTest, CardWriterKeyDefaultsToAllF) {
  Bus bus;
  const CardWriter* writer = BuildOne<CardWriter>(&bus, R"({"type": "card_writer"})");
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(writer->state().key, "FFFFFFFFFFFF");
}

TEST(InstallationTest, CardWriterHoldsTheCardsDescribed) {
  Bus bus;
  const CardWriter* writer = BuildOne<CardWriter>(&bus, R"({"type": "card_writer",
      "cards": [{"blocks": {"2/2": "0100600700D20400000000C800214305"}},
                {"blocks": {"0/1": "0123456789abcdef0123456789ABCDEF",
                            "15/3": "FFFFFFFFFFFFFF078069FFFFFFFFFFFF"},
                 "keys": {"0": "a1b2c3d4e5f6", "15": "000000000000"}}],
      "present": 1})");
  ASSERT_NE(writer, nullptr);
  const CardWriterConfig& held = writer->state();
  ASSERT_EQ(held.cards.size(), 2u);
  EXPECT_EQ(held.present, 1);
  EXPECT_EQ(writer->card(), &held.cards[1]);
  const CardImage& first = held.cards[0];
  EXPECT_EQ(first.Block(2, 2), "0100600700D20400000000C800214305");
  EXPECT_EQ(first.Block(2, 1), std::string(32, '0'));
  EXPECT_EQ(first.keys[2], "FFFFFFFFFFFF");
  const CardImage& second = held.cards[1];
  EXPECT_EQ(second.Block(0, 1), "0123456789abcdef0123456789ABCDEF") << "the case is kept";
  EXPECT_EQ(second.Block(15, 3), "FFFFFFFFFFFFFF078069FFFFFFFFFFFF");
  EXPECT_EQ(second.Block(2, 2), std::string(32, '0'));
  EXPECT_EQ(second.keys[0], "a1b2c3d4e5f6");
  EXPECT_EQ(second.keys[15], "000000000000");
  EXPECT_EQ(second.keys[1], "FFFFFFFFFFFF");
}

TEST(InstallationTest, CardWriterHasItsFirstCardOnItUnlessTold) {
  Bus bus;
  const CardWriter* with_cards =
      BuildOne<CardWriter>(&bus, R"({"type": "card_writer", "cards": [{}, {}]})");
  ASSERT_NE(with_cards, nullptr);
  EXPECT_EQ(with_cards->state().present, 0);
  Bus empty_bus;
  const CardWriter* empty =
      BuildOne<CardWriter>(&empty_bus, R"({"type": "card_writer", "cards": [{}], "present": -1})");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->card(), nullptr);
  Bus no_cards_bus;
  const CardWriter* no_cards = BuildOne<CardWriter>(&no_cards_bus, R"({"type": "card_writer"})");
  ASSERT_NE(no_cards, nullptr);
  EXPECT_EQ(no_cards->state().present, -1);
  EXPECT_TRUE(no_cards->state().cards.empty());
}

// The key a card was given opens its sector whatever the case of its
// hexadecimal digits; another key does not.
TEST(InstallationTest, CardKeysOpenTheirSectors) {
  Bus bus;
  ASSERT_NE(BuildOne<CardWriter>(&bus, R"({"type": "card_writer",
      "cards": [{"blocks": {"2/2": "0100600000000000000000C800214305"},
                 "keys": {"2": "a1b2c3d4e5f6"}}]})"),
            nullptr);
  EXPECT_EQ(bus.Deliver({"SR0210!", Mode::kNone})->bytes, "R2!");
  EXPECT_EQ(bus.Deliver({"SR0001!", Mode::kNone})->bytes, std::string(32, '0') + "!")
      << "sector 0 keeps the all-F key";
  EXPECT_EQ(bus.Deliver({"SGA1B2C3D4E5F6!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(bus.Deliver({"SR0210!", Mode::kNone})->bytes, "0100600000000000000000C800214305!");
  EXPECT_EQ(bus.Deliver({"SR0001!", Mode::kNone})->bytes, "R2!");
}

TEST(InstallationTest, TopUpMachineAnswersItsSixDigitAddress) {
  Bus bus;
  const TopUpMachine* machine = BuildOne<TopUpMachine>(
      &bus, R"({"type": "topup_machine", "machine": 3, "management_card": 4321})");
  ASSERT_NE(machine, nullptr);
  EXPECT_EQ(machine->config().machine, 3);
  EXPECT_EQ(machine->config().management_card, 4321);
  EXPECT_FALSE(bus.Deliver({"SA003004322!", Mode::kAddress}).has_value());
  auto reply = bus.Deliver({"SA003004321!", Mode::kAddress});
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(reply->bytes, "OK!");
  Bus default_bus;
  const TopUpMachine* plain =
      BuildOne<TopUpMachine>(&default_bus, R"({"type": "topup_machine", "machine": 999})");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->config().management_card, 0);
}

struct Refusal {
  const char* entry;
  const char* message;
};

TEST(InstallationTest, BadValuesAreRefusedWithAReason) {
  const std::vector<Refusal> cases = {
      {R"({"type": "terminal", "machine": 1, "machine_type": ""})",
       "\"machine_type\" must be one character"},
      {R"({"type": "terminal", "machine": 1, "machine_type": "KA"})",
       "\"machine_type\" must be one character"},
      {R"({"type": "terminal", "machine": 1, "machine_type": 7})",
       "\"machine_type\" must be a string"},
      {R"({"type": "terminal", "machine": 1, "ic_password": "FFFF"})",
       "\"ic_password\" must be 12 hexadecimal characters"},
      {R"({"type": "terminal", "machine": 1, "ic_password": "GFFFFFFFFFFF"})",
       "\"ic_password\" must be 12 hexadecimal characters"},
      {R"({"type": "terminal", "machine": 1, "style": 10})", "\"style\" must be 0..9"},
      {R"({"type": "terminal", "machine": 1, "style": -1})", "\"style\" must be 0..9"},
      {R"({"type": "terminal", "machine": 1, "in_service": "no"})",
       "\"in_service\" must be true or false"},
      {R"({"type": "terminal", "machine": 1, "reader_mode": 1})",
       "\"reader_mode\" must be true or false"},
      {R"({"type": "terminal", "machine": 1, "answers_query": null})",
       "\"answers_query\" must be true or false"},
      {R"({"type": "terminal", "machine": 1, "cards": "123456"})",
       "\"cards\" must be a list of strings"},
      {R"({"type": "terminal", "machine": 1, "cards_ex": [123456]})",
       "\"cards_ex\" must be a list of strings"},
      {R"({"type": "terminal", "machine": 1, "settings": []})", "\"settings\" must be an object"},
      {R"({"type": "terminal", "machine": 1, "settings": {"SV": ["001K"]}})",
       "no settings are kept for \"SV\""},
      {R"({"type": "terminal", "machine": 1, "settings": {"SU": "005"}})",
       "settings \"SU\" must be a list of strings"},
      {R"({"type": "terminal", "machine": 1, "setting": {}})", "unknown key \"setting\""},
      {R"({"type": "terminal", "machine": 1, "kind": "canteen"})",
       "unknown terminal kind \"canteen\""},
      {R"({"type": "terminal", "machine": 1, "decimals": 3})", "\"decimals\" must be 1..2"},
      {R"({"type": "terminal", "machine": 1, "records": 7})",
       "\"records\" must be a list of strings (\"generate\" makes a number of them)"},
      {R"({"type": "terminal", "machine": 1, "records": ["A!B"]})",
       "\"records\" must not contain \"!\""},
      {R"({"type": "terminal", "machine": 1, "records": [], "generate": 2})",
       "either \"records\" or \"generate\""},
      {R"({"type": "terminal", "machine": 1, "generate": -1})", "\"generate\" must be 0..99999"},
      {R"({"type": "terminal", "machine": 1, "kind": "timer", "generate": 100000})",
       "\"generate\" must be 0..99999"},
      {R"({"type": "terminal", "machine": 1, "generate": 20700})",
       "more than the total can show (999999 with 1 decimal places)"},
      {R"({"type": "terminal", "machine": 1, "total": 1000000})", "\"total\" must be 0..999999"},
      {R"({"type": "terminal", "machine": 1, "decimals": 2, "total": 100000000})",
       "\"total\" must be 0..99999999"},
      {R"({"type": "terminal", "machine": 1, "backup": [], "generate_backup": 2})",
       "either \"backup\" or \"generate_backup\""},
      {R"({"type": "terminal", "machine": 1, "backup": [1]})", "\"backup\" must be a list"},
      {R"({"type": "terminal", "machine": 1, "kind_counts": [1]})",
       "\"kind_counts\" must be an object"},
      {R"({"type": "terminal", "machine": 1, "kind_counts": {"12": 1}})",
       "\"kind_counts\" keys must be one digit"},
      {R"({"type": "terminal", "machine": 1, "kind_counts": {"1": -1}})", "\"1\" must be 0..99999"},
      {R"({"type": "terminal", "machine": 1, "count_error": "yes"})",
       "\"count_error\" must be true or false"},
      {R"({"type": "terminal", "machine": 1, "swipes": ["1234567890123456789"]})",
       "a swipe must be 20 characters"},
      {R"({"type": "terminal", "machine": 1, "swipes": ["123456789012345678901"]})",
       "a swipe must be 20 characters"},
      {R"({"type": "terminal", "machine": 1, "faults": [{"kind": "silence", "after": -1}]})",
       "\"after\" must be 0..1000000"},
      {R"({"type": "card_writer", "key": "FFFFFFFFFFF"})",
       "\"key\" must be 12 hexadecimal characters"},
      {R"({"type": "card_writer", "key": 12})", "\"key\" must be a string"},
      {R"({"type": "card_writer", "machine": 1})", "unknown key \"machine\""},
      {R"({"type": "card_writer", "faults": [{"kind": "smoke"}]})",
       "device 2, fault 1: unknown fault kind \"smoke\""},
      {R"({"type": "card_writer", "cards": {}})", "\"cards\" must be a list of cards"},
      {R"({"type": "card_writer", "cards": [{}, 7]})", "card 2: a card must be an object"},
      {R"({"type": "card_writer", "cards": [{"block": {}}]})", "card 1: unknown key \"block\""},
      {R"({"type": "card_writer", "cards": [{"blocks": []}]})", "\"blocks\" must be an object"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"2-2": "0"}}]})",
       "block \"2-2\" must be named \"sector/block\""},
      {R"({"type": "card_writer", "cards": [{"blocks": {"16/0": "0"}}]})",
       "block \"16/0\" must be named \"sector/block\" (sector 0..15, block 0..3)"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"2/4": "0"}}]})",
       "block \"2/4\" must be named"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"/1": "0"}}]})",
       "block \"/1\" must be named"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"-1/0": "0"}}]})",
       "block \"-1/0\" must be named"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"2/2/2": "0"}}]})",
       "block \"2/2/2\" must be named"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"2/2": "0000"}}]})",
       "card 1: block \"2/2\" must be 32 hexadecimal characters"},
      {R"({"type":"card_writer","cards":[{"blocks":{"2/2":"G0000000000000000000000000000000"}}]})",
       "block \"2/2\" must be 32 hexadecimal characters"},
      {R"({"type": "card_writer", "cards": [{"blocks": {"2/2": 0}}]})",
       "block \"2/2\" must be 32 hexadecimal characters"},
      {R"({"type": "card_writer", "cards": [{"keys": ["FFFFFFFFFFFF"]}]})",
       "\"keys\" must be an object"},
      {R"({"type": "card_writer", "cards": [{"keys": {"16": "FFFFFFFFFFFF"}}]})",
       "key of sector \"16\" must name a sector 0..15"},
      {R"({"type": "card_writer", "cards": [{"keys": {"2": "FFFFFFFFFFF"}}]})",
       "key of sector \"2\" must be 12 hexadecimal characters"},
      {R"({"type": "card_writer", "cards": [{}], "present": 1})",
       "\"present\" must be -1..0 (an index into \"cards\")"},
      {R"({"type": "card_writer", "cards": [{}], "present": -2})", "\"present\" must be -1.."},
      {R"({"type": "card_writer", "present": 0})",
       "\"present\" must be -1 when there are no \"cards\""},
      {R"({"type": "card_writer", "cards": [{}], "present": "0"})",
       "\"present\" must be an integer"},
      {R"({"type": "card_writer", "beeps": 3})", "unknown key \"beeps\""},
      {R"({"type": "topup_machine"})", "\"machine\" is missing"},
      {R"({"type": "topup_machine", "machine": 1000})", "\"machine\" must be 0..999"},
      {R"({"type": "topup_machine", "machine": 3, "management_card": 1000000})",
       "\"management_card\" must be 0..999999"},
      {R"({"type": "topup_machine", "machine": 3, "key": "FFFFFFFFFFFF"})", "unknown key \"key\""},
      {R"({"type": "topup_machine", "machine": 3, "orders": []})", "unknown key \"orders\""},
      {R"({"type": "topup_machine", "machine": 3, "faults": {}})", "\"faults\" must be a list"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.entry);
    Bus bus;
    std::string error;
    // A good device first: a refusal must leave the bus as it was.
    std::string text =
        std::string(R"({"devices": [{"type": "terminal", "machine": 2}, )") + c.entry + "]}";
    EXPECT_FALSE(BuildInstallation(text, &bus, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_TRUE(bus.devices().empty());
  }
}

TEST(InstallationTest, DefaultInstallationHoldsTerminalsOneAndFive) {
  Bus bus;
  std::string error;
  ASSERT_TRUE(BuildInstallation(DefaultInstallation(), &bus, &error)) << error;
  ASSERT_EQ(bus.devices().size(), 2u);
  auto* one = dynamic_cast<const Terminal*>(bus.devices()[0].get());
  auto* five = dynamic_cast<const Terminal*>(bus.devices()[1].get());
  ASSERT_TRUE(one && five);
  EXPECT_EQ(one->state().machine, 1);
  EXPECT_EQ(five->state().machine, 5);
  EXPECT_EQ(five->state().management_card, 123456);
  EXPECT_TRUE(one->state().records.empty());
  EXPECT_EQ(five->state().records.size(), 12u);
}

TEST(DeviceStateTest, TerminalIsWrittenAsItsInstallationEntry) {
  Bus bus;
  ASSERT_NE(BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 5, "cards": ["2", "1"],
                                         "settings": {"SU": ["005"]}})"),
            nullptr);
  EXPECT_EQ(DeviceState(*bus.devices().front()),
            R"({"type":"terminal","machine":5,"machine_type":" ","management_card":0,)"
            R"("clock":"20260101080000","kind":"window","decimals":1,"total":0,)"
            R"("kind_counts":{},"count_error":false,"drops_sent":false,"swipes":[],)"
            R"("ic_password":"FFFFFFFFFFFF","style":0,)"
            R"("in_service":true,"reader_mode":false,"answers_query":true,"cards":["1","2"],)"
            R"("cards_ex":[],"settings":{"SU":["005"]},"records":[],"backup":[]})");
}

// What a device holds, loaded again, gives a device that holds the same.
TEST(DeviceStateTest, WrittenStateLoadsBackUnchanged) {
  const std::vector<std::string> entries = {
      R"({"type": "terminal", "machine": 12, "machine_type": "K", "management_card": 654321,
          "clock": "x", "kind": "topup", "decimals": 2, "records": ["R1", "R2"], "total": 12,
          "backup": ["B1"], "kind_counts": {"2": 7}, "count_error": true, "drops_sent": true,
          "swipes": ["12345678901234567890", "09876543210987654321"],
          "ic_password": "A1B2C3D4E5F6", "style": 1,
          "in_service": false, "reader_mode": true, "answers_query": false,
          "cards": ["123456"], "cards_ex": ["123456654321"],
          "settings": {"SH": ["3125"], "SI": ["107300800"]}})",
      R"({"type": "card_writer", "key": "0123456789AB", "cards": [], "present": -1})",
      R"({"type": "card_writer", "key": "0123456789AB",
          "cards": [{}, {"blocks": {"2/2": "0100600700D20400000000C800214305",
                                    "15/3": "FFFFFFFFFFFFFF078069FFFFFFFFFFFF"},
                         "keys": {"2": "A1B2C3D4E5F6"}}],
          "present": 1})",
      R"({"type": "topup_machine", "machine": 3, "management_card": 4321})",
  };
  for (const std::string& entry : entries) {
    SCOPED_TRACE(entry);
    Bus first, second;
    std::string error;
    ASSERT_TRUE(BuildInstallation(R"({"devices": [)" + entry + "]}", &first, &error)) << error;
    std::string state = DeviceState(*first.devices().front());
    // What a device has heard is not part of its installation.
    json held = json::parse(state);
    held.erase("beeps");
    held.erase("orders");
    EXPECT_EQ(held, json::parse(entry));
    ASSERT_TRUE(BuildInstallation(R"({"devices": [)" + held.dump() + "]}", &second, &error))
        << error;
    EXPECT_EQ(DeviceState(*second.devices().front()), state);
  }
}

TEST(DeviceStateTest, CardWriterShowsWrittenBlocksAndBeeps) {
  Bus bus;
  ASSERT_NE(BuildOne<CardWriter>(&bus, R"({"type": "card_writer", "cards": [{}, {}]})"), nullptr);
  const Device& writer = *bus.devices().front();
  EXPECT_EQ(DeviceState(writer),
            R"({"type":"card_writer","key":"FFFFFFFFFFFF","cards":[{},{}],"present":0,)"
            R"("beeps":0})");
  EXPECT_EQ(bus.Deliver({"SW02100100600700D20400000000C800214305!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(bus.Deliver({"SW1563FFFFFF!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(bus.Deliver({"SZ001!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(bus.Deliver({"SZ006!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(bus.Deliver({"SGA1B2C3D4E5F6!", Mode::kNone})->bytes, "DONE!");
  EXPECT_EQ(DeviceState(writer),
            R"({"type":"card_writer","key":"A1B2C3D4E5F6","cards":[{"blocks":)"
            R"({"2/2":"0100600700D20400000000C800214305",)"
            R"("15/3":"FFFFFF00000000000000000000000000"}},{}],"present":0,"beeps":2})");
}

TEST(DeviceStateTest, TopUpMachineShowsTheOrdersItDecoded) {
  Bus bus;
  ASSERT_NE(BuildOne<TopUpMachine>(
                &bus, R"({"type": "topup_machine", "machine": 3, "management_card": 4321})"),
            nullptr);
  const Device& machine = *bus.devices().front();
  EXPECT_EQ(DeviceState(machine),
            R"({"type":"topup_machine","machine":3,"management_card":4321,"orders":[]})");
  // Card 74565 (0x12345) with its marker, mode 0, 12345 tenths (0x3039),
  // 2026-12-31 23:59, no name.
  std::string order("L\x45\x23\x61\x00\x00\x39\x30\x26\x12\x31\x23\x59", 13);
  order.append(96, '\0');
  EXPECT_EQ(bus.Deliver({"SA003004321!", Mode::kAddress})->bytes, "OK!");
  EXPECT_EQ(bus.Deliver({order, Mode::kData})->bytes, "DONE!");
  EXPECT_EQ(DeviceState(machine),
            R"({"type":"topup_machine","machine":3,"management_card":4321,"orders":[)"
            R"({"card":74565,"mode":0,"tenths":12345,"time":"2612312359"}]})");
}

TEST(DeviceStateTest, FollowsCommandsOverTheBus) {
  Bus bus;
  ASSERT_NE(BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 5})"), nullptr);
  const Device& terminal = *bus.devices().front();
  std::string before = DeviceState(terminal);
  bus.Deliver({"SA005!", Mode::kAddress});
  EXPECT_EQ(DeviceState(terminal), before) << "selecting is not something a terminal holds";
  bus.Deliver({"SO123456!", Mode::kData});
  EXPECT_EQ(json::parse(DeviceState(terminal))["cards"], json::array({"123456"}));
}

TEST(DeviceStateTest, RecordStoresFollowClearing) {
  Bus bus;
  ASSERT_NE(BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 5,
                                         "records": ["R1", "R2"], "backup": ["B1"]})"),
            nullptr);
  ASSERT_TRUE(BuildInstallation(R"({"devices": [{"type": "terminal", "machine": 6,
                                    "records": ["R1"]}]})",
                                &bus, nullptr));
  const Device& five = *bus.devices()[0];
  const Device& six = *bus.devices()[1];
  EXPECT_EQ(json::parse(DeviceState(five))["records"], json::array({"R1", "R2"}));
  EXPECT_EQ(json::parse(DeviceState(six))["records"], json::array({"R1"}));
  bus.Deliver({"SA005!", Mode::kAddress});
  bus.Deliver({"SJ!", Mode::kData});
  json held = json::parse(DeviceState(five));
  EXPECT_EQ(held["records"], json::array());
  EXPECT_EQ(held["backup"], json::array({"B1"}));
  EXPECT_EQ(json::parse(DeviceState(six))["records"], json::array({"R1"}));
}

// Chinese text reaches a terminal as GBK, which is not UTF-8: its bytes are
// shown, not lost.
TEST(DeviceStateTest, NonUtf8TextDoesNotBreakTheState) {
  Bus bus;
  ASSERT_NE(BuildOne<Terminal>(&bus, R"({"type": "terminal", "machine": 5})"), nullptr);
  bus.Deliver({"SA005!", Mode::kAddress});
  bus.Deliver({"SO123456000000\xD5\xC5\xC8\xFD  !", Mode::kData});
  json held = json::parse(DeviceState(*bus.devices().front()));
  ASSERT_EQ(held["settings"]["SO"].size(), 1u);
  EXPECT_EQ(held["settings"]["SO"][0], "123456000000\\xD5\\xC5\\xC8\\xFD  ");
}

}  // namespace
}  // namespace icbus::sim
