// The console form as data: every page and control with its class, name,
// caption, default text, maximum length, key filter, edit mask, visibility
// and position. The Win32 view builds the window from this table; tests
// read it without a window.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace icbus::demo {

enum class Kind {
  kPage,         // a page of PageControl1; caption = tab text
  kButton,       // push button (SpeedButton, Button, BitBtn)
  kLabel,        // static text
  kEdit,         // single-line edit; text = default text
  kMaskEdit,     // edit that enforces `mask`
  kLabeledEdit,  // edit with its label above it; caption = label
  kComboBox,     // drop-down list; items = choices
  kRadioGroup,   // framed radio buttons; items = choices, caption = frame text
  kListBox,
  kProgressBar,
  kPanel,     // framed text box (Panel1: lime digits on black)
  kMenu,      // a popup menu (never shown on a page)
  kMenuItem,  // an item of a menu; parent = menu or submenu item
  kMenuSeparator,
};

// The OnKeyPress handlers: what a typed character must be to be accepted.
enum class KeyFilter {
  kNone,
  kDigits,       // Edit19KeyPress: 0-9 and backspace
  kDigitsOrK,    // Edit8KeyPress: 0-9, backspace and capital K
  kHexCapitals,  // Edit7KeyPress: 0-9, A-F and backspace
};

enum Style : unsigned {
  kPlain = 0,
  kPassword = 1u << 0,     // shows '*' for every character
  kRed = 1u << 1,          // red text (status lines)
  kBlue = 1u << 2,         // blue text (counters)
  kLimeOnBlack = 1u << 3,  // Panel1
  kWordWrap = 1u << 4,
  kLargeFont = 1u << 5,
  kTabHidden = 1u << 6,  // a page without a tab: it cannot be reached
  kActing = 1u << 7,     // runs a library operation when clicked
};

struct Control {
  Control(Kind k, std::string n, std::string p = "", std::string c = "")
      : kind(k), name(std::move(n)), parent(std::move(p)), caption(std::move(c)) {}

  Kind kind;
  std::string name;
  std::string parent;   // page, menu or submenu item; "" for pages and menus
  std::string caption;  // caption, label or tab text
  std::string text;     // default text of an edit, combo box or panel
  int max_length = 0;   // 0: no limit
  KeyFilter filter = KeyFilter::kNone;
  std::string mask;  // "MASK;SAVE;BLANK" of a masked edit
  bool visible = true;
  int x = 0, y = 0, width = 0, height = 0;  // within the page's display area
  unsigned style = kPlain;
  std::vector<std::string> items;
  int selected = -1;  // item selected at start (combo box, radio group)
};

// Every control in creation order: the pages in tab order first, then each
// page's controls, then the popup menu.
const std::vector<Control>& FormControls();
// The control of that name, or nullptr.
const Control* FindControl(const std::string& name);

// The form window: title and client size.
constexpr char kFormTitle[] = "icbus V4.31";
constexpr int kClientWidth = 425;
constexpr int kClientHeight = 446;
constexpr int kTabHeight = 25;

// True when a typed character (a Unicode code point; 8 is backspace) passes
// the filter. Only typed characters are filtered: pasting is not.
bool KeyAccepted(KeyFilter filter, char32_t ch);

}  // namespace icbus::demo
