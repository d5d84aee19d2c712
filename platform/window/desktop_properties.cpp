#include "platform/window/desktop_properties.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>

namespace {
unsigned byte_at(const std::string& text, size_t at) {
  return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u;
}

// The length of the well-formed UTF-8 sequence at `at` (no overlong forms, no surrogates, nothing
// above U+10FFFF), or 0.
size_t sequence_at(const std::string& text, size_t at) {
  const unsigned lead = byte_at(text, at);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  const unsigned second = byte_at(text, at + 1);
  if (second < low || second > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if ((byte_at(text, at + i) & 0xC0) != 0x80) return 0;
  }
  return length;
}

bool valid_utf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    const size_t length = sequence_at(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

// Valid UTF-8 cut to the bound, backing off to the start of the sequence the bound falls in.
std::string cut_utf8(const std::string& text) {
  if (text.size() <= longest_title_for_x) return text;
  size_t end = longest_title_for_x;
  while (end > 0 && (byte_at(text, end) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string latin1_to_utf8(const std::string& text) {
  std::string utf8;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const size_t length = byte < 0x80 ? 1 : 2;
    if (utf8.size() + length > longest_title_for_x) break;
    if (length == 1) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | byte >> 6);
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

void set_text_property(Display* display, unsigned long window, const char* name, Atom type, const std::string& value) {
  XChangeProperty(display, window, XInternAtom(display, name, False), type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(value.data()), static_cast<int>(value.size()));
}
}  // namespace

std::string title_bytes_for_x(const Text& title) {
  return valid_utf8(title) ? cut_utf8(title) : title.substr(0, longest_title_for_x);
}

std::string title_utf8_for_x(const Text& title) {
  return valid_utf8(title) ? cut_utf8(title) : latin1_to_utf8(title);
}

void set_window_titles(Display* display, unsigned long window, const Text& title) {
  const std::string bytes = title_bytes_for_x(title);
  const std::string utf8 = title_utf8_for_x(title);
  const Atom utf8_string = XInternAtom(display, "UTF8_STRING", False);
  set_text_property(display, window, "WM_NAME", XA_STRING, bytes);
  set_text_property(display, window, "WM_ICON_NAME", XA_STRING, bytes);
  set_text_property(display, window, "_NET_WM_NAME", utf8_string, utf8);
  set_text_property(display, window, "_NET_WM_ICON_NAME", utf8_string, utf8);
  XFlush(display);
}

void set_size_hints(Display* display, unsigned long window, ClientSize size) {
  XSizeHints hints{};
  hints.flags = PSize | PMinSize;
  hints.width = hints.min_width = size.width;
  hints.height = hints.min_height = size.height;
  XSetWMNormalHints(display, window, &hints);
  XFlush(display);
}

void introduce_window(Display* display, unsigned long window, const Text& title, ClientSize size) {
  XWithdrawWindow(display, window, DefaultScreen(display));
  char instance[] = "orbelin";
  char program_class[] = "Orbelin";
  XClassHint class_hint{instance, program_class};
  XSetClassHint(display, window, &class_hint);
  set_size_hints(display, window, size);
  set_window_titles(display, window, title);
  XMapWindow(display, window);
  XFlush(display);
}
