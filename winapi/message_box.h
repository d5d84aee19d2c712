// Our stand-in for MessageBoxA. Where the box is shown is a seam: the real dialog on the X
// display, or a test's scripted answerer that records every box it was shown.
#pragma once
#include <functional>
#include <string>

#include "winapi/windows_types.h"

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_SYSTEMMODAL = 0x1000;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Shows the box and gives the button's id, or 0 when it could not be shown.
using MessageBoxDisplay = std::function<int(const std::string& caption, const std::string& text, UINT type)>;
void set_message_box_display(MessageBoxDisplay display);  // empty: the real dialog again

// The real dialog, a window of our own on the X display (message_box_dialog.cpp); 0, with a line
// on standard error, when it cannot be shown.
int show_message_box_dialog(const std::string& caption, const std::string& text, UINT type);
