// The platform's start-up and the window's thread: freeglut, GLEW and every GL call live here,
// on the process's first thread, until the process ends.
#include "platform/window/start.h"

// clang-format off
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glx.h>
// clang-format on
#include <X11/Xlib.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/front_end.h"
#include "platform/keys.h"
#include "platform/lifecycle.h"
#include "platform/screen.h"
#include "platform/screen_handover.h"
#include "platform/title.h"
#include "platform/window/desktop_properties.h"
#include "platform/window/ending.h"
#include "platform/window/key_translation.h"
#include "platform/window/layout.h"
#include "platform/window/menu_line.h"
#include "platform/window/presentation.h"
#include "platform/window/wake.h"
#include "platform/window/x_key_watcher.h"
#include "winapi/message_box_dialog.h"
#include "winapi/user32.h"

namespace {
// The window's thread sleeps until woken (a new frame, a title, the menu line, a command, an
// ending); this slow tick is only a safety net. While a change of full screen is on its way it
// looks four times a second, and while the process ends every few milliseconds.
constexpr int safety_tick_ms = 5000;
constexpr int settling_tick_ms = 250;
constexpr int ending_tick_ms = 5;

// An item that the left button went down on, released when the button comes up wherever it is.
struct PressedItem {
  HMENU menu;
  UINT position;
};

struct WindowSide {
  ClientSize client{0, 0};
  int32_t sized_for_mode = 0;
  uint64_t title_generation = 0;
  bool full_screen_wanted = false;          // Alt+Enter's choice
  bool full_screen_asked = false;           // what freeglut was last asked for
  bool full_screen_change_pending = false;  // asked, not yet made
  ClientSize size_before_full_screen{0, 0};
  std::optional<ClientSize> size_asked;     // with leaving full screen, not yet shown
  uint64_t reshapes = 0;                    // sizes the window has been given
  uint64_t reshapes_at_change = 0;
  bool command_shown_running = false;
  bool ending_tick_armed = false;
  bool settling_tick_armed = false;
  GLuint texture = 0;
  Frame shown;
  bool redraw_due = false;  // something beside the frame changed: the menu line
  // The window as X knows it, on freeglut's own connection, so that what is set here keeps its
  // order with what freeglut sends.
  Display* x_display = nullptr;
  Window x_window = 0;
  // The window as user32 knows it (FindWindowA, SetMenu), and the menu line it shows.
  HWND handle = nullptr;
  uint64_t menu_generation = ~uint64_t{0};
  HMENU menu = nullptr;  // attached: the menu line shows
  std::vector<MenuBarItem> menu_items;
  std::optional<PressedItem> pressed;
  GLuint menu_texture = 0;
  int menu_texture_width = 0;  // 0: the texture must be painted again
};
WindowSide side;

std::atomic<bool> command_running{false};
// The plotter runs before the X window exists; a box it opens waits for the window, so that it
// opens over it (the window's failure ends the process instead).
std::atomic<bool> window_open{false};

[[noreturn]] void no_window(const std::string& why) {
  std::fprintf(stderr, "orbelin: %s\n", why.c_str());
  std::fflush(nullptr);
  _exit(1);
}

// The X server gone (a logout, a crash): the process ends at once. Xlib's own handler calls
// exit(), whose handlers (freeglut's among them) wait for GL locks that other threads, stopped on
// the lost connection, still hold, and the process would hang for good.
[[noreturn]] int on_x_connection_lost(Display*) { no_window("the connection to the X server was lost"); }

// freeglut stops on a fatal error of its own; a handler that returned would crash it.
void on_freeglut_error(const char* format, va_list args) {
  char message[512];
  std::vsnprintf(message, sizeof message, format, args);
  no_window(std::string("the window system stopped: ") + message);
}

// Orbelin finds its setup file, sample and help page beside its executable.
void enter_executable_folder() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return;
  std::string folder(path, static_cast<size_t>(n));
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return;
  folder.resize(slash == 0 ? 1 : slash);
  if (::chdir(folder.c_str()) != 0) std::fprintf(stderr, "orbelin: cannot enter %s\n", folder.c_str());
}

// Starts on a fresh second of the wall clock, watching it rather than sleeping.
void wait_for_next_second() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const time_t start = now.tv_sec;
  do {
    sched_yield();
    clock_gettime(CLOCK_REALTIME, &now);
  } while (now.tv_sec == start);
}

// The timer thread: the system has timers, but nothing here uses one, so it waits for good.
void start_idle_timer_thread() {
  std::thread([] {
    std::mutex never;
    std::condition_variable forever;
    std::unique_lock lock(never);
    for (;;) forever.wait(lock);
  }).detach();
}

void start_plotter_thread(void (*plotter_entry)()) {
  std::thread([plotter_entry] {
    plotter_entry();
    end_process(0);  // the plotter never returns; should it, the run is over
  }).detach();
}

// A running command leaves full screen and holds the picture; both come back afterwards.
void install_front_end_hooks() {
  FrontEndHooks hooks;
  hooks.command_starting = [] {
    hold_presentation(true);
    command_running.store(true, std::memory_order_release);
    wake_window();
  };
  hooks.command_finished = [] {
    command_running.store(false, std::memory_order_release);
    hold_presentation(false);
    wake_window();
  };
  hooks.box_opening = [] { window_open.wait(false, std::memory_order_acquire); };
  set_front_end_hooks(std::move(hooks));
}

void upload_frame() {
  glBindTexture(GL_TEXTURE_2D, side.texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, screen_width, screen_height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                  side.shown.pixels.data());
}

void follow_platform();

bool menu_line_shown() { return side.menu != nullptr; }

// 1:1, texel centres on pixel centres, GL_NEAREST: every pixel exactly as the texture holds it.
void draw_texture_at(GLuint texture, int x, int y, int width, int height) {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(x, y);
  glTexCoord2i(1, 0);
  glVertex2i(x + width, y);
  glTexCoord2i(1, 1);
  glVertex2i(x + width, y + height);
  glTexCoord2i(0, 1);
  glVertex2i(x, y + height);
  glEnd();
  glDisable(GL_TEXTURE_2D);
}

// The menu line across the whole client width, painted again only when it or the width changed.
void draw_menu_line() {
  const int width = side.client.width;
  if (width <= 0) return;
  if (side.menu_texture_width != width) {
    const std::vector<uint32_t> pixels = paint_menu_line(side.menu_items, width);
    glBindTexture(GL_TEXTURE_2D, side.menu_texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, menu_bar_height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 pixels.data());
    side.menu_texture_width = width;
  }
  draw_texture_at(side.menu_texture, 0, 0, width, menu_bar_height);
}

void draw_window() {
  follow_platform();
  side.redraw_due = false;
  if (take_new_frame(side.shown)) upload_frame();
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (side.shown.mode != 0) {
    const PicturePlace at = place_picture(side.client, side.shown.mode, menu_line_shown());
    draw_texture_at(side.texture, at.x, at.y, screen_width, screen_height);
  }
  if (menu_line_shown()) draw_menu_line();
  glutSwapBuffers();
}

void settle_full_screen();

// Looks again while a change of full screen is on its way.
void on_settling_tick(int);
void keep_settling() {
  if (!side.full_screen_change_pending || side.settling_tick_armed) return;
  side.settling_tick_armed = true;
  glutTimerFunc(settling_tick_ms, on_settling_tick, 0);
}
void on_settling_tick(int) {
  side.settling_tick_armed = false;
  settle_full_screen();
  keep_settling();
}

void reshape_window(int width, int height) {
  side.client = {width, height};
  ++side.reshapes;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, width, height, 0.0, -1.0, 1.0);  // y downwards, as the screen image counts it
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  settle_full_screen();  // a change of full screen has shown: a later wish may follow now
}

bool same_size(ClientSize a, ClientSize b) { return a.width == b.width && a.height == b.height; }

// Whether the change of full screen asked last has reached the window: freeglut has made it and
// the window has its new size (the size it had already, or a size given since).
bool full_screen_change_made() {
  if ((glutGet(GLUT_FULL_SCREEN) != 0) != side.full_screen_asked) return false;
  if (side.size_asked) return same_size(side.client, *side.size_asked);
  const ClientSize expected = side.full_screen_asked
                                  ? ClientSize{glutGet(GLUT_SCREEN_WIDTH), glutGet(GLUT_SCREEN_HEIGHT)}
                                  : side.size_before_full_screen;
  return side.reshapes != side.reshapes_at_change || same_size(side.client, expected);
}

// Full screen is wanted through Alt+Enter and given up while a command runs. freeglut makes a
// change at its next turn, merges two toggles asked within one turn into one (leaving and coming
// back at once would leave for good), and the window's size follows a little later still; a
// toggle asked meanwhile loses the full screen. So a change is asked only once the previous one
// has reached the window; and leaving asks for a size only when the one from before no longer
// fits.
void settle_full_screen() {
  if (side.full_screen_change_pending) {
    if (!full_screen_change_made()) return;
    side.full_screen_change_pending = false;
    side.size_asked.reset();
  }
  const bool wanted = side.full_screen_wanted && !side.command_shown_running;
  if (wanted == side.full_screen_asked) return;
  const ClientSize normal = client_size_for_mode(side.sized_for_mode, menu_line_shown());
  glutFullScreenToggle();
  side.full_screen_asked = wanted;
  side.full_screen_change_pending = true;
  keep_settling();
  side.reshapes_at_change = side.reshapes;
  if (wanted) {
    side.size_before_full_screen = normal;
  } else if (!same_size(normal, side.size_before_full_screen)) {
    // The mode or the menu line changed meanwhile.
    glutReshapeWindow(normal.width, normal.height);
    side.size_asked = normal;
  }
}

void on_character_key(unsigned char key, int, int) {
  if (key == 13 && (glutGetModifiers() & GLUT_ACTIVE_ALT)) {
    side.full_screen_wanted = !side.full_screen_wanted;
    settle_full_screen();
    return;
  }
  const RingKey ring_key = ring_key_for_character(key);
  if (ring_key.extended) {
    push_extended_key(ring_key.code);
  } else {
    push_character_key(ring_key.code);
  }
}

void on_special_key(int key, int, int) {
  if (const auto scan_code = scan_code_for_special(key)) push_extended_key(*scan_code);
}

// The left button on the menu line: a press on an item presses it, the release lets it go,
// wherever the pointer is then (X keeps sending a pressed button's events to this window).
// Presses elsewhere and the other buttons do nothing; hovering has no handler at all.
void follow_menu();

void on_mouse_button(int button, int state, int x, int y) {
  if (button != GLUT_LEFT_BUTTON) return;
  follow_menu();  // the items as they stand now
  if (state == GLUT_DOWN) {
    if (side.pressed || !menu_line_shown()) return;
    const std::optional<unsigned> item = menu_item_at(side.menu_items, x, y);
    if (!item) return;
    press_menu_item(side.menu, *item);
    side.pressed = PressedItem{side.menu, *item};
  } else {
    if (!side.pressed) return;
    release_menu_item(side.pressed->menu, side.pressed->position);
    side.pressed.reset();
  }
  follow_menu();
  glutPostRedisplay();
}

void on_close_button() {
  set_waker_window(0);  // freeglut destroys the window after this
  side.x_window = 0;
  set_titled_window(nullptr);
  unregister_window(side.handle);
  side.handle = nullptr;
  end_from_window();
}

void follow_title() {
  const uint64_t generation = window_title_generation();
  if (generation == side.title_generation) return;
  side.title_generation = generation;
  const Text title = current_window_title();
  if (side.x_window) set_window_titles(side.x_display, side.x_window, title);  // cut to what X takes
}

// The size for the mode and the menu line: the window manager learns it at once as the size and
// the smallest one; the window takes it now, or when full screen is left (settle_full_screen).
void follow_normal_size() {
  const ClientSize size = client_size_for_mode(side.sized_for_mode, menu_line_shown());
  if (side.x_window) set_size_hints(side.x_display, side.x_window, size);
  if (side.full_screen_asked) return;
  glutReshapeWindow(size.width, size.height);
}

bool same_items(const std::vector<MenuBarItem>& a, const std::vector<MenuBarItem>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].text != b[i].text || a[i].highlighted != b[i].highlighted) return false;
  }
  return true;
}

// A menu attached to the window (SetMenu on the plotter's thread), its items and their
// highlights. The line's appearing grows the window by its height; the picture stays 1:1.
void follow_menu() {
  const uint64_t generation = user32_generation();
  if (generation == side.menu_generation) return;
  side.menu_generation = generation;
  const bool was_shown = menu_line_shown();
  side.menu = GetMenu(side.handle);
  std::vector<MenuBarItem> items = menu_bar_items(side.handle);
  if (!same_items(items, side.menu_items)) {
    side.menu_items = std::move(items);
    side.menu_texture_width = 0;
    side.redraw_due = true;
  }
  if (menu_line_shown() == was_shown) return;
  side.redraw_due = true;
  follow_normal_size();
}

void follow_screen_mode() {
  const int32_t mode = handed_over_mode();
  if (mode == side.sized_for_mode) return;
  side.sized_for_mode = mode;
  follow_normal_size();
}

// A running command leaves full screen; it comes back afterwards if still wanted.
void follow_command() {
  side.command_shown_running = command_running.load(std::memory_order_acquire);
  settle_full_screen();
}

void on_ending_tick(int) {
  if (const auto code = exit_code_due()) finish_process(*code);
  glutTimerFunc(ending_tick_ms, on_ending_tick, 0);
}

// Everything the other threads may have changed, taken over on the window's thread.
void follow_platform() {
  if (const auto code = exit_code_due()) finish_process(*code);
  if (exit_requested() && !side.ending_tick_armed) {
    side.ending_tick_armed = true;
    glutTimerFunc(ending_tick_ms, on_ending_tick, 0);
  }
  follow_title();
  follow_menu();
  follow_command();
  follow_screen_mode();
}

void on_safety_tick(int) {
  follow_platform();
  if (new_frame_waiting() || side.redraw_due) glutPostRedisplay();
  glutTimerFunc(safety_tick_ms, on_safety_tick, 0);
}

// A texture bound for drawing 1:1: nearest texels, no wrapping, so every pixel shows as it is.
GLuint make_pixel_exact_texture() {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return texture;
}

void set_up_gl() {
  const GLenum glew = glewInit();
  if (glew != GLEW_OK) {
    // Presentation needs nothing beyond OpenGL 1.1, so the window goes on without the extensions.
    std::fprintf(stderr, "orbelin: GLEW: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew)));
  }
  glDisable(GL_DITHER);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  side.texture = make_pixel_exact_texture();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, screen_width, screen_height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
               side.shown.pixels.data());
  side.menu_texture = make_pixel_exact_texture();
}

void open_window(const char* program) {
  // The key watcher's connection, opened first to tell a missing display clearly. It stays open:
  // a server whose last client leaves resets, and would refuse freeglut's connection meanwhile.
  XSetIOErrorHandler(on_x_connection_lost);  // for every connection of the process
  Display* watcher_connection = XOpenDisplay(nullptr);
  Display* waker_connection = watcher_connection ? XOpenDisplay(nullptr) : nullptr;
  if (!watcher_connection || !waker_connection) {
    const char* name = std::getenv("DISPLAY");
    no_window(std::string("cannot open the X display \"") + (name ? name : "") +
              "\": Orbelin needs a graphical desktop (is DISPLAY set?)");
  }
  open_window_waker(waker_connection);
  // Orbelin has no options of its own, and the window library gets none either.
  int glut_argc = 1;
  char* glut_argv[] = {const_cast<char*>(program), nullptr};
  glutInitErrorFunc(on_freeglut_error);
  glutInit(&glut_argc, glut_argv);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
  if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE)) {
    no_window("the display offers no double-buffered window with a depth buffer");
  }
  side.sized_for_mode = handed_over_mode();
  // Without the menu line: one already attached shows at follow_menu's first look.
  const ClientSize size = client_size_for_mode(side.sized_for_mode, false);
  // Created at 0,0: freeglut's "no position" would be -1,-1, which without a window manager
  // loses a row and a column. The hints that follow leave the placement to a window manager.
  glutInitWindowPosition(0, 0);
  glutInitWindowSize(size.width, size.height);
  side.title_generation = window_title_generation();
  const Text title = current_window_title();
  // Untitled until the key watcher listens: a window found by its title hears Pause and Break.
  glutCreateWindow("");
  side.x_display = glXGetCurrentDisplay();
  side.x_window = glXGetCurrentDrawable();
  const auto window_id = static_cast<unsigned long>(side.x_window);
  start_x_key_watcher(watcher_connection, window_id);
  // freeglut has mapped the window already; what a window manager must know before it manages a
  // window is set as for a new one.
  introduce_window(side.x_display, side.x_window, title, size);
  side.menu_generation = user32_generation() - 1;  // follow_menu looks at least once
  side.client = size;
  set_up_gl();
  set_message_box_owner(window_id);  // the error boxes open over this window and stay above it
  window_open.store(true, std::memory_order_release);
  window_open.notify_all();
  set_waker_window(window_id);
  glutDisplayFunc(draw_window);
  glutReshapeFunc(reshape_window);
  glutKeyboardFunc(on_character_key);
  glutSpecialFunc(on_special_key);
  glutMouseFunc(on_mouse_button);
  glutCloseFunc(on_close_button);
  glutTimerFunc(safety_tick_ms, on_safety_tick, 0);
}
}  // namespace

int run_platform(int argc, char** argv, void (*plotter_entry)()) {
  const char* program = argc > 0 && argv[0] ? argv[0] : "orbelin";
  enter_executable_folder();
  wait_for_next_second();
  XInitThreads();
  install_window_end_handler();
  install_front_end_hooks();
  // Known to FindWindowA before the plotter starts, with the title of every moment: on a busy
  // machine the X window may come only after the plotter's one-second pause, and the plotter
  // looks for it just once. A menu attached early shows once the X window is there.
  side.handle = register_window("Orbelin", current_window_title().c_str());
  set_titled_window(side.handle);
  start_plotter_thread(plotter_entry);
  start_idle_timer_thread();
  start_presentation_thread();
  open_window(program);
  glutMainLoop();
  // The window has gone (its close button): the plotter stops, and the process ends.
  finish_process(wait_for_exit_code());
}
