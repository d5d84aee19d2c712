#include "x_session.h"

// gtest first: Xlib defines None and Bool as macros.
#include "tests/support/screen_png.h"

#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/screen.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;

int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

int open_pidfd(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

// Reads what is there without blocking; false once the other end has closed.
bool drain(int fd, std::string& into) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
}

std::vector<std::string> environment_with(const std::map<std::string, std::optional<std::string>>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    if (!changes.count(key)) env.push_back(entry);
  }
  for (const auto& [key, value] : changes) {
    if (value) env.push_back(key + "=" + *value);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> result;
  for (auto& s : strings) result.push_back(s.data());
  result.push_back(nullptr);
  return result;
}

int ignore_x_errors(Display*, XErrorEvent*) { return 0; }  // a window that has gone is an answer too

Display* open_display(const std::string& name) {
  static const bool handler_set = (XSetErrorHandler(ignore_x_errors), true);
  (void)handler_set;
  return XOpenDisplay(name.c_str());
}

uint32_t read_be32(const std::string& data, size_t offset) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + offset);
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

int shift_of(uint32_t mask) {
  int shift = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

}  // namespace

std::string current_test_name() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "window";
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  return name;
}

std::string test_output_folder() {
  const std::string folder = std::string(ORBELIN_TEST_OUTPUT) + "/window";
  std::filesystem::create_directories(folder);
  return folder;
}

Xvfb::Xvfb(std::vector<std::string> extra_args) {
  int ready_pipe[2];
  if (pipe2(ready_pipe, O_CLOEXEC) != 0) return;
  std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"};
  args.insert(args.end(), extra_args.begin(), extra_args.end());
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ready_pipe[1], 3);
  const std::string log = test_output_folder() + "/xvfb.log";
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  auto argv = pointers(args);
  const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(ready_pipe[1]);
  if (spawned != 0) {
    pid_ = -1;
    ::close(ready_pipe[0]);
    return;
  }
  // Xvfb writes the display number it chose once it accepts clients.
  std::string number;
  const auto deadline = Clock::now() + 20s;
  pollfd p{ready_pipe[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && ::poll(&p, 1, remaining_ms(deadline)) > 0) {
    char buffer[32];
    const ssize_t n = ::read(ready_pipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  ::close(ready_pipe[0]);
  if (number.find('\n') != std::string::npos) {
    char name[32];
    std::snprintf(name, sizeof name, ":%d", std::atoi(number.c_str()));
    name_ = name;
  }
}

Xvfb::~Xvfb() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

Child::Child(const std::vector<std::string>& argv, const std::map<std::string, std::optional<std::string>>& env) {
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) return;
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  std::vector<std::string> args = argv;
  std::vector<std::string> environment = environment_with(env);
  auto arg_pointers = pointers(args);
  auto env_pointers = pointers(environment);
  if (posix_spawnp(&pid_, args[0].c_str(), &actions, nullptr, arg_pointers.data(), env_pointers.data()) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  out_ = out_pipe[0];
  err_ = err_pipe[0];
  fcntl(out_, F_SETFL, O_NONBLOCK);
  fcntl(err_, F_SETFL, O_NONBLOCK);
  if (pid_ > 0) pidfd_ = open_pidfd(pid_);
}

Child::~Child() {
  if (pid_ > 0 && !exit_code_) {
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  for (int fd : {pidfd_, out_, err_}) {
    if (fd >= 0) ::close(fd);
  }
}

bool Child::fill(Bound bound) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    pollfd p[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int n = ::poll(p, 2, remaining_ms(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (p[1].revents) drain(err_, errors_);
    if (p[0].revents) {
      const size_t before = pending_.size();
      const bool open = drain(out_, pending_);
      if (pending_.size() > before) return true;
      if (!open) return false;
    }
  }
}

std::optional<std::string> Child::next_line(Bound bound) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      seen_.push_back(line);
      return line;
    }
    if (exit_code_ || !fill(std::chrono::milliseconds(remaining_ms(deadline)))) return std::nullopt;
  }
}

bool Child::wait_for_line(const std::string& line, Bound bound) {
  const auto deadline = Clock::now() + bound;
  while (auto got = next_line(std::chrono::milliseconds(remaining_ms(deadline)))) {
    if (*got == line) return true;
  }
  return false;
}

std::optional<int> Child::wait_for_exit(Bound bound) {
  if (exit_code_) return exit_code_;
  if (pid_ <= 0) return std::nullopt;
  const auto deadline = Clock::now() + bound;
  for (;;) {
    pollfd p[3] = {{pidfd_, POLLIN, 0}, {out_, POLLIN, 0}, {err_, POLLIN, 0}};
    const int n = ::poll(p, 3, remaining_ms(deadline));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return std::nullopt;
    if (p[1].revents) drain(out_, pending_);
    if (p[2].revents) drain(err_, errors_);
    if (p[0].revents) break;
  }
  int status = 0;
  if (::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
  drain(out_, pending_);
  drain(err_, errors_);
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return exit_code_;
}

std::string Child::error_output() {
  drain(err_, errors_);
  return errors_;
}

std::optional<std::string> run_tool(const std::string& display, const std::vector<std::string>& argv, Bound bound) {
  // The C locale: a tool writes other bytes than ASCII as escapes, the same wherever it runs.
  Child tool(argv, {{"DISPLAY", display}, {"LC_ALL", "C"}});
  if (!tool.started()) return std::nullopt;
  std::string output;
  const auto code = tool.wait_for_exit(bound);
  while (auto line = tool.next_line(0ms)) output += *line + "\n";
  if (!code || *code != 0) return std::nullopt;
  return output;
}

std::optional<unsigned long> find_window(const std::string& display, const std::string& name_regex, Bound bound) {
  // Looked for again and again rather than with xdotool's --sync: a window that goes while
  // xdotool walks the tree (a window manager's start, a box closing) fails that search.
  std::optional<unsigned long> window;
  wait_until(
      [&] {
        const auto found = run_tool(display, {"xdotool", "search", "--onlyvisible", "--name", name_regex});
        if (found && !found->empty()) window = std::stoul(*found);
        return window.has_value();
      },
      bound);
  return window;
}

bool window_exists(const std::string& display, const std::string& name_regex) {
  return run_tool(display, {"xdotool", "search", "--onlyvisible", "--name", name_regex}).has_value();
}

std::string window_name(const std::string& display, unsigned long window) {
  auto name = run_tool(display, {"xdotool", "getwindowname", std::to_string(window)});
  if (!name) return "";
  if (!name->empty() && name->back() == '\n') name->pop_back();
  return *name;
}

// Each key goes to the window itself as a sent press and release, whatever has the focus. xdotool
// would type into the focused window when that is the one, and send otherwise, deciding afresh
// for the release: a press typed, whose window then opens a box that takes the focus, got a sent
// release, and the server kept the key down, repeating it into whatever came next.
bool send_keys(const std::string& display, unsigned long window, const std::vector<std::string>& keys) {
  Display* x = open_display(display);
  if (!x) return false;
  XWindowAttributes attributes{};
  bool sent = XGetWindowAttributes(x, static_cast<Window>(window), &attributes) != 0;
  for (size_t k = 0; sent && k < keys.size(); ++k) {
    // "ctrl+alt+Return": modifiers, then a key symbol by its X name.
    unsigned state = 0;
    std::string name = keys[k];
    for (size_t plus; (plus = name.find('+')) != std::string::npos && plus + 1 < name.size();) {
      const std::string modifier = name.substr(0, plus);
      name.erase(0, plus + 1);
      if (modifier == "ctrl" || modifier == "control") state |= ControlMask;
      else if (modifier == "alt") state |= Mod1Mask;
      else if (modifier == "shift") state |= ShiftMask;
      else if (modifier == "super") state |= Mod4Mask;
      else sent = false;
    }
    // The key and the modifiers that give the symbol (Y needs Shift, Break Ctrl on Pause's key).
    const KeySym symbol = XStringToKeysym(name.c_str());
    KeyCode code = 0;
    int first = 0, last = 0;
    XDisplayKeycodes(x, &first, &last);
    for (const unsigned level : {0u, unsigned{ShiftMask}, unsigned{ControlMask}, unsigned{Mod5Mask}}) {
      for (int c = first; symbol != NoSymbol && code == 0 && c <= last; ++c) {
        KeySym got = NoSymbol;
        unsigned consumed = 0;
        if (XkbLookupKeySym(x, static_cast<KeyCode>(c), level, &consumed, &got) && got == symbol) {
          code = static_cast<KeyCode>(c);
          state |= level;
        }
      }
      if (code != 0) break;
    }
    if (!sent || code == 0) {
      sent = false;
      break;
    }
    XEvent event{};
    XKeyEvent& key = event.xkey;
    key.display = x;
    key.window = static_cast<Window>(window);
    key.root = attributes.root;
    key.time = CurrentTime;
    key.x = key.y = key.x_root = key.y_root = 1;
    key.state = state;
    key.keycode = code;
    key.same_screen = True;
    key.type = KeyPress;
    sent = XSendEvent(x, static_cast<Window>(window), True, KeyPressMask, &event) != 0;
    key.type = KeyRelease;
    sent = sent && XSendEvent(x, static_cast<Window>(window), True, KeyReleaseMask, &event) != 0;
  }
  XSync(x, False);
  XCloseDisplay(x);
  return sent;
}

bool move_pointer(const std::string& display, unsigned long window, int x, int y) {
  return run_tool(display, {"xdotool", "mousemove", "--window", std::to_string(window), std::to_string(x),
                            std::to_string(y)})
      .has_value();
}

bool click(const std::string& display, unsigned long window, int x, int y, int button) {
  return move_pointer(display, window, x, y) && run_tool(display, {"xdotool", "click", std::to_string(button)});
}

bool press_button(const std::string& display, unsigned long window, int x, int y, int button) {
  return move_pointer(display, window, x, y) && run_tool(display, {"xdotool", "mousedown", std::to_string(button)});
}

bool release_button(const std::string& display, int button) {
  return run_tool(display, {"xdotool", "mouseup", std::to_string(button)}).has_value();
}

bool window_gone(const std::string& display, unsigned long window, Bound bound) {
  Display* x = open_display(display);
  if (!x) return false;
  const bool gone = wait_until(
      [&] {
        XWindowAttributes attributes{};
        return !XGetWindowAttributes(x, static_cast<Window>(window), &attributes) ||
               attributes.map_state != IsViewable;
      },
      bound);
  XCloseDisplay(x);
  return gone;
}

namespace {
// The root's property of WINDOW values (32-bit items), empty when it is not there.
std::vector<Window> root_windows_property(Display* x, const char* name) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::vector<Window> windows;
  if (XGetWindowProperty(x, DefaultRootWindow(x), XInternAtom(x, name, False), 0, 65536, False, XA_WINDOW, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 32) {
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    windows.assign(items, items + count);
  }
  if (data) XFree(data);
  return windows;
}
}  // namespace

bool window_manager_running(const std::string& display) {
  Display* x = open_display(display);
  if (!x) return false;
  const std::vector<Window> check = root_windows_property(x, "_NET_SUPPORTING_WM_CHECK");
  XWindowAttributes attributes{};
  const bool running = !check.empty() && XGetWindowAttributes(x, check[0], &attributes);
  XCloseDisplay(x);
  return running;
}

bool stacked_above(const std::string& display, unsigned long upper, unsigned long lower) {
  Display* x = open_display(display);
  if (!x) return false;
  std::vector<Window> bottom_to_top = root_windows_property(x, "_NET_CLIENT_LIST_STACKING");
  if (bottom_to_top.empty()) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count) && children) {
      bottom_to_top.assign(children, children + count);
      XFree(children);
    }
  }
  XCloseDisplay(x);
  const auto upper_at = std::find(bottom_to_top.begin(), bottom_to_top.end(), upper);
  const auto lower_at = std::find(bottom_to_top.begin(), bottom_to_top.end(), lower);
  return upper_at != bottom_to_top.end() && lower_at != bottom_to_top.end() && upper_at > lower_at;
}

unsigned long focused_window(const std::string& display) {
  Display* x = open_display(display);
  if (!x) return 0;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(x, &focus, &revert);
  XCloseDisplay(x);
  return focus;
}

unsigned long root_window(const std::string& display) {
  Display* x = open_display(display);
  if (!x) return 0;
  const Window root = DefaultRootWindow(x);
  XCloseDisplay(x);
  return root;
}

int fixed_font_text_width(const std::string& display, const std::string& text) {
  Display* x = open_display(display);
  if (!x) return 0;
  int width = 0;
  if (XFontStruct* font = XLoadQueryFont(x, "fixed")) {
    width = XTextWidth(font, text.data(), static_cast<int>(text.size()));
    XFreeFont(x, font);
  }
  XCloseDisplay(x);
  return width;
}

std::optional<Rect> window_rect_within(const std::string& display, unsigned long window, unsigned long within) {
  Display* x = open_display(display);
  if (!x) return std::nullopt;
  std::optional<Rect> rect;
  XWindowAttributes attributes{};
  int at_x = 0, at_y = 0;
  Window child = 0;
  if (XGetWindowAttributes(x, static_cast<Window>(window), &attributes) &&
      XTranslateCoordinates(x, static_cast<Window>(window), static_cast<Window>(within), 0, 0, &at_x, &at_y, &child)) {
    const int border = attributes.border_width;
    rect = Rect{at_x - border, at_y - border, attributes.width + 2 * border, attributes.height + 2 * border};
  }
  XCloseDisplay(x);
  return rect;
}

std::optional<int> end_at_prompt(const std::string& display, unsigned long window, Child& child) {
  press_until(display, window, "space", [&] { return child.wait_for_exit(500ms).has_value(); });
  return child.wait_for_exit(0ms);
}

bool size_becomes(const std::string& display, unsigned long window, int width, int height, Bound bound) {
  const auto is = [&](WindowSize size) { return size.width == width && size.height == height; };
  return is(window_size_once(display, window, is, bound));
}

bool centred_over(const std::string& display, unsigned long box, unsigned long window, int slack) {
  const unsigned long root = root_window(display);
  const auto box_at = window_rect_within(display, box, root), window_at = window_rect_within(display, window, root);
  return box_at && window_at &&
         std::abs(box_at->x + box_at->width / 2 - (window_at->x + window_at->width / 2)) <= slack &&
         std::abs(box_at->y + box_at->height / 2 - (window_at->y + window_at->height / 2)) <= slack;
}

Picture rows_of(const Picture& picture, int first, int count) {
  Picture part{picture.width, count, {}};
  part.pixels.assign(picture.pixels.begin() + static_cast<ptrdiff_t>(first) * picture.width,
                     picture.pixels.begin() + static_cast<ptrdiff_t>(first + count) * picture.width);
  return part;
}

Picture with_hidden(Picture picture, const Rect& hidden) {
  for (int y = std::max(hidden.y, 0); y < std::min(hidden.y + hidden.height, picture.height); ++y)
    for (int x = std::max(hidden.x, 0); x < std::min(hidden.x + hidden.width, picture.width); ++x)
      picture.pixels[static_cast<size_t>(y) * picture.width + x] = any_colour;
  return picture;
}

WindowSize window_size(const std::string& display, unsigned long window) {
  Display* x = open_display(display);
  if (!x) return {};
  XWindowAttributes attributes{};
  WindowSize size;
  if (XGetWindowAttributes(x, static_cast<Window>(window), &attributes)) size = {attributes.width, attributes.height};
  XCloseDisplay(x);
  return size;
}

ScreenPoint window_position(const std::string& display, unsigned long window) {
  Display* x = open_display(display);
  if (!x) return {};
  ScreenPoint point;
  Window child = 0;
  XTranslateCoordinates(x, static_cast<Window>(window), DefaultRootWindow(x), 0, 0, &point.x, &point.y, &child);
  XCloseDisplay(x);
  return point;
}

std::optional<WindowProperty> window_property(const std::string& display, unsigned long window,
                                              const std::string& name) {
  Display* x = open_display(display);
  if (!x) return std::nullopt;
  std::optional<WindowProperty> property;
  Atom type = 0;
  int format = 0;
  unsigned long items = 0, left = 0;
  unsigned char* data = nullptr;
  const Atom atom = XInternAtom(x, name.c_str(), False);
  if (XGetWindowProperty(x, static_cast<Window>(window), atom, 0, 1L << 24, False, AnyPropertyType, &type, &format,
                         &items, &left, &data) == Success &&
      type != 0 && format == 8) {
    char* type_name = XGetAtomName(x, type);
    property = WindowProperty{type_name, std::string(reinterpret_cast<const char*>(data), items)};
    XFree(type_name);
  }
  if (data) XFree(data);
  XCloseDisplay(x);
  return property;
}

bool press_close_button(const std::string& display, unsigned long window) {
  Display* x = open_display(display);
  if (!x) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = static_cast<Window>(window);
  event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  const Status sent = XSendEvent(x, static_cast<Window>(window), False, NoEventMask, &event);
  XSync(x, False);
  XCloseDisplay(x);
  return sent != 0;
}

std::optional<Picture> capture_window(const std::string& display, unsigned long window) {
  // Through a file of its own, gone once read: a passing test leaves no pictures behind.
  std::string path = (std::filesystem::temp_directory_path() / "orbelin-capture-XXXXXX").string();
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return std::nullopt;
  ::close(fd);
  const bool captured = run_tool(display, {"xwd", "-silent", "-id", std::to_string(window), "-out", path}).has_value();
  std::ifstream file(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ::unlink(path.c_str());
  if (!captured || data.size() < 100) return std::nullopt;
  // The XWD header: 25 big-endian 32-bit fields, the window name, the colour map, the pixels.
  const uint32_t header_size = read_be32(data, 0);
  const uint32_t format = read_be32(data, 8);
  const auto width = static_cast<int>(read_be32(data, 16));
  const auto height = static_cast<int>(read_be32(data, 20));
  const uint32_t byte_order = read_be32(data, 28);
  const uint32_t bits_per_pixel = read_be32(data, 44);
  const uint32_t bytes_per_line = read_be32(data, 48);
  const uint32_t masks[3] = {read_be32(data, 56), read_be32(data, 60), read_be32(data, 64)};
  const uint32_t colours = read_be32(data, 76);
  const size_t start = header_size + size_t{colours} * 12;
  // Over windows of another visual (a dialog on the GL window, say) xwd reads the screen area
  // and writes packed 24-bit pixels.
  const uint32_t pixel_bytes = bits_per_pixel / 8;
  if (format != 2 || (pixel_bytes != 3 && pixel_bytes != 4) || bytes_per_line < pixel_bytes * width ||
      data.size() < start + size_t{bytes_per_line} * height)
    return std::nullopt;
  Picture picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto* p =
          reinterpret_cast<const unsigned char*>(data.data() + start + size_t{bytes_per_line} * y + pixel_bytes * x);
      uint32_t value = 0;
      for (uint32_t b = 0; b < pixel_bytes; ++b) value |= uint32_t{p[byte_order == 0 ? b : pixel_bytes - 1 - b]} << 8 * b;
      uint32_t rgb = 0;
      for (int c = 0; c < 3; ++c) rgb = rgb << 8 | ((value & masks[c]) >> shift_of(masks[c]) & 0xFF);
      picture.pixels[static_cast<size_t>(y) * width + x] = rgb;
    }
  }
  return picture;
}

Picture expected_picture() {
  const ScreenState& screen = screen_state();
  Picture picture{screen_width, screen_height, std::vector<uint32_t>(screen.pixels.size())};
  for (size_t i = 0; i < screen.pixels.size(); ++i) picture.pixels[i] = screen.palette[screen.pixels[i] & 15] & 0xFFFFFF;
  return picture;
}

bool write_picture_png(const Picture& picture, const std::string& path) {
  std::vector<uint8_t> rgb;
  rgb.reserve(picture.pixels.size() * 3);
  for (const uint32_t p : picture.pixels) {
    rgb.push_back(static_cast<uint8_t>(p >> 16));
    rgb.push_back(static_cast<uint8_t>(p >> 8));
    rgb.push_back(static_cast<uint8_t>(p));
  }
  return write_png(path, picture.width, picture.height, rgb);
}

bool keep_picture(const Picture& picture, const std::string& label) {
  if (!::testing::Test::HasFailure()) return true;
  return write_picture_png(picture, test_output_folder() + "/" + current_test_name() + "-" + label + ".png");
}

Comparison compare_pictures(const Picture& actual, const Picture& expected, const std::string& label, int at_x,
                            int at_y) {
  Comparison result;
  std::ostringstream report;
  if (actual.width < at_x + expected.width || actual.height < at_y + expected.height) {
    report << "captured " << actual.width << " x " << actual.height << ", expected at least "
           << at_x + expected.width << " x " << at_y + expected.height;
  }
  int differing = 0;
  Picture difference = expected;
  if (report.str().empty()) {
    for (int y = 0; y < expected.height; ++y) {
      for (int x = 0; x < expected.width; ++x) {
        const uint32_t want = expected.at(x, y), got = actual.at(at_x + x, at_y + y);
        uint32_t& shown = difference.pixels[static_cast<size_t>(y) * expected.width + x];
        shown = (got >> 2) & 0x3F3F3F;
        if (want == got || want == any_colour) continue;
        shown = 0xFF0000;
        if (++differing <= 5) {
          report << "pixel (" << x << ", " << y << "): got " << std::hex << got << ", expected " << want << std::dec
                 << "\n";
        }
      }
    }
    if (differing) report << differing << " pixels differ\n";
  }
  result.same = report.str().empty();
  if (!result.same) {
    const std::string stem = test_output_folder() + "/" + current_test_name() + (label.empty() ? "" : "-" + label);
    write_picture_png(actual, stem + "-actual.png");
    write_picture_png(expected, stem + "-expected.png");
    if (differing) write_picture_png(difference, stem + "-diff.png");
    report << "pictures in " << stem << "-*.png";
  }
  result.report = report.str();
  return result;
}

Comparison window_shows(const std::string& display, unsigned long window, const Picture& expected,
                        const std::string& label, int at_x, int at_y, Bound bound) {
  const auto deadline = Clock::now() + bound;
  Comparison last{false, "no capture"};
  do {
    if (const auto picture = capture_window(display, window)) {
      // Compare quietly until the last try: the frame may still be on its way.
      bool same = picture->width >= at_x + expected.width && picture->height >= at_y + expected.height;
      for (int y = 0; same && y < expected.height; ++y) {
        for (int x = 0; same && x < expected.width; ++x) {
          const uint32_t want = expected.at(x, y);
          same = want == any_colour || picture->at(at_x + x, at_y + y) == want;
        }
      }
      if (same) return {true, ""};
      if (Clock::now() >= deadline) return compare_pictures(*picture, expected, label, at_x, at_y);
    } else if (Clock::now() >= deadline) {
      return last;
    }
  } while (true);
}
