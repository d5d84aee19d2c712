// The shell stand-in over posix_spawn.
#include "winapi/shell.h"

#include <dirent.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "winapi/files.h"

extern char** environ;

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_without_case(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

bool is_program(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string own_folder() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string folder(path, static_cast<size_t>(length));
  return folder.substr(0, folder.rfind('/'));
}

// A program in `folder` named `name` (exactly, else without regard to case).
std::string program_in(const std::string& folder, const std::string& name) {
  if (folder.empty()) return {};
  const std::string exact = folder + "/" + name;
  if (is_program(exact)) return exact;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return {};
  std::string found;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string candidate = folder + "/" + entry->d_name;
    if (same_without_case(name, entry->d_name) && is_program(candidate) && (found.empty() || candidate < found))
      found = candidate;
  }
  ::closedir(dir);
  return found;
}

std::string without_quotes(std::string name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
  return name;
}

bool spawn(const std::string& program, const std::vector<std::string>& arguments, const char* folder,
           bool own_session, bool search_path, pid_t* pid) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  if (folder && *folder) posix_spawn_file_actions_addchdir_np(&actions, folder);
  if (own_session) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  const int result = search_path ? posix_spawnp(pid, program.c_str(), &actions, &attributes, argv.data(), environ)
                                 : posix_spawn(pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0;
}

}  // namespace

std::vector<std::string> split_command_line(const std::string& line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= n) break;
    std::string argument;
    bool quoted = false;
    while (i < n) {
      const char c = line[i];
      if (!quoted && (c == ' ' || c == '\t')) break;
      if (c == '\\') {
        size_t backslashes = 0;
        while (i < n && line[i] == '\\') ++backslashes, ++i;
        if (i < n && line[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument.push_back('"');
            ++i;
          }
        } else {
          argument.append(backslashes, '\\');
        }
        continue;
      }
      if (c == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          argument.push_back('"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      argument.push_back(c);
      ++i;
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

std::string find_program(const std::string& given) {
  std::string name = without_quotes(given);
  if (name.empty()) return {};
  std::vector<std::string> names{name};
  if (name.size() > 4 && same_without_case(name.substr(name.size() - 4), ".exe")) names.push_back(name.substr(0, name.size() - 4));

  if (name.find_first_of("/\\") != std::string::npos) {
    for (const auto& candidate : names) {
      DWORD error = 0;
      const std::string path = resolve_windows_name(candidate.c_str(), &error);
      if (!path.empty() && is_program(path)) return path;
    }
    return {};
  }
  for (const auto& candidate : names)
    if (auto found = program_in(own_folder(), candidate); !found.empty()) return found;
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (const auto& candidate : names) {
    for (size_t start = 0; start <= folders.size();) {
      const size_t end = std::min(folders.find(':', start), folders.size());
      const std::string folder = end > start ? folders.substr(start, end - start) : ".";
      if (auto found = program_in(folder, candidate); !found.empty()) return found;
      start = end + 1;
    }
  }
  return {};
}

BOOL ShellExecuteExA(SHELLEXECUTEINFOA* info) {
  if (!info || !info->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  const std::string program = find_program(info->lpFile);
  pid_t pid = 0;
  if (program.empty() ||
      !spawn(program, split_command_line(info->lpParameters ? info->lpParameters : ""), info->lpDirectory, false, false, &pid)) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(SE_ERR_FNF);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  info->hInstApp = reinterpret_cast<HINSTANCE>(intptr_t{33});  // above 32: success
  HANDLE process = make_process_handle(pid);
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
    info->hProcess = process;
  else
    CloseHandle(process);  // reaped in the background
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  int pid = 0;
  if (!process_of_handle(object, &pid)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (pid == 0) return WAIT_OBJECT_0;  // waited for already
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const pid_t done = ::waitpid(pid, nullptr, milliseconds == INFINITE ? 0 : WNOHANG);
    if (done == pid || (done < 0 && errno == ECHILD)) {
      mark_process_waited(object);
      return WAIT_OBJECT_0;
    }
    if (done < 0 && errno != EINTR) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    if (milliseconds != INFINITE) {
      if (std::chrono::steady_clock::now() >= deadline) return WAIT_TIMEOUT;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

bool spawn_detached(const std::string& program, const std::vector<std::string>& arguments) {
  pid_t pid = 0;
  if (!spawn(program, arguments, nullptr, true, true, &pid)) return false;
  // The started program outlives us; a background reaper takes it if we outlive it.
  CloseHandle(make_process_handle(pid));
  return true;
}
