// The message box as a window of our own, drawn over Xlib with the server's built-in "fixed"
// font, so that it needs nothing beyond the X server. It is shown on the caller's thread over a
// connection of its own: no other thread touches that connection while a box is open, and when
// the process ends, for whatever reason, the server takes the box down with it. A window manager
// is asked to keep it above as a modal dialog of Orbelin's window; without one the box raises
// itself whenever another window comes over it.
#include "winapi/message_box_dialog.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "winapi/message_box.h"

namespace {
std::atomic<unsigned long> owner_window{0};

// The boxes' connection, opened with the first box and kept, so that each box is a window of
// its own (a new connection might be given the last one's window id again); and its font.
std::mutex box_mutex;
std::atomic<Display*> box_connection{nullptr};
XFontStruct* box_font = nullptr;

// A box asks about windows that may go at any moment (the owner, the window it gives the focus
// back to): an error about one of them changes nothing. The other connections' errors go where
// they went before.
XErrorHandler previous_handler = nullptr;

int on_x_error(Display* display, XErrorEvent* error) {
  if (display == box_connection.load()) return 0;
  return previous_handler ? previous_handler(display, error) : 0;
}

struct Button {
  const char* label;
  int id;
  KeySym letter;  // answers at once, either case; NoSymbol: none
};

struct ButtonSet {
  std::vector<Button> buttons;  // the first is the default
  int on_close;                 // the answer of Escape and of the close button; 0: they do nothing
};

// The two boxes Orbelin shows, as Windows has them: a Yes/No box cannot be closed; closing the
// OK box is OK.
ButtonSet buttons_for(UINT type) {
  if ((type & 0xF) == MB_YESNO) return {{{"Yes", IDYES, XK_y}, {"No", IDNO, XK_n}}, 0};
  return {{{"OK", IDOK, NoSymbol}}, IDOK};
}

// The look of a Windows box: the text on white, the buttons on a grey band below it.
constexpr uint32_t paper_rgb = 0xFFFFFF;
constexpr uint32_t band_rgb = 0xF0F0F0;
constexpr uint32_t band_edge_rgb = 0xDFDFDF;
constexpr uint32_t frame_rgb = 0x7A7A7A;
constexpr uint32_t caption_rgb = 0x003399;
constexpr uint32_t ink_rgb = 0x000000;
constexpr uint32_t face_rgb = 0xE1E1E1, edge_rgb = 0xADADAD;
constexpr uint32_t focused_face_rgb = 0xE5F1FB, focused_edge_rgb = 0x0078D7;
constexpr uint32_t pressed_face_rgb = 0xCCE4F7, pressed_edge_rgb = 0x005499;

constexpr int margin = 16;         // around the text, left, right and top
constexpr int caption_gap = 8;     // between the caption and the text
constexpr int line_gap = 3;        // between the text's lines
constexpr int text_to_band = 16;
constexpr int band_padding = 11;   // above and below the buttons
constexpr int button_gap = 8;
constexpr int button_min_width = 75, button_min_height = 23;
// A window manager's title bar sets the caption in a larger font than this one, beside its own
// buttons: the box leaves it the room for that.
int title_bar_room(int caption_width) { return caption_width * 3 / 2 + 120; }

struct Layout {
  int width = 0, height = 0;
  int caption_baseline = 0;
  int first_baseline = 0;
  int line_height = 0;
  int band_top = 0;
  std::vector<XRectangle> buttons;
};

int text_width(XFontStruct* font, const std::string& text) {
  return XTextWidth(font, text.data(), static_cast<int>(text.size()));
}

Layout lay_out(XFontStruct* font, const std::string& caption, const std::vector<std::string>& lines,
               const ButtonSet& set) {
  Layout layout;
  const int ascent = font->ascent, descent = font->descent;
  layout.line_height = ascent + descent + line_gap;
  layout.caption_baseline = margin + ascent;
  layout.first_baseline = layout.caption_baseline + descent + caption_gap + ascent;
  const int text_bottom = layout.first_baseline + static_cast<int>(lines.size() - 1) * layout.line_height + descent;
  layout.band_top = text_bottom + text_to_band;

  const int button_height = std::max(button_min_height, ascent + descent + 10);
  int button_width = button_min_width;
  for (const Button& button : set.buttons) button_width = std::max(button_width, text_width(font, button.label) + 24);
  const int count = static_cast<int>(set.buttons.size());
  const int buttons_width = count * button_width + (count - 1) * button_gap;

  const int caption_width = text_width(font, caption) + 1;  // drawn twice, a pixel apart
  int content = std::max(caption_width, buttons_width);
  for (const std::string& line : lines) content = std::max(content, text_width(font, line));
  layout.width = std::max(content + 2 * margin, title_bar_room(caption_width));
  layout.height = layout.band_top + 2 * band_padding + button_height;
  const int first_x = (layout.width - buttons_width) / 2;
  for (int i = 0; i < count; ++i) {
    layout.buttons.push_back({static_cast<short>(first_x + i * (button_width + button_gap)),
                              static_cast<short>(layout.band_top + band_padding),
                              static_cast<unsigned short>(button_width), static_cast<unsigned short>(button_height)});
  }
  return layout;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}

// The box's texts are Windows' single-byte texts; the window manager's title wants UTF-8.
std::string utf8_of_latin1(const std::string& text) {
  std::string utf8;
  for (const unsigned char c : text) {
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else {
      utf8 += static_cast<char>(0xC0 | c >> 6);
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

enum AtomName {
  wm_protocols, wm_delete_window, wm_take_focus, net_wm_name, net_wm_icon_name, utf8_string, net_wm_window_type,
  net_wm_window_type_dialog, net_wm_state, net_wm_state_above, net_wm_state_modal, net_active_window,
  motif_wm_hints, atom_count
};
const char* atom_names[atom_count] = {
    "WM_PROTOCOLS", "WM_DELETE_WINDOW", "WM_TAKE_FOCUS", "_NET_WM_NAME", "_NET_WM_ICON_NAME", "UTF8_STRING",
    "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG", "_NET_WM_STATE", "_NET_WM_STATE_ABOVE",
    "_NET_WM_STATE_MODAL", "_NET_ACTIVE_WINDOW", "_MOTIF_WM_HINTS"};

class Box {
 public:
  Box(Display* display, XFontStruct* font, const std::string& caption, const std::string& text, UINT type)
      : display_(display), screen_(DefaultScreen(display)), root_(RootWindow(display, screen_)), font_(font),
        caption_(caption), lines_(lines_of(text)), set_(buttons_for(type)),
        layout_(lay_out(font, caption_, lines_, set_)), owner_(owner_window.load()) {
    XInternAtoms(display_, const_cast<char**>(atom_names), atom_count, False, atoms_);
    create_window();
  }
  ~Box() {
    // Without a window manager the focus goes back where it was, unless it has moved on.
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (!managed_ && focus == window_) XSetInputFocus(display_, focus_before_, focus_before_revert_, CurrentTime);
    if (owner_) XSelectInput(display_, owner_, NoEventMask);
    XDestroyWindow(display_, window_);
    XFreePixmap(display_, picture_);
    XFreeGC(display_, gc_);
  }
  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;

  int answer() {
    XMapRaised(display_, window_);
    while (!answer_) {
      XEvent event;
      XNextEvent(display_, &event);
      handle(event);
    }
    return answer_;
  }

 private:
  unsigned long colour(uint32_t rgb) {
    const auto known = pixels_.find(rgb);
    if (known != pixels_.end()) return known->second;
    return pixels_[rgb] = allocate(rgb);
  }
  unsigned long allocate(uint32_t rgb) {
    XColor c{};
    c.red = static_cast<unsigned short>((rgb >> 16 & 0xFF) * 0x101);
    c.green = static_cast<unsigned short>((rgb >> 8 & 0xFF) * 0x101);
    c.blue = static_cast<unsigned short>((rgb & 0xFF) * 0x101);
    c.flags = DoRed | DoGreen | DoBlue;
    if (XAllocColor(display_, DefaultColormap(display_, screen_), &c)) return c.pixel;
    const bool light = (rgb >> 16 & 0xFF) + (rgb >> 8 & 0xFF) + (rgb & 0xFF) > 3 * 0x80;
    return light ? WhitePixel(display_, screen_) : BlackPixel(display_, screen_);
  }

  // Centred over the owner's window, or over the screen when there is none; on the screen whole.
  XPoint position() {
    const int screen_width = DisplayWidth(display_, screen_), screen_height = DisplayHeight(display_, screen_);
    int centre_x = screen_width / 2, centre_y = screen_height / 2;
    XWindowAttributes owner{};
    int owner_x = 0, owner_y = 0;
    Window child = 0;
    if (owner_ && XGetWindowAttributes(display_, owner_, &owner) && owner.map_state == IsViewable &&
        XTranslateCoordinates(display_, owner_, root_, 0, 0, &owner_x, &owner_y, &child)) {
      centre_x = owner_x + owner.width / 2;
      centre_y = owner_y + owner.height / 2;
      owner_size_ = {owner.width, owner.height};
    }
    const int x = std::clamp(centre_x - layout_.width / 2, 0, std::max(0, screen_width - layout_.width));
    const int y = std::clamp(centre_y - layout_.height / 2, 0, std::max(0, screen_height - layout_.height));
    return {static_cast<short>(x), static_cast<short>(y)};
  }

  // The owner's window may still be taking its size as the box opens (the screen mode and the menu
  // line come just after start-up): the box follows it to the new centre.
  void follow_owner(const XConfigureEvent& owner) {
    if (owner.width == owner_size_.width && owner.height == owner_size_.height) return;
    const XPoint at = position();
    XMoveWindow(display_, window_, at.x, at.y);
  }

  void set_atoms(Atom property, std::initializer_list<Atom> values) {
    std::vector<Atom> list(values);
    XChangeProperty(display_, window_, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(list.data()), static_cast<int>(list.size()));
  }

  void create_window() {
    // Watched before it is measured: a change of its size after this shows as an event.
    if (owner_) XSelectInput(display_, owner_, StructureNotifyMask);
    const XPoint at = position();
    const auto width = static_cast<unsigned>(layout_.width), height = static_cast<unsigned>(layout_.height);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = colour(paper_rgb);
    attributes.border_pixel = colour(frame_rgb);
    attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            Button1MotionMask | StructureNotifyMask | VisibilityChangeMask;
    window_ = XCreateWindow(display_, root_, at.x, at.y, width, height, 1, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
    picture_ = XCreatePixmap(display_, window_, width, height, static_cast<unsigned>(DefaultDepth(display_, screen_)));
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XSetFont(display_, gc_, font_->fid);

    // The title, the fixed size and place, the focus model, the class.
    XTextProperty name{};
    char* latin1[] = {caption_.data()};
    XStringListToTextProperty(latin1, 1, &name);
    XSizeHints* size = XAllocSizeHints();
    size->flags = PPosition | PSize | PMinSize | PMaxSize | PWinGravity;
    size->x = at.x;
    size->y = at.y;
    size->width = size->min_width = size->max_width = layout_.width;
    size->height = size->min_height = size->max_height = layout_.height;
    size->win_gravity = CenterGravity;
    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint | StateHint;
    hints->input = True;
    hints->initial_state = NormalState;
    XClassHint* kind = XAllocClassHint();
    kind->res_name = const_cast<char*>("orbelin");
    kind->res_class = const_cast<char*>("Orbelin");
    XSetWMProperties(display_, window_, &name, &name, nullptr, 0, size, hints, kind);
    XFree(kind);
    XFree(hints);
    XFree(size);
    XFree(name.value);
    const std::string utf8 = utf8_of_latin1(caption_);
    for (const AtomName property : {net_wm_name, net_wm_icon_name}) {
      XChangeProperty(display_, window_, atoms_[property], atoms_[utf8_string], 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    }

    // A modal dialog of Orbelin's window, above the others, that can be moved and closed only.
    if (owner_) XSetTransientForHint(display_, window_, owner_);
    set_atoms(atoms_[net_wm_window_type], {atoms_[net_wm_window_type_dialog]});
    set_atoms(atoms_[net_wm_state], {atoms_[net_wm_state_above], atoms_[net_wm_state_modal]});
    Atom protocols[] = {atoms_[wm_delete_window], atoms_[wm_take_focus]};
    XSetWMProtocols(display_, window_, protocols, 2);
    enum : long { functions = 1, decorations = 2, move = 4, close = 32, border = 2, title = 8, menu = 16 };
    const long motif[5] = {functions | decorations, move | close, border | title | menu, 0, 0};
    XChangeProperty(display_, window_, atoms_[motif_wm_hints], atoms_[motif_wm_hints], 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);

    // Without a window manager the box watches the other windows' stacking and mapping.
    XSelectInput(display_, root_, SubstructureNotifyMask);
    XGetInputFocus(display_, &focus_before_, &focus_before_revert_);
    paint();
  }

  void fill(uint32_t rgb, int x, int y, int width, int height) {
    XSetForeground(display_, gc_, colour(rgb));
    XFillRectangle(display_, picture_, gc_, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height));
  }
  void frame(uint32_t rgb, int x, int y, int width, int height) {
    XSetForeground(display_, gc_, colour(rgb));
    XDrawRectangle(display_, picture_, gc_, x, y, static_cast<unsigned>(width - 1), static_cast<unsigned>(height - 1));
  }
  void write(uint32_t rgb, int x, int baseline, const std::string& text) {
    XSetForeground(display_, gc_, colour(rgb));
    XDrawString(display_, picture_, gc_, x, baseline, text.data(), static_cast<int>(text.size()));
  }

  void paint_button(size_t i) {
    const XRectangle& r = layout_.buttons[i];
    const bool pressed = pressed_ == static_cast<int>(i) && pressed_inside_;
    const bool focused = focus_ == i;
    const uint32_t face = pressed ? pressed_face_rgb : focused ? focused_face_rgb : face_rgb;
    const uint32_t edge = pressed ? pressed_edge_rgb : focused ? focused_edge_rgb : edge_rgb;
    fill(face, r.x, r.y, r.width, r.height);
    frame(edge, r.x, r.y, r.width, r.height);
    if (focused) frame(edge, r.x + 1, r.y + 1, r.width - 2, r.height - 2);  // the default button's edge
    const std::string label = set_.buttons[i].label;
    const int baseline = r.y + (r.height + font_->ascent - font_->descent) / 2;
    write(ink_rgb, r.x + (r.width - text_width(font_, label)) / 2, baseline, label);
    if (focused) {  // the focus ring, dotted, inside the edge
      static const char dots[] = {1, 1};
      XSetDashes(display_, gc_, 0, dots, 2);
      XSetLineAttributes(display_, gc_, 0, LineOnOffDash, CapButt, JoinMiter);
      frame(ink_rgb, r.x + 3, r.y + 3, r.width - 6, r.height - 6);
      XSetLineAttributes(display_, gc_, 0, LineSolid, CapButt, JoinMiter);
    }
  }

  void paint() {
    fill(paper_rgb, 0, 0, layout_.width, layout_.band_top);
    fill(band_rgb, 0, layout_.band_top, layout_.width, layout_.height - layout_.band_top);
    fill(band_edge_rgb, 0, layout_.band_top, layout_.width, 1);
    write(caption_rgb, margin, layout_.caption_baseline, caption_);
    write(caption_rgb, margin + 1, layout_.caption_baseline, caption_);  // bold
    for (size_t i = 0; i < lines_.size(); ++i)
      write(ink_rgb, margin, layout_.first_baseline + static_cast<int>(i) * layout_.line_height, lines_[i]);
    for (size_t i = 0; i < set_.buttons.size(); ++i) paint_button(i);
    show();
  }
  void show() {
    XCopyArea(display_, picture_, window_, gc_, 0, 0, static_cast<unsigned>(layout_.width),
              static_cast<unsigned>(layout_.height), 0, 0);
  }

  // Once viewable the box takes the focus, and asks a window manager to make it the active window.
  // WM_TAKE_FOCUS is answered with the focus alone: asking for activation there too would have the
  // window manager offer the focus again, without end.
  void take_focus(Time when) { XSetInputFocus(display_, window_, RevertToParent, when); }
  void ask_activation(Time when) {
    if (!managed_) return;
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = window_;
    request.xclient.message_type = atoms_[net_active_window];
    request.xclient.format = 32;
    request.xclient.data.l[0] = 1;  // asked by the application itself
    request.xclient.data.l[1] = static_cast<long>(when);
    request.xclient.data.l[2] = static_cast<long>(owner_);
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
  }

  void move_focus(int step) {
    const auto count = static_cast<int>(set_.buttons.size());
    focus_ = static_cast<size_t>((static_cast<int>(focus_) + step + count) % count);
    paint();
  }

  int button_at(int x, int y) const {
    for (size_t i = 0; i < layout_.buttons.size(); ++i) {
      const XRectangle& r = layout_.buttons[i];
      if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return static_cast<int>(i);
    }
    return -1;
  }

  // Tab and the arrows move the focus as they go down; a key that answers does so as it comes up
  // again, and only after it went down in the box: a key held since before the box opened
  // answers nothing, and none is left held down for the window that gets the focus next.
  void on_key_press(XKeyEvent& key) {
    char bytes[8];
    KeySym symbol = NoSymbol;
    XLookupString(&key, bytes, sizeof bytes, &symbol, nullptr);
    KeySym lower = symbol, upper = symbol;
    XConvertCase(symbol, &lower, &upper);
    const KeySym plain = XLookupKeysym(&key, 0);
    if (symbol == XK_Break || plain == XK_Break || (plain == XK_Pause && key.state & ControlMask)) {
      hand_to_owner(key);
      return;
    }
    int answer = 0;
    switch (symbol) {
      case XK_Return: case XK_KP_Enter: case XK_space: case XK_KP_Space: answer = set_.buttons[focus_].id; break;
      case XK_Escape: answer = set_.on_close; break;
      case XK_Tab: move_focus(key.state & ShiftMask ? -1 : 1); break;
      case XK_ISO_Left_Tab: case XK_Left: case XK_Up: case XK_KP_Left: case XK_KP_Up: move_focus(-1); break;
      case XK_Right: case XK_Down: case XK_KP_Right: case XK_KP_Down: move_focus(1); break;
      default:
        for (const Button& button : set_.buttons) {
          if (button.letter != NoSymbol && lower == button.letter) answer = button.id;
        }
    }
    armed_key_ = answer ? key.keycode : 0;
    armed_answer_ = answer;
  }
  // Ctrl+Break is the owner's: its window ends the process with it, and the box goes too.
  void hand_to_owner(XKeyEvent key) {
    if (!owner_) return;
    key.window = owner_;
    key.subwindow = 0;
    XEvent event{};
    event.xkey = key;
    XSendEvent(display_, owner_, False, KeyPressMask, &event);
  }
  void on_key_release(const XKeyEvent& key) {
    if (armed_key_ != 0 && key.keycode == armed_key_) answer_ = armed_answer_;
  }

  void on_pointer(int x, int y, bool pressing, bool releasing) {
    if (pressing) {
      pressed_ = button_at(x, y);
      if (pressed_ < 0) return;
      focus_ = static_cast<size_t>(pressed_);
    }
    if (pressed_ < 0) return;
    pressed_inside_ = button_at(x, y) == pressed_;
    if (releasing) {
      if (pressed_inside_) answer_ = set_.buttons[static_cast<size_t>(pressed_)].id;
      pressed_ = -1;
    }
    paint();
  }

  // Without a window manager nothing keeps the box up: whenever another window is mapped or
  // restacked, or comes over the box, the box goes back to the top.
  void keep_above() { XRaiseWindow(display_, window_); }

  void handle(XEvent& event) {
    switch (event.type) {
      case Expose:
        if (event.xexpose.count == 0) show();
        if (!focus_taken_) {  // viewable now: the focus can be given to it
          focus_taken_ = true;
          take_focus(CurrentTime);
          ask_activation(CurrentTime);
        }
        break;
      case KeyPress: on_key_press(event.xkey); break;
      case KeyRelease: on_key_release(event.xkey); break;
      case ButtonPress:
        if (event.xbutton.button == Button1) on_pointer(event.xbutton.x, event.xbutton.y, true, false);
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1) on_pointer(event.xbutton.x, event.xbutton.y, false, true);
        break;
      case MotionNotify: on_pointer(event.xmotion.x, event.xmotion.y, false, false); break;
      case ReparentNotify:
        if (event.xreparent.window == window_) managed_ = event.xreparent.parent != root_;
        break;
      case VisibilityNotify:
        if (event.xvisibility.state != VisibilityUnobscured) keep_above();
        break;
      case ConfigureNotify:
        if (event.xconfigure.window == owner_) follow_owner(event.xconfigure);
        if (!managed_ && event.xconfigure.event == root_ && event.xconfigure.window != window_) keep_above();
        break;
      case MapNotify:
        if (!managed_ && event.xmap.event == root_ && event.xmap.window != window_) keep_above();
        break;
      case CirculateNotify:
        if (!managed_ && event.xcirculate.event == root_ && event.xcirculate.window != window_) keep_above();
        break;
      case ClientMessage:
        if (event.xclient.message_type != atoms_[wm_protocols]) break;
        if (static_cast<Atom>(event.xclient.data.l[0]) == atoms_[wm_delete_window]) answer_ = set_.on_close;
        if (static_cast<Atom>(event.xclient.data.l[0]) == atoms_[wm_take_focus])
          take_focus(static_cast<Time>(event.xclient.data.l[1]));
        break;
      default: break;
    }
  }

  Display* display_;
  int screen_;
  Window root_;
  XFontStruct* font_;
  std::string caption_;
  std::vector<std::string> lines_;
  ButtonSet set_;
  Layout layout_;
  Window owner_;
  struct {
    int width = 0, height = 0;
  } owner_size_;  // as the box was centred over it
  Atom atoms_[atom_count] = {};
  std::map<uint32_t, unsigned long> pixels_;  // the colours as the screen has them
  Window window_ = 0;
  Pixmap picture_ = 0;
  GC gc_ = nullptr;
  Window focus_before_ = 0;
  int focus_before_revert_ = RevertToParent;
  bool managed_ = false;      // a window manager has taken the box in
  bool focus_taken_ = false;
  size_t focus_ = 0;          // the focused button, which Return presses
  int pressed_ = -1;          // the button the left mouse button went down on
  bool pressed_inside_ = false;
  unsigned armed_key_ = 0;    // the key code that answers as it comes up, 0: none
  int armed_answer_ = 0;
  int answer_ = 0;
};

int not_shown(const std::string& caption, const std::string& why) {
  std::fprintf(stderr, "orbelin: the box \"%s\" could not be shown: %s\n", caption.c_str(), why.c_str());
  return 0;
}
}  // namespace

void set_message_box_owner(unsigned long x_window) { owner_window.store(x_window); }

int show_message_box_dialog(const std::string& caption, const std::string& text, UINT type) {
  const std::lock_guard one_at_a_time(box_mutex);
  Display* display = box_connection.load();
  if (!display) {
    display = XOpenDisplay(nullptr);
    if (!display) {
      const char* name = std::getenv("DISPLAY");
      return not_shown(caption, name && *name ? std::string("cannot open the X display \"") + name + "\""
                                              : std::string("no X display (DISPLAY is not set)"));
    }
    box_font = XLoadQueryFont(display, "fixed");
    if (!box_font) {
      XCloseDisplay(display);
      return not_shown(caption, "the X server has no \"fixed\" font");
    }
    previous_handler = XSetErrorHandler(on_x_error);
    box_connection.store(display);
  }
  XSync(display, True);  // nothing from before this box
  const int answer = Box(display, box_font, caption, text, type).answer();
  XSelectInput(display, DefaultRootWindow(display), NoEventMask);  // nothing piles up till the next box
  XSync(display, True);
  return answer;
}
