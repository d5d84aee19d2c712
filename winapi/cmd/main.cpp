// Our stand-in for the command interpreter, as "cmd /c COMMAND" runs it: it knows "start".
//   start notepad FILE   opens FILE in the desktop's text editor
//   start DOCUMENT       opens the document with the program the desktop associates with it
// Both go through xdg-open, which is not waited for: like the real one, this returns at once.
// FILE and DOCUMENT are found as the platform's files are (without regard to case, in the
// current folder) and xdg-open is handed the absolute path of the file found.
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "winapi/files.h"
#include "winapi/shell.h"

namespace {

bool same_without_case(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return i == a.size() && !b[i];
}

std::string absolute(const std::string& name) {
  DWORD error = 0;
  std::string path = resolve_windows_name(name.c_str(), &error);
  if (path.empty()) {
    // Not there (yet): the name as given, with its separators.
    path = name;
    for (char& c : path)
      if (c == '\\') c = '/';
  }
  if (!path.empty() && path[0] != '/') {
    char folder[PATH_MAX];
    if (::getcwd(folder, sizeof folder)) path = std::string(folder) + "/" + path;
  }
  return path;
}

bool looks_like_url(const std::string& text) {
  const size_t colon = text.find("://");
  return colon != std::string::npos && colon > 1;
}

int run(std::vector<std::string> words);

int start(std::vector<std::string> words) {
  // Options of start (/B, /WAIT, /MIN ...) change nothing here.
  size_t i = 1;
  while (i < words.size() && !words[i].empty() && words[i][0] == '/') ++i;
  if (i >= words.size()) return 0;
  std::string target = words[i];
  if ((same_without_case(target, "notepad") || same_without_case(target, "notepad.exe")) && i + 1 < words.size())
    target = words[i + 1];
  else if (same_without_case(target, "notepad") || same_without_case(target, "notepad.exe"))
    return 0;
  if (same_without_case(target, "cmd") || same_without_case(target, "cmd.exe"))
    return run(std::vector<std::string>(words.begin() + static_cast<long>(i) + 1, words.end()));
  const std::string document = looks_like_url(target) ? target : absolute(target);
  return spawn_detached("xdg-open", {document}) ? 0 : 1;
}

// words: the command after /c, split.
int run(std::vector<std::string> words) {
  if (words.empty()) return 0;
  if (same_without_case(words[0], "start")) return start(std::move(words));
  if (same_without_case(words[0], "cmd") || same_without_case(words[0], "cmd.exe")) {
    size_t i = 1;
    while (i < words.size() && !(same_without_case(words[i], "/c") || same_without_case(words[i], "/k"))) ++i;
    if (i >= words.size()) return 0;
    return run(std::vector<std::string>(words.begin() + static_cast<long>(i) + 1, words.end()));
  }
  return 1;  // not a command this interpreter knows
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> words(argv + 1, argv + argc);
  size_t i = 0;
  while (i < words.size() && !(same_without_case(words[i], "/c") || same_without_case(words[i], "/k"))) ++i;
  if (i >= words.size()) return 0;
  return run(std::vector<std::string>(words.begin() + static_cast<long>(i) + 1, words.end()));
}
