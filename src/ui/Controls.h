#pragma once
// The value types that stand for a window's controls in the window models.
// Views mirror them; logic reads and writes them directly.

#include <string>
#include <vector>

namespace sheetwise::ui {

struct TextBox {
  std::string text;
  bool enabled = true;
  bool locked = false;
};

struct ListBox {
  std::vector<std::string> items;
  int selection = -1;  // -1: nothing selected
  bool enabled = true;
};

struct ComboBox {
  std::vector<std::string> items;
  std::string text;
  bool enabled = true;
};

struct CheckBox {
  int value = 0;  // 0 unchecked, 1 checked
  bool enabled = true;
};

struct Timer {
  bool enabled = false;
  int interval = 1000;  // milliseconds
};

// Frames, labels and command buttons.
struct Captioned {
  std::string caption;
  bool enabled = true;
};

struct Shape {
  float width = 0;  // twips
};

struct ScrollBar {
  int value = 0;
  int minimum = 0;
  int maximum = 0;
  int smallChange = 1;
  int largeChange = 1;
  bool enabled = true;
};

}  // namespace sheetwise::ui
