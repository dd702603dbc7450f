// --json: one JSON object a line for every command that prints data.
#include <gtest/gtest.h>

#include "cli/report.h"
#include "tool_fixture.h"

namespace icbus::tool {
namespace {

TEST(JsonString, EscapesWhatJsonMustAndKeepsUtf8) {
  EXPECT_EQ(JsonString("plain"), "\"plain\"");
  EXPECT_EQ(JsonString("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(JsonString(std::string("\r\n\t\x01\x7f", 5)),
            "\"\\u000d\\u000a\\u0009\\u0001\\u007f\"");
  EXPECT_EQ(JsonString(std::string("\0x", 2)), "\"\\u0000x\"");
  EXPECT_EQ(JsonString("王一"), "\"王一\"");
  // Bytes that are not UTF-8 (a garbled or GBK reply) still make valid JSON.
  EXPECT_EQ(JsonString("\xcd\xf5"), "\"\\u00cd\\u00f5\"");
  EXPECT_EQ(JsonString("\xe7\x8e"), "\"\\u00e7\\u008e\"");
  EXPECT_EQ(JsonString("\xc0\x80"), "\"\\u00c0\\u0080\"");
}

TEST(JsonObject, FieldsInOrderOnOneLine) {
  EXPECT_EQ(JsonObject().Text(), "{}");
  EXPECT_EQ(JsonObject()
                .Add("a", 1)
                .Add("b", "x")
                .Add("c", false)
                .AddAmount("d", 1.5, 2)
                .AddRaw("e", JsonArray({"1", "2"}))
                .Text(),
            "{\"a\":1,\"b\":\"x\",\"c\":false,\"d\":1.50,\"e\":[1,2]}");
}

std::vector<std::string> Json(std::vector<std::string> args) {
  args.push_back("--json");
  return args;
}

TEST(JsonOutput, DataCommandsPrintOneObject) {
  ExpectCalls({
      {Json({"time", "get", "--port", "1", "--machine", "5"}),
       {"GetTime(1, 5)"},
       "{\"clock\":\"20240102030405\",\"port\":1,\"machine\":5}\n"},
      {Json({"records", "count", "--port", "1", "--machine", "5"}),
       {"GetRecordCount(1, 5)"},
       "{\"port\":1,\"machine\":5,\"count\":1}\n"},
      {Json({"records", "total", "--port", "1", "--machine", "5", "--decimals", "2"}),
       {"SetDecLen(\"2\")", "GetTotal(1, 5)"},
       "{\"port\":1,\"machine\":5,\"total\":12.50}\n"},
      {Json({"card", "read", "--port", "1"}), {"ReadCard(1, 2, 2)"}, "{\"card\":\"000123\"}\n"},
      {Json({"card", "balance", "--port", "1"}),
       {"ReadBalance(1, 2, 2, 0)"},
       "{\"balance\":12.5}\n"},
      {Json({"card", "topup", "--port", "1", "--amount", "2"}),
       {"Increase(1, 0, 2, 2, 2, 0)"},
       "{\"operation\":\"topup\",\"amount\":2.0,\"sector\":2,\"block\":2}\n"},
      {Json({"card", "limit", "daily", "get", "--port", "1"}),
       {"ReadCardMaxConsume(1, 2, 2)"},
       "{\"daily_limit\":12.5}\n"},
      {Json({"card", "count", "get", "--port", "1"}),
       {"ReadCardAddCount(1, 2, 2)"},
       "{\"topup_count\":1}\n"},
      {Json({"machine", "state", "--port", "1", "--machine", "5"}),
       {"GetState(1, 5)"},
       "{\"in_service\":true}\n"},
      {Json({"list", "query", "--port", "1", "--machine", "5", "--entry", "123456"}),
       {"QueryCard(1, 5, \"123456\")"},
       "{\"entry\":\"123456\",\"listed\":true}\n"},
      {Json({"clear", "--port", "1", "--machine", "5"}),
       {"Clear(1, 5)"},
       "{\"ok\":true,\"message\":\"records of terminal 5 on port 1 cleared\"}\n"},
  });
}

TEST(JsonOutput, ListsGiveOneObjectALine) {
  FakeBus bus;
  bus.answering = {1, 5};
  Ran scan = RunTool(Json({"scan", "--port", "2", "--machine", "0-9"}), &bus);
  EXPECT_EQ(scan.code, 0) << scan.err;
  EXPECT_EQ(scan.out, "{\"port\":2,\"machine\":1}\n{\"port\":2,\"machine\":5}\n");

  bus.results["GetRecordCount"] = -1;
  Ran counts = RunTool(Json({"records", "count", "--port", "1", "--machine", "4,5"}), &bus);
  EXPECT_EQ(
      counts.out,
      "{\"port\":1,\"machine\":4,\"count\":null}\n{\"port\":1,\"machine\":5,\"count\":null}\n");
}

TEST(JsonOutput, TheCollectSummaryAndMonitorLines) {
  FakeBus bus;
  bus.records = {{1, "20A005"}, {1, "OVER"}};
  Ran ran = RunTool(Json({"records", "collect", "--port", "1", "--machine", "5", "--kind", "water",
                          "--out", "-"}),
                    &bus);
  EXPECT_EQ(ran.code, 0) << ran.err;
  EXPECT_EQ(ran.out, "20A005\r\n");
  EXPECT_EQ(ran.err, "{\"port\":1,\"machine\":5,\"records\":1,\"file\":\"-\",\"complete\":true}\n");

  bus.polls = {{1, "ABCDEFGHIJKLMNOPQRST"}, {1, "000000"}, {1, "123456"}};
  int polls = 0;
  Host host;
  host.stop_signal = CtrlCWhen([&] { return polls >= 3; });
  host.pause = [&](int) { ++polls; };
  ran = RunTool(Json({"monitor", "--port", "1", "--machine", "5"}), &bus, host);
  EXPECT_EQ(ran.out,
            "{\"port\":1,\"machine\":5,\"time\":\"1900-01-00T00:00:00+00:00\","
            "\"swipe\":\"ABCDEFGHIJKLMNOPQRST\"}\n"
            "{\"port\":1,\"machine\":5,\"answer\":\"123456\"}\n");
}

}  // namespace
}  // namespace icbus::tool
