// Running a command line through the shell and waiting for the process it starts.
#include "platform/commands.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "platform/errors.h"
#include "platform/front_end.h"
#include "platform/screen.h"
#include "winapi/files.h"
#include "winapi/shell.h"

namespace {

// The command interpreter's own commands: no program of that name is tried for them.
constexpr std::array<std::string_view, 46> built_in_commands = {
    "ASSOC", "BREAK", "BCDBOOT", "BCDEDIT", "CALL", "CD", "CHDIR", "CLS", "COLOR", "COPY", "DATE", "DEFRAG",
    "DEL", "DIR", "ECHO", "ENDLOCAL", "ERASE", "FOR", "FTYPE", "GOTO", "GRAFTABL", "IF", "MD", "MKDIR",
    "MKLINK", "MOVE", "PATH", "PAUSE", "POPD", "PROMPT", "PUSHD", "RD", "REM", "REN", "RENAME", "RMDIR",
    "SET", "SETLOCAL", "SHIFT", "START", "TIME", "TITLE", "TYPE", "VER", "VERIFY", "VOL"};

bool is_built_in(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return std::find(built_in_commands.begin(), built_in_commands.end(), text) != built_in_commands.end();
}

bool try_start(SHELLEXECUTEINFOA& info, const std::string& file, const std::string* parameters) {
  info = SHELLEXECUTEINFOA{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;  // 0x440
  info.lpVerb = nullptr;
  info.lpFile = file.c_str();
  info.lpParameters = parameters ? parameters->c_str() : nullptr;
  info.nShow = SW_SHOW;
  return ShellExecuteExA(&info) != FALSE;
}

// The position of the first blank outside double quotes, or npos.
size_t first_blank_outside_quotes(const Text& line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    else if (line[i] == ' ' && !quoted) return i;
  }
  return Text::npos;
}

}  // namespace

void run_command(const Text& command_line) {
  if (error_pending()) return;
  // The shell takes a C string: the line ends at its first zero byte.
  const Text line = command_line.substr(0, command_line.find('\0'));
  SHELLEXECUTEINFOA info{};
  bool started = !is_built_in(line) && try_start(info, line, nullptr);
  if (!started) {
    const size_t blank = first_blank_outside_quotes(line);
    if (blank != Text::npos) {
      const Text first_word = line.substr(0, blank);
      const Text rest = line.substr(blank + 1);
      started = !is_built_in(first_word) && try_start(info, first_word, &rest);
    }
  }
  if (!started) {
    const Text parameters = " /c " + line;
    started = try_start(info, "cmd", &parameters);
  }
  if (!started || !info.hProcess) return;  // nothing could be started: no effect, no message
  flush_screen_text();  // the picture holds while the command runs: show all of it
  notify_command_starting();
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);
  notify_command_finished();
}
