// Short constructors for the rows of the form table, shared by the files
// that describe the pages.
#pragma once
#include <string>
#include <vector>

#include "demo/form.h"

namespace icbus::demo::form {

struct Box {
  int x, y, width, height;
};

class PageBuilder {
 public:
  PageBuilder(std::vector<Control>* controls, std::string page)
      : controls_(controls), page_(std::move(page)) {}

  // A button that runs a library operation when clicked.
  Control& Button(const std::string& name, const std::string& caption, Box box);
  // A button whose click does nothing.
  Control& InertButton(const std::string& name, const std::string& caption, Box box);
  Control& Label(const std::string& name, const std::string& caption, Box box,
                 unsigned style = kPlain);
  Control& Edit(const std::string& name, const std::string& text, int max_length, KeyFilter filter,
                Box box, unsigned style = kPlain);
  Control& MaskEdit(const std::string& name, const std::string& mask, const std::string& text,
                    Box box);
  Control& LabeledEdit(const std::string& name, const std::string& label, const std::string& text,
                       int max_length, Box box);
  Control& Combo(const std::string& name, std::vector<std::string> items, int selected, Box box);
  Control& Add(Control control, Box box);

 private:
  std::vector<Control>* controls_;
  std::string page_;
};

void AddTerminalPages(std::vector<Control>* controls);  // TabSheet1, TabSheet5, TabSheet6
void AddSettingsPages(std::vector<Control>* controls);  // TabSheet2, TabSheet3
void AddTopUpPage(std::vector<Control>* controls);      // TabSheet7
void AddCardPages(std::vector<Control>* controls);      // TabSheet4, TabSheet8

}  // namespace icbus::demo::form
