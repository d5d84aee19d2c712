// One refresh of the plotter, headless on a fake clock, over an arbitrary setup file and spot
// log, every box answered Yes: it must end (within a bound on boxes that the files' size gives,
// and at the first pass's pause), leave only attributes 0 to 15 in the picture and hold no file
// open afterwards. Input: two bytes giving the setup file's length, the setup file, the log.
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "plotter/plotter.h"
#include "plotter/state.h"
#include "winapi/files.h"
#include "winapi/message_box.h"
#include "winapi/user32.h"

namespace {

struct StopRun {};
struct ProcessEnded {};

std::string folder;
size_t boxes = 0, box_limit = 0;
int64_t fake_now = 0;

// A descriptor that leads into the folder: a file of the run left open. (The fuzzer's own
// pipes, to its symbolizer, come and go.)
bool folder_file_open() {
  bool found = false;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (const dirent* entry = ::readdir(dir)) {
      char target[4096] = {};
      const std::string link = std::string("/proc/self/fd/") + entry->d_name;
      if (::readlink(link.c_str(), target, sizeof target - 1) > 0 && std::string(target).rfind(folder + "/", 0) == 0) {
        std::fprintf(stderr, "left open: %s\n", target);
        found = true;
      }
    }
    ::closedir(dir);
  }
  return found;
}

void empty_folder() {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) std::abort();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ::unlink((folder + "/" + name).c_str());
  }
  ::closedir(dir);
}

void write_bytes(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The log path as the refresh will read it: the setup file's first field, up to a zero byte.
Text first_setup_value() {
  reset_platform();
  open_input_file("Orbelin020.SET", 1);
  Text path;
  read_text_field(1, path);
  close_file(1);
  reset_errors();
  return path.substr(0, path.find('\0'));
}

bool is_plain_name(const Text& name) {
  return !name.empty() && name.size() <= 200 && name != "." && name != ".." &&
         name.find_first_of("/\\:") == Text::npos;
}

bool names_a_port(const Text& name) {
  Text rest = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
  return rest.size() >= 4 && (rest[0] | 0x20) == 'c' && (rest[1] | 0x20) == 'o' && (rest[2] | 0x20) == 'm' &&
         rest[3] >= '0' && rest[3] <= '9';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char name[] = "/tmp/orbelin-fuzz-refresh-XXXXXX";
  if (!::mkdtemp(name) || ::chdir(name) != 0) std::abort();
  folder = name;
  std::atexit([] {
    empty_folder();
    ::rmdir(folder.c_str());
  });
  set_message_box_display([](const std::string&, const std::string&, UINT) {
    if (++boxes > box_limit) std::abort();  // a run of boxes that the files cannot account for
    return IDYES;
  });
  set_end_process_handler([](int) { throw ProcessEnded{}; });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t setup_size = std::min<size_t>(data[0] | data[1] << 8, size - 2);
  const uint8_t* setup = data + 2;
  const uint8_t* log = setup + setup_size;
  const size_t log_size = size - 2 - setup_size;

  empty_folder();
  write_bytes("Orbelin020.SET", setup, setup_size);
  // The log goes under the name the setup file gives when that is a plain name in the folder;
  // a path that leads anywhere else on this machine is not followed.
  const Text log_path = first_setup_value();
  if (names_a_port(log_path)) return 0;
  if (log_path == "Orbelin020.SET") {
    // The setup file read as the log too.
  } else if (is_plain_name(log_path)) {
    write_bytes(log_path, log, log_size);
  } else {
    DWORD error = 0;
    if (!resolve_windows_name(log_path.c_str(), &error).empty()) return 0;
  }

  reset_platform();
  reset_user32();
  set_clock(Clock{[] { return fake_now; }, [](int64_t ms) {
                    fake_now += ms;
                    // The first pass's pause, after its refresh.
                    if (ms == 100 && plotter_state.refresh_counter == 0) throw StopRun{};
                  },
                  {}});
  boxes = 0;
  // Nine boxes for the setup file, three for a log that cannot be opened, one a record.
  box_limit = 16 + log_size;
  try {
    run_plotter();
  } catch (const StopRun&) {
  } catch (const ProcessEnded&) {
    std::abort();  // nothing here may end the process
  }
  for (const uint8_t attribute : screen_state().pixels)
    if (attribute > 15) std::abort();
  reset_platform();
  if (folder_file_open()) std::abort();
  return 0;
}
