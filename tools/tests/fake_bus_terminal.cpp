// Fakes of the terminal administration exports: card lists, identity and
// state, schedules and display.
#include "fake_bus_parts.h"

namespace icbus::tool::fake {

void AddTerminalFakes(BusApi* api) {
  api->set_open_card = [](int p, int m, const char* card) {
    return Call("SetOpenCard", p, m, card);
  };
  api->del_open_card = [](int p, int m, const char* card) {
    return Call("DelOpenCard", p, m, card);
  };
  api->clear_open_card = [](int p, int m) { return Call("ClearOpenCard", p, m); };
  api->set_open_card_ex = [](int p, int m, const char* card) {
    return Call("SetOpenCardEx", p, m, card);
  };
  api->del_open_card_ex = [](int p, int m, const char* card) {
    return Call("DelOpenCardEx", p, m, card);
  };
  api->clear_open_card_ex = [](int p, int m) { return Call("ClearOpenCardEx", p, m); };
  api->query_card = [](int p, int m, const char* card) { return Call("QueryCard", p, m, card); };

  api->set_mach_no = [](int p, const char* number) { return Call("SetMachNo", p, number); };
  api->set_master_card = [](int p, const char* card) { return Call("SetMasterCard", p, card); };
  api->set_master_card_a = [](int p, int m, const char* card, int current) {
    return Call("SetMasterCardA", p, m, card, current);
  };
  api->log_on_pass = [](int p, const char* old) { return Call("Log_onPass", p, old); };
  api->set_pass = [](int p, const char* password) { return Call("SetPass", p, password); };
  api->set_pass_a = [](int p, const char* password) { return Call("SetPassA", p, password); };
  api->set_mach_read = [](int p, int m) { return Call("SetMachRead", p, m); };
  api->get_mach_style = [](int p, int m) { return Call("GetMachStyle", p, m); };
  api->set_mach_style = [](int p, int m, int style) { return Call("SetMachStyle", p, m, style); };
  api->get_state = [](int p, int m) { return Call("GetState", p, m); };
  api->set_pause = [](int p, int m, int pause) { return Call("SetPause", p, m, pause); };
  api->get_dll_version = []() { return Call("GetDllVersion"); };

  api->set_meal_times = [](int p, int m, int limit) { return Call("SetMealTimes", p, m, limit); };
  api->set_meal_time = [](int p, int m, const char* period) {
    return Call("SetMealTime", p, m, period);
  };
  api->set_keyboard = [](int p, int m, int index, double amount) {
    return Call("SetKeyboard", p, m, index, amount);
  };
  api->set_class_menu_money = [](int p, int m, const char* category, const char* menu,
                                 double amount) {
    return Call("SetClassMenuMoney", p, m, category, menu, amount);
  };
  api->set_class_menu_name = [](int p, int m, const char* category, const char* menu,
                                const char* name) {
    return Call("SetClassMenuName", p, m, category, menu, name);
  };
  api->set_reserve_param = [](int p, int m, int selector, const char* text) {
    return Call("SetReserveParam", p, m, selector, text);
  };
  api->set_interval_time = [](int p, int m, int interval) {
    return Call("SetIntervalTime", p, m, interval);
  };
  api->set_screen_display_text = [](int p, int m, const char* text) {
    return Call("SetScreenDisplayText", p, m, text);
  };
  api->set_bell_time = [](int p, int m, const char* bell) {
    return Call("SetBellTime", p, m, bell);
  };
  api->set_open_time = [](int p, int m, const char* period) {
    return Call("SetOpenTime", p, m, period);
  };
  api->set_water_param = [](int p, int m, int price, int units, int seconds) {
    return Call("SetWaterParam", p, m, price, units, seconds);
  };
  api->set_read_card_name = [](int p, int m, const char* text) {
    return Call("SetReadCardName", p, m, text);
  };
}

}  // namespace icbus::tool::fake
