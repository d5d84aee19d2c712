// MessageBoxA over the display seam.
#include "winapi/message_box.h"

#include <mutex>
#include <utility>

namespace {
std::mutex display_mutex;
MessageBoxDisplay display;  // empty: the real dialog
}  // namespace

void set_message_box_display(MessageBoxDisplay new_display) {
  std::lock_guard lock(display_mutex);
  display = std::move(new_display);
}

int MessageBoxA(HWND /*owner*/, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxDisplay shown_by;
  {
    std::lock_guard lock(display_mutex);
    shown_by = display;
  }
  const std::string caption_text = caption ? caption : "Error";
  const std::string body = text ? text : "";
  if (shown_by) return shown_by(caption_text, body, type);
  return show_message_box_dialog(caption_text, body, type);
}
