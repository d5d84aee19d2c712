// The real message box dialog (xmessage) as a child process; the end of the process takes it down.
#pragma once

// Ends the dialog that is open, if any (from any thread): a process that ends leaves no box behind.
void close_message_box_dialogs();
