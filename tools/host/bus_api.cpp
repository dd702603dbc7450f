#include "host/bus_api.h"

namespace icbus::tool {

const BusApi& LibraryApi() {
  static const BusApi api = [] {
    BusApi api;
    api.dev_init = icDevInit;
    api.dev_close = icDevClose;
    api.change_dev_settings = ChangeicDevSettings;
    api.set_dec_len = SetDecLen;
    api.get_time = GetTime;
    api.get_time_a = GetTimeA;
    api.set_time = SetTime;
    api.set_time_a = SetTimeA;
    api.clear = Clear;
    api.clear_a = ClearA;
    api.set_open_card = SetOpenCard;
    api.del_open_card = DelOpenCard;
    api.clear_open_card = ClearOpenCard;
    api.set_open_card_ex = SetOpenCardEx;
    api.del_open_card_ex = DelOpenCardEx;
    api.clear_open_card_ex = ClearOpenCardEx;
    api.query_card = QueryCard;
    api.set_mach_no = SetMachNo;
    api.set_master_card = SetMasterCard;
    api.set_master_card_a = SetMasterCardA;
    api.log_on_pass = Log_onPass;
    api.set_pass = SetPass;
    api.set_pass_a = SetPassA;
    api.set_mach_read = SetMachRead;
    api.get_mach_style = GetMachStyle;
    api.set_mach_style = SetMachStyle;
    api.get_state = GetState;
    api.set_pause = SetPause;
    api.get_dll_version = GetDllVersion;
    api.set_meal_times = SetMealTimes;
    api.set_meal_time = SetMealTime;
    api.set_keyboard = SetKeyboard;
    api.set_class_menu_money = SetClassMenuMoney;
    api.set_class_menu_name = SetClassMenuName;
    api.set_reserve_param = SetReserveParam;
    api.set_interval_time = SetIntervalTime;
    api.set_screen_display_text = SetScreenDisplayText;
    api.set_bell_time = SetBellTime;
    api.set_open_time = SetOpenTime;
    api.set_water_param = SetWaterParam;
    api.set_read_card_name = SetReadCardName;
    api.get_record_count = GetRecordCount;
    api.get_record_count_a = GetRecordCountA;
    api.get_record_count_r = GetRecordCountR;
    api.get_record_count_at = GetRecordCountAt;
    api.get_total = GetTotal;
    api.get_first = GetFirst;
    api.get_first_a = GetFirstA;
    api.get_next = GetNext;
    api.get_next_k = GetNextK;
    api.get_next_r = GetNextR;
    api.get_next_bak = GetNextBak;
    api.get_next_at = GetNextAt;
    api.get_next_w = GetNextW;
    api.get_next_a = GetNextA;
    api.real_time = Real_time;
    api.beep_ax = BeepAX;
    api.read_card = ReadCard;
    api.write_card = WriteCard;
    api.write_card_ex = WriteCardEx;
    api.write_card_account_no = WriteCardAccountNo;
    api.write_card_pass = WriteCardPass;
    api.read_card_pass = ReadCardPass;
    api.read_balance = ReadBalance;
    api.increase = Increase;
    api.decrease = Decrease;
    api.read_card_max_consume = ReadCardMaxConsume;
    api.write_card_max_consume = WriteCardMaxConsume;
    api.read_card_add_count = ReadCardAddCount;
    api.write_card_add_count = WriteCardAddCount;
    api.read_card_max_cc = ReadCardMaxCC;
    api.write_card_max_cc = WriteCardMaxCC;
    api.transmit_atm = TransmitATM;
    api.set_fast_replies = icbus_set_fast_replies;
    api.session_new = icbus_session_new;
    api.session_free = icbus_session_free;
    api.session_set_fast_replies = icbus_session_set_fast_replies;
    api.session_enter = icbus_session_enter;
    api.session_leave = icbus_session_leave;
    api.probe = icbus_probe;
    api.last_error = icbus_last_error;
    api.last_error_message = icbus_last_error_message;
    api.end_download = icbus_end_download;
    api.name_drawable = icbus_name_drawable;
    api.version = icbus_version;
    api.check_card_write = icbus_check_card_write;
    return api;
  }();
  return api;
}

}  // namespace icbus::tool
