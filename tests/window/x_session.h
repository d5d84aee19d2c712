// What the window tests need around the program under test: a display of their own (Xvfb), the
// program as a child process talking line by line, the X tools (xdotool, xwd), captures, and a
// few Xlib requests. Every wait is for an event (a line, an exit, a tool's answer) with a
// generous bound, so a fault fails the test instead of hanging it.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Bound = std::chrono::milliseconds;

// Looks until `holds` does, a few milliseconds apart; false at the bound.
template <class Holds>
bool wait_until(Holds holds, Bound bound = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!holds()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(5ms);  // looking again, not timing anything
  }
  return true;
}

// An Xvfb display on a free number, ready when constructed (depth 24 unless told otherwise).
class Xvfb {
 public:
  explicit Xvfb(std::vector<std::string> extra_args = {});
  ~Xvfb();
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  bool ready() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"
  pid_t pid() const { return pid_; }
 private:
  pid_t pid_ = -1;
  std::string name_;
};

// A child process with its standard output and error read by the test.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::map<std::string, std::optional<std::string>>& env);
  ~Child();  // one that is still running is killed and waited for
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool started() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // Reads lines until one equals `line`; false at the bound or at the end of the output.
  bool wait_for_line(const std::string& line, Bound bound = 20s);
  // The next line of output, if one comes within the bound.
  std::optional<std::string> next_line(Bound bound = 20s);
  // The exit code once the process has ended (-1 for a signal), nothing at the bound.
  std::optional<int> wait_for_exit(Bound bound = 20s);
  const std::vector<std::string>& lines() const { return seen_; }
  std::string error_output();  // everything on standard error so far (after the exit: all of it)
 private:
  bool fill(Bound bound);
  pid_t pid_ = -1;
  int pidfd_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string pending_;
  std::string errors_;
  std::vector<std::string> seen_;
  std::optional<int> exit_code_;
};

// Runs an X tool on the display, in the C locale, and gives its output, or nothing when it
// failed or overran.
std::optional<std::string> run_tool(const std::string& display, const std::vector<std::string>& argv, Bound bound = 20s);

// The first visible window whose name matches the regular expression, waiting for it.
std::optional<unsigned long> find_window(const std::string& display, const std::string& name_regex, Bound bound = 20s);
bool window_exists(const std::string& display, const std::string& name_regex);
std::string window_name(const std::string& display, unsigned long window);
bool send_keys(const std::string& display, unsigned long window, const std::vector<std::string>& keys);
// Waits until the window is no longer shown (unmapped or destroyed); false at the bound.
bool window_gone(const std::string& display, unsigned long window, Bound bound = 20s);

// A window manager has taken the screen: its check window is named on the root window.
bool window_manager_running(const std::string& display);
// Whether `upper` is stacked above `lower`: in the window manager's stacking list when one runs
// (_NET_CLIENT_LIST_STACKING), else in the order of the root window's children.
bool stacked_above(const std::string& display, unsigned long upper, unsigned long lower);
unsigned long focused_window(const std::string& display);
unsigned long root_window(const std::string& display);
// How wide a text is in the X server's built-in "fixed" font.
int fixed_font_text_width(const std::string& display, const std::string& text);

// Presses a key in a window again until `done` tells that it has had its effect (waiting a little
// each time): a box may take keys only a moment after it shows, and the end prompt drops the keys
// typed before it waits for one, whatever the window shows by then.
template <typename Done>
bool press_until(const std::string& display, unsigned long window, const char* key, Done done) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    send_keys(display, window, {key});  // fails once the window has gone, which is the point
    if (done()) return true;
  }
  return false;
}
// A key at the end prompt until the process ends; its exit code (none if it did not end).
std::optional<int> end_at_prompt(const std::string& display, unsigned long window, Child& child);

// The pointer, as a user moves it, in the window's own coordinates; the left button is 1.
bool move_pointer(const std::string& display, unsigned long window, int x, int y);
bool click(const std::string& display, unsigned long window, int x, int y, int button = 1);
bool press_button(const std::string& display, unsigned long window, int x, int y, int button = 1);
bool release_button(const std::string& display, int button = 1);

struct WindowSize {
  int width = 0;
  int height = 0;
};
WindowSize window_size(const std::string& display, unsigned long window);
// A window's outer rectangle (its border included) in the coordinates of another window.
struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};
std::optional<Rect> window_rect_within(const std::string& display, unsigned long window, unsigned long within);
// Whether the box's centre is within `slack` pixels of the window's centre, on the screen; a box
// follows its owner to a new centre when the owner takes its size late.
bool centred_over(const std::string& display, unsigned long box, unsigned long window, int slack);
// The window's size once `reached` holds for it, or the last size seen at the bound.
template <class Reached>
WindowSize window_size_once(const std::string& display, unsigned long window, Reached reached, Bound bound = 20s) {
  WindowSize size;
  wait_until([&] { return reached(size = window_size(display, window)); }, bound);
  return size;
}
// Whether the window comes to have that size within the bound.
bool size_becomes(const std::string& display, unsigned long window, int width, int height, Bound bound = 20s);

// Where the window's top-left pixel stands on the screen.
struct ScreenPoint {
  int x = 0;
  int y = 0;
};
ScreenPoint window_position(const std::string& display, unsigned long window);

// A property of a window: the name of its type and its bytes (8-bit properties); nothing when
// the window has none.
struct WindowProperty {
  std::string type;
  std::string bytes;
  bool operator==(const WindowProperty&) const = default;
};
std::optional<WindowProperty> window_property(const std::string& display, unsigned long window,
                                              const std::string& name);

// The window's close button, as a window manager presses it: WM_PROTOCOLS / WM_DELETE_WINDOW.
bool press_close_button(const std::string& display, unsigned long window);

// A picture, 0x00RRGGBB row by row.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// In an expected picture: a pixel that may show anything, such as one under another window.
constexpr uint32_t any_colour = 0xFF000000u;
// The expected picture with the part that `hidden` covers (in the picture's coordinates) made any colour.
Picture with_hidden(Picture picture, const Rect& hidden);
// Rows first .. first + count - 1 of a picture.
Picture rows_of(const Picture& picture, int first, int count);
// The window's contents through `xwd -id`, read from the XWD file it writes.
std::optional<Picture> capture_window(const std::string& display, unsigned long window);

// Writes a picture (a capture, say) as PNG for a person to look at.
bool write_picture_png(const Picture& picture, const std::string& path);
// The same into the test output folder, named after the running test and the label, when the
// test has failed so far: a passing test leaves no pictures.
bool keep_picture(const Picture& picture, const std::string& label);

// The current headless screen image through its palette, as the window must show it.
Picture expected_picture();

// Compares a region of a capture with the expected picture; on a difference names the first
// pixels and writes both pictures and their difference as PNG.
struct Comparison {
  bool same = false;
  std::string report;
};
// The expected picture is looked for at (at_x, at_y) of the capture.
Comparison compare_pictures(const Picture& actual, const Picture& expected, const std::string& label, int at_x = 0,
                            int at_y = 0);

// Captures until the window shows the expected picture or the bound passes (the frame reaches the
// window within a presentation pass or two); the result of the last comparison.
Comparison window_shows(const std::string& display, unsigned long window, const Picture& expected,
                        const std::string& label, int at_x = 0, int at_y = 0, Bound bound = 10s);

std::string test_output_folder();
// The running test's name as a file name ("Suite.Test", a slash as '_').
std::string current_test_name();
