// The message box as a real dialog on the X display: xmessage, started without a shell and
// waited for. The text goes through its standard input, so no byte of it can be taken for an
// option, and its line feeds are line breaks as they stand.
#include "winapi/message_box_dialog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "winapi/message_box.h"

extern char** environ;

namespace {
std::atomic<pid_t> open_dialog{0};

struct ButtonSet {
  const char* buttons;      // label:exit value, as xmessage takes them; the values are the button ids
  const char* default_one;  // the button that Return presses
  const char* keys;         // the keys that press a button, as Windows' boxes take them
};

ButtonSet buttons_for(UINT type) {
  switch (type & 0xF) {
    case 1: return {"OK:1,Cancel:2", "OK", "<Key>Escape: exit(2)"};
    case 3: return {"Yes:6,No:7,Cancel:2", "Yes", "<Key>y: exit(6)\\n<Key>n: exit(7)\\n<Key>Escape: exit(2)"};
    case MB_YESNO: return {"Yes:6,No:7", "Yes", "<Key>y: exit(6)\\n<Key>Y: exit(6)\\n<Key>n: exit(7)\\n<Key>N: exit(7)"};
    case 5: return {"Retry:4,Cancel:2", "Retry", "<Key>Escape: exit(2)"};
    default: return {"OK:1", "OK", ""};
  }
}

bool is_button_id(UINT type, int value) {
  switch (type & 0xF) {
    case 1: return value == IDOK || value == 2;
    case 3: return value == IDYES || value == IDNO || value == 2;
    case MB_YESNO: return value == IDYES || value == IDNO;
    case 5: return value == 4 || value == 2;
    default: return value == IDOK;
  }
}

// The environment with LC_ALL=C, which keeps xmessage from warning about the character set.
std::vector<std::string> dialog_environment() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    if (std::strncmp(*e, "LC_ALL=", 7) != 0) env.emplace_back(*e);
  }
  env.emplace_back("LC_ALL=C");
  return env;
}

// Writes the whole text into the pipe. A dialog that has already gone (no display, say) must not
// take the process down with SIGPIPE, so the signal is held on this thread and dropped after.
void write_text(int fd, const std::string& text) {
  sigset_t pipe_only, previous;
  sigemptyset(&pipe_only);
  sigaddset(&pipe_only, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_only, &previous);
  bool broken = false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      broken = (n < 0 && errno == EPIPE);
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (broken) {
    const timespec no_wait{0, 0};
    while (sigtimedwait(&pipe_only, nullptr, &no_wait) == SIGPIPE) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}
}  // namespace

int show_message_box_dialog(const std::string& caption, const std::string& text, UINT type) {
  const ButtonSet set = buttons_for(type);
  // Centred on the screen, not over the picture's corner; a short text needs no scroll bar; the
  // keys join Return, which presses the default button anywhere in the box.
  std::vector<std::string> args = {"xmessage", "-center", "-title", caption, "-buttons", set.buttons,
                                   "-default", set.default_one, "-xrm", "*message.scrollVertical: Never"};
  if (*set.keys) {
    args.emplace_back("-xrm");
    args.emplace_back(std::string("*baseTranslations: #override :<Key>Return: default-exit()\\n") + set.keys);
  }
  args.emplace_back("-file");
  args.emplace_back("-");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = dialog_environment();
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int text_pipe[2];
  if (pipe2(text_pipe, O_CLOEXEC) != 0) return 0;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, text_pipe[0], STDIN_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);  // the dialog gets none of our files
#endif
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, pipe_default;
  sigemptyset(&none);
  sigemptyset(&pipe_default);
  sigaddset(&pipe_default, SIGPIPE);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &pipe_default);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "xmessage", &actions, &attr, argv.data(), envp.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  ::close(text_pipe[0]);
  if (spawned != 0) {
    ::close(text_pipe[1]);
    return 0;
  }
  open_dialog.store(pid);
  write_text(text_pipe[1], text);
  ::close(text_pipe[1]);

  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  open_dialog.store(0);
  if (waited != pid || !WIFEXITED(status)) return 0;
  const int value = WEXITSTATUS(status);
  return is_button_id(type, value) ? value : 0;
}

void close_message_box_dialogs() {
  const pid_t pid = open_dialog.exchange(0);
  if (pid > 0) ::kill(pid, SIGTERM);
}
