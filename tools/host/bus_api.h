// The library functions the tool calls, as a table of pointers: the real
// exports in the program, recording fakes in the tool's tests. Each row is
// named after its export.
#pragma once
#include "icbus.h"

namespace icbus::tool {

struct BusApi {
  // Port session and the decimal setting.
  icbus_bool(ICBUS_CALL* dev_init)(const char* digits) = nullptr;
  int(ICBUS_CALL* dev_close)() = nullptr;
  icbus_bool(ICBUS_CALL* change_dev_settings)(int mode) = nullptr;
  icbus_bool(ICBUS_CALL* set_dec_len)(const char* text) = nullptr;

  // Clock and clearing.
  int(ICBUS_CALL* get_time)(int port, int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_time_a)(int port, int machine, char* out, int card) = nullptr;
  int(ICBUS_CALL* set_time)(int port, int machine) = nullptr;
  int(ICBUS_CALL* set_time_a)(int port, int machine, int card) = nullptr;
  int(ICBUS_CALL* clear)(int port, int machine) = nullptr;
  int(ICBUS_CALL* clear_a)(int port, int machine, int card) = nullptr;

  // Card lists.
  int(ICBUS_CALL* set_open_card)(int port, int machine, const char* card) = nullptr;
  int(ICBUS_CALL* del_open_card)(int port, int machine, const char* card) = nullptr;
  int(ICBUS_CALL* clear_open_card)(int port, int machine) = nullptr;
  int(ICBUS_CALL* set_open_card_ex)(int port, int machine, const char* card) = nullptr;
  int(ICBUS_CALL* del_open_card_ex)(int port, int machine, const char* card) = nullptr;
  int(ICBUS_CALL* clear_open_card_ex)(int port, int machine) = nullptr;
  int(ICBUS_CALL* query_card)(int port, int machine, const char* card) = nullptr;

  // Identity, passwords and state.
  int(ICBUS_CALL* set_mach_no)(int port, const char* number) = nullptr;
  int(ICBUS_CALL* set_master_card)(int port, const char* card) = nullptr;
  int(ICBUS_CALL* set_master_card_a)(int port, int machine, const char* card,
                                     int current_card) = nullptr;
  int(ICBUS_CALL* log_on_pass)(int port, const char* old_password) = nullptr;
  int(ICBUS_CALL* set_pass)(int port, const char* password) = nullptr;
  int(ICBUS_CALL* set_pass_a)(int port, const char* password) = nullptr;
  int(ICBUS_CALL* set_mach_read)(int port, int machine) = nullptr;
  int(ICBUS_CALL* get_mach_style)(int port, int machine) = nullptr;
  int(ICBUS_CALL* set_mach_style)(int port, int machine, int style) = nullptr;
  int(ICBUS_CALL* get_state)(int port, int machine) = nullptr;
  int(ICBUS_CALL* set_pause)(int port, int machine, int pause) = nullptr;
  int(ICBUS_CALL* get_dll_version)() = nullptr;

  // Schedules, tariffs and display.
  int(ICBUS_CALL* set_meal_times)(int port, int machine, int limit) = nullptr;
  int(ICBUS_CALL* set_meal_time)(int port, int machine, const char* period) = nullptr;
  int(ICBUS_CALL* set_keyboard)(int port, int machine, int index, double amount) = nullptr;
  int(ICBUS_CALL* set_class_menu_money)(int port, int machine, const char* category,
                                        const char* menu, double amount) = nullptr;
  int(ICBUS_CALL* set_class_menu_name)(int port, int machine, const char* category,
                                       const char* menu, const char* name) = nullptr;
  int(ICBUS_CALL* set_reserve_param)(int port, int machine, int selector,
                                     const char* text) = nullptr;
  int(ICBUS_CALL* set_interval_time)(int port, int machine, int interval) = nullptr;
  int(ICBUS_CALL* set_screen_display_text)(int port, int machine, const char* text) = nullptr;
  int(ICBUS_CALL* set_bell_time)(int port, int machine, const char* bell) = nullptr;
  int(ICBUS_CALL* set_open_time)(int port, int machine, const char* period) = nullptr;
  int(ICBUS_CALL* set_water_param)(int port, int machine, int price, int units,
                                   int seconds) = nullptr;
  int(ICBUS_CALL* set_read_card_name)(int port, int machine, const char* text) = nullptr;

  // Record counts, totals and download; the real-time poll.
  int(ICBUS_CALL* get_record_count)(int port, int machine) = nullptr;
  int(ICBUS_CALL* get_record_count_a)(int port, int machine, int card) = nullptr;
  int(ICBUS_CALL* get_record_count_r)(int port, int machine, int kind) = nullptr;
  int(ICBUS_CALL* get_record_count_at)(int port, int machine, int card) = nullptr;
  double(ICBUS_CALL* get_total)(int port, int machine) = nullptr;
  int(ICBUS_CALL* get_first)(int port, int machine) = nullptr;
  int(ICBUS_CALL* get_first_a)(int port, int machine, int card) = nullptr;
  int(ICBUS_CALL* get_next)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_k)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_r)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_bak)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_at)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_w)(int machine, char* out) = nullptr;
  int(ICBUS_CALL* get_next_a)(int machine, char* out) = nullptr;
  icbus_bool(ICBUS_CALL* real_time)(int machine, char* out) = nullptr;

  // Card writer.
  void(ICBUS_CALL* beep_ax)(int port, int mode) = nullptr;
  int(ICBUS_CALL* read_card)(int port, int sector, int block, char* out) = nullptr;
  int(ICBUS_CALL* write_card)(int port, int sector, int block, const char* number) = nullptr;
  int(ICBUS_CALL* write_card_ex)(int port, int sector, int block, const char* number,
                                 const char* password, double daily_limit) = nullptr;
  int(ICBUS_CALL* write_card_account_no)(int port, int sector, int block,
                                         const char* account) = nullptr;
  int(ICBUS_CALL* write_card_pass)(int port, int sector, int block, const char* password) = nullptr;
  int(ICBUS_CALL* read_card_pass)(int port, int sector, int block, char* out) = nullptr;
  double(ICBUS_CALL* read_balance)(int port, int sector, int block, int mode) = nullptr;
  int(ICBUS_CALL* increase)(int port, int kind, int sector, int block, double amount,
                            int mode) = nullptr;
  int(ICBUS_CALL* decrease)(int port, int cancel, int sector, int block, double amount,
                            int mode) = nullptr;
  double(ICBUS_CALL* read_card_max_consume)(int port, int sector, int block) = nullptr;
  int(ICBUS_CALL* write_card_max_consume)(int port, int sector, int block, double limit) = nullptr;
  int(ICBUS_CALL* read_card_add_count)(int port, int sector, int block) = nullptr;
  int(ICBUS_CALL* write_card_add_count)(int port, int sector, int block, int count) = nullptr;
  int(ICBUS_CALL* read_card_max_cc)(int port, int sector, int block) = nullptr;
  int(ICBUS_CALL* write_card_max_cc)(int port, int sector, int block, int limit) = nullptr;

  // Top-up machine.
  int(ICBUS_CALL* transmit_atm)(int port, int machine, int card, int mode, double amount,
                                const char* name, int card_mgmt) = nullptr;

  // Extensions, exported by name: fast replies, sessions of their own (one
  // per bus worked in parallel), the probe of a scan.
  void(ICBUS_CALL* set_fast_replies)(int on) = nullptr;
  icbus_session*(ICBUS_CALL* session_new)() = nullptr;
  void(ICBUS_CALL* session_free)(icbus_session* session) = nullptr;
  void(ICBUS_CALL* session_set_fast_replies)(icbus_session* session, int on) = nullptr;
  void(ICBUS_CALL* session_enter)(icbus_session* session) = nullptr;
  void(ICBUS_CALL* session_leave)(icbus_session* session) = nullptr;
  int(ICBUS_CALL* probe)(int machine) = nullptr;
  // Why the last call on this thread failed.
  int(ICBUS_CALL* last_error)() = nullptr;
  const char*(ICBUS_CALL* last_error_message)() = nullptr;
  int(ICBUS_CALL* end_download)() = nullptr;
  int(ICBUS_CALL* name_drawable)(const char* name) = nullptr;
  const char*(ICBUS_CALL* version)() = nullptr;
  // After a card write failed: reads its block back (1 applied, 0 not
  // applied, -1 unknown, -2 no write to check).
  int(ICBUS_CALL* check_card_write)() = nullptr;
};

// The exports of the icbus library this program is linked against.
const BusApi& LibraryApi();

}  // namespace icbus::tool
