// The menu bar, headless: binding the five functions (and the two critical boxes), building the
// bar in the window found by the start-up title, and the polling rule that runs each item's
// command on the pass where its highlight turns on.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plotter/menu_bar.h"
#include "plotter/plotter.h"
#include "tests/plotter/plotter_harness.h"
#include "winapi/modules.h"
#include "winapi/user32.h"

namespace {

const std::string edit_command = "CMD /C start notepad Orbelin020.set";
const std::string help_command = "CMD /C start OrbelinHelp.htm";

// A command interpreter of the test's own, first on PATH: it writes down every command line it
// is started with and ends at once, so a command has run by the time run_command returns.
class CommandRecorder {
 public:
  explicit CommandRecorder(const TempFolder& folder) : log_(folder.path() / "commands.log") {
    const auto bin = folder.path() / "bin";
    for (const char* name : {"CMD", "cmd"}) {
      const auto script = folder.write(std::string("bin/") + name,
                                       "#!/bin/sh\nprintf 'CMD %s\\n' \"$*\" >> '" + log_.string() + "'\n");
      chmod(script.c_str(), 0755);
    }
    const char* path = std::getenv("PATH");
    saved_path_ = path == nullptr ? "" : path;
    setenv("PATH", (bin.string() + ":" + saved_path_).c_str(), 1);
  }
  ~CommandRecorder() { setenv("PATH", saved_path_.c_str(), 1); }
  CommandRecorder(const CommandRecorder&) = delete;
  CommandRecorder& operator=(const CommandRecorder&) = delete;

  // Every command line run so far, in order; taking them empties the record.
  std::vector<std::string> take() {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    in.close();
    std::filesystem::remove(log_);
    return lines;
  }

 private:
  std::filesystem::path log_;
  std::string saved_path_;
};

std::string words(const std::vector<std::string>& lines) {
  std::string joined;
  for (const auto& line : lines) joined += (joined.empty() ? "" : " | ") + line;
  return joined;
}

class MenuBarTest : public PlotterTest {
 protected:
  void SetUp() override {
    PlotterTest::SetUp();
    reset_module_table();
  }
  void TearDown() override {
    reset_module_table();
    reset_user32();
    PlotterTest::TearDown();
  }

  // What start-up does for the bar, without the rest of the plotter: bind, title, build.
  void start_menu_bar() {
    bind_menu_functions();
    plotter_state.base_title = base_title;
    build_menu_bar();
  }
  HMENU bar() const { return reinterpret_cast<HMENU>(static_cast<intptr_t>(plotter_state.menu_bar)); }

  CommandRecorder commands{folder};
};

TEST_F(MenuBarTest, BindingFillsTheTableWithTheFiveFunctionsOfUser32) {
  bind_menu_functions();
  const MenuFunctionTable& table = plotter_state.menu_function_table;
  EXPECT_EQ(table.library, LoadLibraryA("user32.dll"));
  EXPECT_EQ(table.CreateMenu, reinterpret_cast<FARPROC>(&CreateMenu));
  EXPECT_EQ(table.SetMenu, reinterpret_cast<FARPROC>(&SetMenu));
  EXPECT_EQ(table.InsertMenuItemA, reinterpret_cast<FARPROC>(&InsertMenuItemA));
  EXPECT_EQ(table.GetMenuItemCount, reinterpret_cast<FARPROC>(&GetMenuItemCount));
  EXPECT_EQ(table.GetMenuItemInfoA, reinterpret_cast<FARPROC>(&GetMenuItemInfoA));
  EXPECT_TRUE(message_boxes.boxes().empty());
}

// A missing library gives 259, a missing function 260: an OK-only box, then exit code 0 with
// the later functions not looked up, and all of it before the window title is set.
TEST_F(MenuBarTest, AMissingLibraryOrFunctionEndsTheProcessWithItsCriticalBox) {
  const char* names[] = {"CreateMenu", "SetMenu", "InsertMenuItemA", "GetMenuItemCount", "GetMenuItemInfoA"};
  struct Case {
    int missing;  // -1: the library itself, else the index of the function taken away
    const char* text;
  };
  const Case cases[] = {{-1, "Cannot find dynamic library file"},
                        {0, "Sub/Function does not exist in dynamic library"},
                        {1, "Sub/Function does not exist in dynamic library"},
                        {2, "Sub/Function does not exist in dynamic library"},
                        {3, "Sub/Function does not exist in dynamic library"},
                        {4, "Sub/Function does not exist in dynamic library"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing < 0 ? std::string("user32.dll") : names[c.missing]);
    reset_platform();
    install_throwing_end_handler();
    clock.install();
    reset_plotter_state();
    message_boxes.clear();
    StandInModuleTable table = standard_module_table();
    if (c.missing < 0) table.clear();
    else table[0].exports.erase(table[0].exports.begin() + c.missing);
    set_module_table(table);

    EXPECT_EQ(exit_code_of([] { run_plotter(); }), 0);
    EXPECT_EQ(message_boxes.boxes(), (std::vector<ShownBox>{{"Critical Error", c.text, 0x1000}}));
    EXPECT_EQ(current_window_title(), "Untitled") << "ended before step 15";
    EXPECT_TRUE(plotter_state.base_title.empty()) << "ended before step 14";

    const MenuFunctionTable& bound = plotter_state.menu_function_table;
    const FARPROC slots[] = {bound.CreateMenu, bound.SetMenu, bound.InsertMenuItemA, bound.GetMenuItemCount,
                             bound.GetMenuItemInfoA};
    EXPECT_EQ(bound.library != nullptr, c.missing >= 0);
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(slots[i] != nullptr, i < c.missing) << names[i] << ": only those before the missing one are bound";
  }
}

TEST_F(MenuBarTest, TheBarIsBuiltWithItsTwoItemsAndAttachedToTheWindowOfTheStartUpTitle) {
  HWND other = register_window("FREEGLUT", "Some other window");
  HWND window = register_window("FREEGLUT", base_title.c_str());
  start_menu_bar();
  const PlotterState& s = plotter_state;

  EXPECT_EQ(s.menu_window, static_cast<int32_t>(reinterpret_cast<intptr_t>(window)));
  EXPECT_NE(s.menu_bar, 0);
  EXPECT_EQ(GetMenu(window), bar());
  EXPECT_EQ(GetMenu(other), nullptr);
  const auto items = menu_bar_items(window);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "Edit setup file");
  EXPECT_EQ(items[1].text, "Help");
  EXPECT_FALSE(items[0].highlighted || items[1].highlighted);
  EXPECT_EQ(s.edit_item_id, 0);
  EXPECT_EQ(s.help_item_id, 1);
  EXPECT_EQ(s.menu_item_count, 1) << "read just before the second insertion";

  // The record as steps 92 to 100 left it, which every poll is then handed.
  const MENUITEMINFOA& record = s.menu_item_record;
  EXPECT_EQ(record.cbSize, 44u);
  EXPECT_EQ(record.fMask, 0x13u);
  EXPECT_EQ(record.fType, 0u);
  EXPECT_EQ(record.fState, 0u);
  EXPECT_EQ(record.wID, 1u);
  EXPECT_EQ(record.hSubMenu, nullptr);
  EXPECT_EQ(record.hbmpChecked, nullptr);
  EXPECT_EQ(record.hbmpUnchecked, nullptr);
  EXPECT_EQ(record.dwItemData, 0u);
  EXPECT_EQ(record.dwTypeData, s.menu_text_buffer.data());
  EXPECT_EQ(record.cch, 4u);
  MENUITEMINFOA blank{};
  blank.cbSize = 44;
  EXPECT_EQ(std::memcmp(&s.blank_menu_item_record, &blank, sizeof blank), 0);
  // "Help", its NUL, then blanks to the end of the 1000 bytes.
  const std::string buffer(s.menu_text_buffer.data(), s.menu_text_buffer.size());
  EXPECT_EQ(buffer, std::string("Help\0", 5) + std::string(995, ' '));
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_TRUE(commands.take().empty());
}

// Each case gives, pass by pass, what the user does with each item before the pass's poll:
// 1 holds it down, 0 has it up, c clicks it quickly (down and up again before the poll).
TEST_F(MenuBarTest, ACommandRunsOnlyOnThePassWhereItsItemTurnsHighlighted) {
  struct Case {
    const char* edit;
    const char* help;
    const char* runs;  // "pass:item" for each command run, in order
  };
  const Case cases[] = {
      {"0000", "0000", ""},
      {"1000", "0000", "1:edit"},  // highlighted at the first poll: runs on the first pass
      {"0110", "0000", "2:edit"},  // 0 to 1 runs; 1 to 1 and 1 to 0 run nothing
      {"1111", "0000", "1:edit"},
      {"1010", "0000", "1:edit 3:edit"},
      {"0000", "0111", "2:help"},
      {"0c00", "00c0", "2:edit 3:help"},  // a quick click between two polls runs once
      // A quick click right after one that a poll has seen waits one pass: the poll between
      // must see the item dark, or the second click would never turn it on.
      {"cc00", "0000", "1:edit 3:edit"},
      {"1100", "1100", "1:edit 1:help"},  // both in one pass: the editor first
      {"1111", "0101", "1:edit 2:help 4:help"},
      {"0101", "1111", "1:help 2:edit 4:edit"},
      {"0c1c", "c01c", "1:help 2:edit 3:help 4:edit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("edit ") + c.edit + ", help " + c.help);
    reset_user32();
    reset_plotter_state();
    register_window("FREEGLUT", base_title.c_str());
    start_menu_bar();

    std::string runs;
    bool held[2] = {false, false};
    const char* levels[2] = {c.edit, c.help};
    for (int pass = 1; levels[0][pass - 1] != '\0'; ++pass) {
      for (UINT item = 0; item < 2; ++item) {
        const char level = levels[item][pass - 1];
        if (level == 'c') {
          press_menu_item(bar(), item);
          release_menu_item(bar(), item);
        } else if ((level == '1') != held[item]) {
          if (level == '1') press_menu_item(bar(), item);
          else release_menu_item(bar(), item);
        }
        held[item] = level == '1';
      }
      poll_menu_bar();
      for (const std::string& line : commands.take()) {
        const char* item = line == edit_command ? "edit" : line == help_command ? "help" : line.c_str();
        if (!runs.empty()) runs += ' ';
        runs += std::to_string(pass) + ":" + item;
      }
    }
    EXPECT_EQ(runs, c.runs);
    EXPECT_TRUE(message_boxes.boxes().empty());
  }
}

TEST_F(MenuBarTest, TheTwoCommandsAreExactlyTheEditorsAndTheHelpPages) {
  register_window("FREEGLUT", base_title.c_str());
  start_menu_bar();
  press_menu_item(bar(), 0);
  press_menu_item(bar(), 1);
  poll_menu_bar();
  EXPECT_EQ(words(commands.take()), edit_command + " | " + help_command);
}

// Everything the plotter shows and keeps, for comparing two runs.
struct RunPicture {
  std::vector<uint8_t> pixels;
  std::string title;
  std::vector<ShownBox> boxes;
  Text other_calls;
  bool operator==(const RunPicture&) const = default;
};

TEST_F(MenuBarTest, WithNoWindowOfThatTitleThereIsNoMenuAndNothingElseChanges) {
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"DL1ABC,FT8,01:00:00,-5,-20", "W1AW,FT8,02:30:00,-12,-40"});

  auto run_two_passes = [&] {
    reset_platform();
    install_throwing_end_handler();
    clock.install();
    clock.set_now(0);
    message_boxes.clear();
    const RunEnd end = run_passes(2);
    EXPECT_FALSE(end.process_ended);
    const auto& pixels = screen_state().pixels;
    return RunPicture{{pixels.begin(), pixels.end()}, current_window_title(), message_boxes.boxes(),
                      plotter_state.other_calls};
  };

  HWND window = register_window("FREEGLUT", base_title.c_str());
  const RunPicture with_window = run_two_passes();
  EXPECT_NE(GetMenu(window), nullptr);
  EXPECT_NE(with_window.other_calls.find("W1AW"), std::string::npos) << "the run plotted the log";
  const PlotterState with_window_state = plotter_state;

  // The window bears another title at step 73, and a window that appears later is not looked for.
  reset_user32();
  HWND elsewhere = register_window("FREEGLUT", "Untitled");
  before_pass(2, [] { register_window("FREEGLUT", base_title.c_str()); });
  const RunPicture without_window = run_two_passes();
  EXPECT_EQ(plotter_state.menu_window, 0);
  EXPECT_EQ(GetMenu(elsewhere), nullptr);
  EXPECT_TRUE(menu_bar_items(FindWindowA(nullptr, base_title.c_str())).empty());

  EXPECT_TRUE(without_window == with_window) << "the picture, title or boxes differ";
  // The bar was still built, and is polled as usual.
  EXPECT_EQ(GetMenuItemCount(bar()), 2);
  EXPECT_EQ(plotter_state.edit_item_id, with_window_state.edit_item_id);
  EXPECT_EQ(plotter_state.help_item_id, with_window_state.help_item_id);
  EXPECT_EQ(plotter_state.menu_item_record.cch, with_window_state.menu_item_record.cch);
  press_menu_item(bar(), 1);
  poll_menu_bar();
  EXPECT_EQ(words(commands.take()), help_command);
}

// A failed CreateMenu is not noticed: every later call fails quietly and no command ever runs.
HMENU no_menu() { return nullptr; }

TEST_F(MenuBarTest, AFailedCreateMenuGoesUnnoticed) {
  StandInModuleTable table = standard_module_table();
  table[0].exports[0].entry = reinterpret_cast<FARPROC>(&no_menu);
  set_module_table(table);
  HWND window = register_window("FREEGLUT", base_title.c_str());
  start_menu_bar();
  EXPECT_EQ(plotter_state.menu_bar, 0);
  EXPECT_EQ(plotter_state.edit_item_id, -1) << "the count of no menu is -1";
  EXPECT_EQ(GetMenu(window), nullptr);
  for (int pass = 0; pass < 3; ++pass) poll_menu_bar();
  EXPECT_EQ(plotter_state.edit_item.menu_highlight_state, 0);
  EXPECT_TRUE(commands.take().empty());
  EXPECT_TRUE(message_boxes.boxes().empty());
}

}  // namespace
