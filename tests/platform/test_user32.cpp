// The user32 and module stand-ins: menus as the menu bar builds and polls them, the click
// protocol behind MFS_HILITE, window lookup by title, and the module table.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "winapi/modules.h"
#include "winapi/user32.h"

namespace {

constexpr UINT text_item_fields = MIIM_STATE | MIIM_ID | MIIM_TYPE;

class User32Test : public ::testing::Test {
 protected:
  void SetUp() override { reset_user32(); }
  void TearDown() override { reset_user32(); }

  // Inserts a string item at the end, as the plotter does: cbSize 44, cch 4 whatever the text.
  void append(HMENU menu, const char* text, UINT id) {
    std::array<char, 64> buffer{};
    std::strcpy(buffer.data(), text);
    MENUITEMINFOA record{};
    record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
    record.fMask = text_item_fields;
    record.wID = id;
    record.dwTypeData = buffer.data();
    record.cch = 4;
    ASSERT_TRUE(InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &record));
  }

  // The item's text read back with a buffer large enough for any of ours.
  static std::string text_of(HMENU menu, UINT position) {
    std::array<char, 256> buffer{};
    MENUITEMINFOA record{};
    record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
    record.fMask = MIIM_TYPE;
    record.dwTypeData = buffer.data();
    record.cch = static_cast<UINT>(buffer.size());
    if (!GetMenuItemInfoA(menu, position, TRUE, &record)) return "<failed>";
    return std::string(buffer.data(), record.cch);
  }

  // The highlight bit as a poll sees it: '1' or '0'.
  static char poll(HMENU menu, UINT position) {
    MENUITEMINFOA record{};
    record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
    record.fMask = MIIM_STATE;
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &record));
    return (record.fState & MFS_HILITE) != 0 ? '1' : '0';
  }
};

TEST_F(User32Test, HandlesAreSmallDistinctIntegersThatFitA32BitValue) {
  HMENU first = CreateMenu();
  HMENU second = CreateMenu();
  HWND window = register_window("FREEGLUT", "Orbelin");
  for (HANDLE handle : {static_cast<HANDLE>(first), static_cast<HANDLE>(second), static_cast<HANDLE>(window)}) {
    const auto value = reinterpret_cast<uintptr_t>(handle);
    EXPECT_NE(value, 0u);
    EXPECT_LT(value, uintptr_t{1} << 31);
  }
  EXPECT_NE(first, second);
  // A window handle is no menu and a menu handle no window.
  EXPECT_EQ(GetMenuItemCount(reinterpret_cast<HMENU>(window)), -1);
  EXPECT_FALSE(SetMenu(reinterpret_cast<HWND>(first), second));
}

TEST_F(User32Test, ItemsGoInByPositionWithTheirWholeTextWhateverCchSays) {
  HMENU menu = CreateMenu();
  EXPECT_EQ(GetMenuItemCount(menu), 0);
  append(menu, "Edit setup file", 0);
  append(menu, "Help", 1);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(text_of(menu, 0), "Edit setup file");
  EXPECT_EQ(text_of(menu, 1), "Help");

  // Position 0 goes in front; a position beyond the end appends.
  std::array<char, 8> text{"First"};
  MENUITEMINFOA record{};
  record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
  record.fMask = MIIM_TYPE | MIIM_ID;
  record.wID = 7;
  record.dwTypeData = text.data();
  ASSERT_TRUE(InsertMenuItemA(menu, 0, TRUE, &record));
  std::strcpy(text.data(), "Last");
  ASSERT_TRUE(InsertMenuItemA(menu, 99, TRUE, &record));
  EXPECT_EQ(GetMenuItemCount(menu), 4);
  EXPECT_EQ(text_of(menu, 0), "First");
  EXPECT_EQ(text_of(menu, 1), "Edit setup file");
  EXPECT_EQ(text_of(menu, 3), "Last");
  // The text was copied: changing the caller's buffer afterwards changes no item.
  std::strcpy(text.data(), "Other");
  EXPECT_EQ(text_of(menu, 0), "First");

  // By command: in front of the item with that id; an unknown id inserts nothing.
  std::strcpy(text.data(), "ById");
  ASSERT_TRUE(InsertMenuItemA(menu, 1, FALSE, &record));  // id 1 is "Help", at position 2
  EXPECT_EQ(text_of(menu, 2), "ById");
  EXPECT_EQ(text_of(menu, 3), "Help");
  EXPECT_FALSE(InsertMenuItemA(menu, 42, FALSE, &record));
  EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
  EXPECT_EQ(GetMenuItemCount(menu), 5);
}

TEST_F(User32Test, ReadingAnItemGivesItsStateAndIdAndNeverWritesMoreTextThanCchAllows) {
  HMENU menu = CreateMenu();
  append(menu, "Edit setup file", 0);
  append(menu, "Help", 1);

  struct Case {
    UINT position;
    UINT cch;
    std::string written;  // what lands in the buffer, NUL included
    UINT cch_after;
  };
  const Case cases[] = {
      {0, 4, std::string("Edi\0", 4), 3},   // the plotter's first poll
      {1, 3, std::string("He\0", 3), 2},    // and its second, with cch as the first left it
      {0, 1, std::string("\0", 1), 0},
      {0, 0, "", 15},                       // no room: nothing written, cch gets the length
      {0, 15, std::string("Edit setup fil\0", 15), 14},
      {0, 16, std::string("Edit setup file\0", 16), 15},
      {0, 1000, std::string("Edit setup file\0", 16), 15},
      {1, 5, std::string("Help\0", 5), 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("position " + std::to_string(c.position) + ", cch " + std::to_string(c.cch));
    std::array<char, 1000> buffer;
    buffer.fill('#');
    MENUITEMINFOA record{};
    record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
    record.fMask = text_item_fields;
    record.wID = 99;
    record.dwTypeData = buffer.data();
    record.cch = c.cch;
    ASSERT_TRUE(GetMenuItemInfoA(menu, c.position, TRUE, &record));
    EXPECT_EQ(std::string(buffer.data(), c.written.size()), c.written);
    EXPECT_EQ(buffer[c.written.size()], '#') << "wrote past what cch allows";
    EXPECT_EQ(record.cch, c.cch_after);
    EXPECT_EQ(record.wID, c.position);
    EXPECT_EQ(record.fType, MFT_STRING);
    EXPECT_EQ(record.fState, MFS_ENABLED);
    EXPECT_EQ(record.dwTypeData, buffer.data());
  }

  // No buffer at all: only the length comes back.
  MENUITEMINFOA record{};
  record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
  record.fMask = MIIM_TYPE;
  record.cch = 50;
  ASSERT_TRUE(GetMenuItemInfoA(menu, 1, TRUE, &record));
  EXPECT_EQ(record.cch, 4u);
}

TEST_F(User32Test, ARecordOf44BytesEndsBeforeHbmpItemAndOtherSizesAreRefused) {
  HMENU menu = CreateMenu();
  append(menu, "Help", 1);
  HBITMAP const sentinel = reinterpret_cast<HBITMAP>(uintptr_t{0x5EED});

  auto read_with = [&](UINT cb_size, MENUITEMINFOA& record) {
    record = MENUITEMINFOA{};
    record.cbSize = cb_size;
    record.fMask = MIIM_STATE | MIIM_ID | MIIM_BITMAP;
    record.wID = 77;
    record.hbmpItem = sentinel;
    return GetMenuItemInfoA(menu, 0, TRUE, &record);
  };
  MENUITEMINFOA record{};
  ASSERT_TRUE(read_with(MENUITEMINFOA_SIZE_BEFORE_BITMAP, record));
  EXPECT_EQ(record.wID, 1u);
  EXPECT_EQ(record.hbmpItem, sentinel) << "cbSize 44 must leave hbmpItem alone";

  ASSERT_TRUE(read_with(sizeof(MENUITEMINFOA), record));
  EXPECT_EQ(record.hbmpItem, nullptr);  // the full record includes it

  for (UINT cb_size : {0u, 40u, 48u, 100u}) {
    SCOPED_TRACE(cb_size);
    EXPECT_FALSE(read_with(cb_size, record));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(record.wID, 77u);
    EXPECT_EQ(record.hbmpItem, sentinel);
  }

  // Inserting from a 44-byte record reads nothing past cch: an object that ends there will do.
  struct Short {
    alignas(MENUITEMINFOA) std::array<unsigned char, MENUITEMINFOA_NATURAL_SIZE_BEFORE_BITMAP> bytes;
  } short_record{};
  MENUITEMINFOA head{};
  std::array<char, 8> text{"Short"};
  head.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
  head.fMask = MIIM_TYPE;
  head.dwTypeData = text.data();
  std::memcpy(short_record.bytes.data(), &head, short_record.bytes.size());
  // Under AddressSanitizer a read past the 72 bytes of the short object would be reported.
  auto* heap = new Short(short_record);
  EXPECT_TRUE(InsertMenuItemA(menu, 5, TRUE, reinterpret_cast<const MENUITEMINFOA*>(heap->bytes.data())));
  delete heap;
  EXPECT_EQ(text_of(menu, 1), "Short");
}

TEST_F(User32Test, BadHandlesAndPositionsFailWithoutTouchingTheRecord) {
  HMENU menu = CreateMenu();
  append(menu, "Help", 1);
  MENUITEMINFOA record{};
  record.cbSize = MENUITEMINFOA_SIZE_BEFORE_BITMAP;
  record.fMask = MIIM_STATE;
  record.fState = 0x1234;
  EXPECT_FALSE(GetMenuItemInfoA(menu, 1, TRUE, &record));
  EXPECT_EQ(GetLastError(), ERROR_MENU_ITEM_NOT_FOUND);
  EXPECT_FALSE(GetMenuItemInfoA(nullptr, 0, TRUE, &record));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
  EXPECT_FALSE(GetMenuItemInfoA(menu, 0, TRUE, nullptr));
  EXPECT_EQ(record.fState, 0x1234u);
  EXPECT_EQ(GetMenuItemCount(nullptr), -1);
  EXPECT_FALSE(InsertMenuItemA(nullptr, 0, TRUE, &record));
  EXPECT_FALSE(InsertMenuItemA(menu, 0, TRUE, nullptr));
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  // By id rather than position.
  EXPECT_TRUE(GetMenuItemInfoA(menu, 1, FALSE, &record));
  EXPECT_EQ(record.fState, MFS_ENABLED);
}

// Each sequence: P press, R release, Q a poll of the item; the expectation lists what the polls
// saw, 1 for MFS_HILITE.
TEST_F(User32Test, HighlightRunsFromThePressUntilTheReleaseAndUntilAPollHasSeenIt) {
  struct Case {
    const char* events;
    const char* seen;
    const char* why;
  };
  const Case cases[] = {
      {"QQQ", "000", "nothing pressed: hovering has no call and highlights nothing"},
      {"PQRQ", "10", "a click spanning one poll"},
      {"PQQQRQQ", "11100", "a long press is seen on every poll until the release"},
      {"PRQQ", "10", "a quick click between two polls is still seen, once"},
      {"PRQPRQQQ", "1010", "a second quick click right after a seen one: one poll sees the gap"},
      {"PRPRQQQQ", "1010", "two quick clicks between the same two polls: each is seen"},
      {"PQRPQQRQ", "1010", "pressed again before the poll after the release: gap, then seen"},
      {"PQQRPQQQ", "11011", "a new press while still seen as held: gap, then held"},
      {"RQ", "0", "a release without a press"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.events) + ": " + c.why);
    reset_user32();
    HMENU menu = CreateMenu();
    append(menu, "Edit setup file", 0);
    append(menu, "Help", 1);
    std::string seen;
    for (const char* event = c.events; *event != '\0'; ++event) {
      if (*event == 'P') press_menu_item(menu, 0);
      if (*event == 'R') release_menu_item(menu, 0);
      if (*event == 'Q') {
        seen += poll(menu, 0);
        EXPECT_EQ(poll(menu, 1), '0') << "the other item stays dark";
      }
    }
    EXPECT_EQ(seen, c.seen);
  }
}

TEST_F(User32Test, APollerActingOnTheTurnToHighlightedSeesEveryPressExactlyOnce) {
  // Presses, releases and polls in a fixed random order; then polls until all is quiet.
  std::mt19937 random(20180318);
  for (int round = 0; round < 50; ++round) {
    reset_user32();
    HMENU menu = CreateMenu();
    append(menu, "Help", 1);
    int presses = 0;
    int turns_on = 0;
    char previous = '0';
    auto poll_once = [&] {
      const char now = poll(menu, 0);
      if (previous == '0' && now == '1') ++turns_on;
      previous = now;
    };
    bool held = false;
    for (int event = 0; event < 200; ++event) {
      const auto kind = random() % 3;
      if (kind == 0 && !held) {
        press_menu_item(menu, 0);
        held = true;
        ++presses;
      } else if (kind == 1 && held) {
        release_menu_item(menu, 0);
        held = false;
      } else {
        poll_once();
      }
    }
    release_menu_item(menu, 0);
    for (int i = 0; i < 2 * presses + 2; ++i) poll_once();
    EXPECT_EQ(turns_on, presses) << "round " << round;
    EXPECT_EQ(previous, '0');
  }
}

TEST_F(User32Test, PressesFromTheWindowThreadWhilePollsRunAreEachSeenOnce) {
  HMENU menu = CreateMenu();
  append(menu, "Edit setup file", 0);
  constexpr int clicks = 2000;
  std::thread window_thread([menu] {
    for (int i = 0; i < clicks; ++i) {
      press_menu_item(menu, 0);
      release_menu_item(menu, 0);
    }
  });
  int turns_on = 0;
  char previous = '0';
  auto poll_once = [&] {
    const char now = poll(menu, 0);
    if (previous == '0' && now == '1') ++turns_on;
    previous = now;
  };
  for (int i = 0; i < clicks; ++i) poll_once();
  window_thread.join();
  for (int i = 0; i < 2 * clicks + 2; ++i) poll_once();
  EXPECT_EQ(turns_on, clicks);
}

TEST_F(User32Test, TheDrawnBarShowsAnItemLitFromThePressUntilItHasBeenReported) {
  HWND window = register_window("FREEGLUT", "Orbelin");
  HMENU menu = CreateMenu();
  append(menu, "Edit setup file", 0);
  append(menu, "Help", 1);
  EXPECT_TRUE(menu_bar_items(window).empty()) << "no menu attached yet";
  const uint64_t before = user32_generation();
  ASSERT_TRUE(SetMenu(window, menu));
  EXPECT_GT(user32_generation(), before);
  EXPECT_EQ(GetMenu(window), menu);

  auto lit = [&] {
    std::string shown;
    for (const MenuBarItem& item : menu_bar_items(window)) shown += item.highlighted ? '1' : '0';
    return shown;
  };
  const auto items = menu_bar_items(window);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].text, "Edit setup file");
  EXPECT_EQ(items[1].text, "Help");
  EXPECT_EQ(lit(), "00");

  press_menu_item(menu, 1);
  EXPECT_EQ(lit(), "01");
  release_menu_item(menu, 1);
  EXPECT_EQ(lit(), "01") << "released but not yet reported";
  EXPECT_EQ(poll(menu, 1), '1');
  EXPECT_EQ(lit(), "00");

  press_menu_item(menu, 0);
  EXPECT_EQ(poll(menu, 0), '1');
  EXPECT_EQ(lit(), "10") << "still held after the report";
  release_menu_item(menu, 0);
  EXPECT_EQ(lit(), "00");

  // Pressing a position that does not exist, or a menu that does not, does nothing.
  press_menu_item(menu, 2);
  press_menu_item(nullptr, 0);
  EXPECT_EQ(lit(), "00");

  ASSERT_TRUE(SetMenu(window, nullptr));
  EXPECT_TRUE(menu_bar_items(window).empty());
}

TEST_F(User32Test, FindWindowFindsARegisteredWindowByItsCurrentTitle) {
  const char* title = "Q0ZVNL Orbelin V0.20 18/03/18";
  EXPECT_EQ(FindWindowA(nullptr, title), nullptr) << "no window yet";

  HWND window = register_window("FREEGLUT", "Untitled");
  EXPECT_EQ(FindWindowA(nullptr, title), nullptr);
  EXPECT_EQ(FindWindowA(nullptr, "Untitled"), window);
  ASSERT_TRUE(SetWindowTextA(window, title));
  EXPECT_EQ(FindWindowA(nullptr, title), window);
  EXPECT_EQ(FindWindowA(nullptr, "q0zvnl orbelin v0.20 18/03/18"), window) << "case is ignored, as on Windows";
  EXPECT_EQ(FindWindowA(nullptr, "Untitled"), nullptr) << "only the current title counts";
  EXPECT_EQ(FindWindowA(nullptr, "Q0ZVNL Orbelin V0.20 18/03/1"), nullptr) << "the whole title, not a prefix";
  EXPECT_EQ(FindWindowA("FREEGLUT", title), window);
  EXPECT_EQ(FindWindowA("Button", title), nullptr);

  // The title that the legend sets later no longer matches the start-up title.
  ASSERT_TRUE(SetWindowTextA(window, "Q0ZVNL Orbelin V0.20 18/03/18    spots.csv"));
  EXPECT_EQ(FindWindowA(nullptr, title), nullptr);

  unregister_window(window);
  EXPECT_EQ(FindWindowA(nullptr, nullptr), nullptr);
  EXPECT_FALSE(SetWindowTextA(window, title));
  EXPECT_FALSE(SetMenu(window, CreateMenu()));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(SetMenu(nullptr, CreateMenu())) << "the window 0 is no window";
}

class ModulesTest : public ::testing::Test {
 protected:
  void TearDown() override { reset_module_table(); }
};

TEST_F(ModulesTest, User32ExportsTheFiveMenuFunctionsByName) {
  for (const char* name : {"user32.dll", "USER32.DLL", "User32.Dll", "user32"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(LoadLibraryA(name), nullptr);
  }
  HMODULE user32 = LoadLibraryA("user32.dll");
  EXPECT_EQ(GetProcAddress(user32, "CreateMenu"), reinterpret_cast<FARPROC>(&CreateMenu));
  EXPECT_EQ(GetProcAddress(user32, "SetMenu"), reinterpret_cast<FARPROC>(&SetMenu));
  EXPECT_EQ(GetProcAddress(user32, "InsertMenuItemA"), reinterpret_cast<FARPROC>(&InsertMenuItemA));
  EXPECT_EQ(GetProcAddress(user32, "GetMenuItemCount"), reinterpret_cast<FARPROC>(&GetMenuItemCount));
  EXPECT_EQ(GetProcAddress(user32, "GetMenuItemInfoA"), reinterpret_cast<FARPROC>(&GetMenuItemInfoA));

  for (const char* missing : {"createmenu", "CreateMenuA", "", "FindWindowA"}) {
    SCOPED_TRACE(missing);
    EXPECT_EQ(GetProcAddress(user32, missing), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
  }
  EXPECT_EQ(GetProcAddress(user32, reinterpret_cast<LPCSTR>(uintptr_t{1})), nullptr) << "no ordinals";
  EXPECT_EQ(GetProcAddress(nullptr, "CreateMenu"), nullptr);

  for (const char* name : {"kernel32.dll", "user32.dl", "user32.dll ", "", "C:\\user32.dll"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(LoadLibraryA(name), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
  }
  EXPECT_EQ(LoadLibraryA(nullptr), nullptr);
}

TEST_F(ModulesTest, ATestCanTakeTheLibraryOrOneFunctionAway) {
  set_module_table({});
  EXPECT_EQ(LoadLibraryA("user32.dll"), nullptr);

  StandInModuleTable table = standard_module_table();
  table[0].exports.erase(table[0].exports.begin() + 2);  // InsertMenuItemA
  set_module_table(table);
  HMODULE user32 = LoadLibraryA("user32.dll");
  ASSERT_NE(user32, nullptr);
  EXPECT_NE(GetProcAddress(user32, "SetMenu"), nullptr);
  EXPECT_EQ(GetProcAddress(user32, "InsertMenuItemA"), nullptr);

  reset_module_table();
  EXPECT_NE(GetProcAddress(LoadLibraryA("user32.dll"), "InsertMenuItemA"), nullptr);
}

}  // namespace
