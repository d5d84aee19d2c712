// The real dialog is not built yet: the box cannot be shown.
#include "winapi/message_box.h"

int show_message_box_dialog(const std::string& /*caption*/, const std::string& /*text*/, UINT /*type*/) { return 0; }
