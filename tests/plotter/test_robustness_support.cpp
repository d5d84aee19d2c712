#include "tests/plotter/test_robustness_support.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

#include "winapi/user32.h"

void RobustnessTest::SetUp() {
  PlotterTest::SetUp();
  // A refresh's pass ends with its pause of 100 ms with the counter at 0; a byte 7 inside the
  // refresh sleeps 250 ms, the start-up pause runs with the counter at 99.
  clock.on_every_sleep([this](int64_t slept) {
    if (plotter_state.refresh_counter != 0) {
      in_refresh_pause_ = false;
      return;
    }
    if (slept != 100 || in_refresh_pause_) return;
    in_refresh_pause_ = true;
    ++refreshes_done_;
    if (refresh_hook_) refresh_hook_(refreshes_done_);
    if (refreshes_wanted_ > 0 && refreshes_done_ >= refreshes_wanted_) throw StopRun{};
  });
}

RunEnd RobustnessTest::run_refreshes(int count) {
  refreshes_wanted_ = count;
  // The harness's own stop lies far beyond any refresh asked for.
  return run_passes(1'000'000, 1'000'000'000);
}

void RobustnessTest::fresh_start() {
  reset_platform();
  reset_user32();
  reset_plotter_state();
  clock.install();  // the reset put the real clock back
  refresh_hook_ = {};
  refreshes_done_ = 0;
  in_refresh_pause_ = false;
}

std::string RobustnessTest::record(const std::string& call, int hours, int minutes, int snr_db, int smeter) {
  char time[16];
  std::snprintf(time, sizeof time, "%02d:%02d:00", hours, minutes);
  return call + ",FT8," + time + "," + std::to_string(snr_db) + "," + std::to_string(smeter);
}

BoxList RobustnessTest::boxes_other_than(const std::set<std::pair<int, int>>& allowed) const {
  BoxList others;
  for (const auto& box : box_errors_and_steps())
    if (!allowed.count(box)) others.push_back(box);
  return others;
}

std::vector<std::string> open_descriptors() {
  std::vector<std::string> found;
  DIR* dir = ::opendir("/proc/self/fd");
  if (!dir) return {"<no /proc/self/fd>"};
  const int own = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    const int fd = std::atoi(entry->d_name);
    if (fd == own) continue;
    char target[PATH_MAX] = {};
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    found.push_back(std::to_string(fd) + " -> " + (length > 0 ? std::string(target, static_cast<size_t>(length)) : "?"));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}
