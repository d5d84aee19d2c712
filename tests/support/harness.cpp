#include "tests/support/harness.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/platform.h"
#include "winapi/message_box.h"

void install_throwing_end_handler() {
  set_end_process_handler([](int code) { throw ProcessEnded{code}; });
}

int exit_code_of(const std::function<void()>& body) {
  try {
    body();
  } catch (const ProcessEnded& ended) {
    return ended.code;
  }
  return -1;
}

FakeClock::~FakeClock() { uninstall(); }

void FakeClock::install() {
  set_clock(Clock{[this] { return now_; }, [this](int64_t ms) { sleep(ms); },
                  [this](int64_t ms, const std::function<bool()>& woken) { return wait(ms, woken); }});
  installed_ = true;
}

void FakeClock::uninstall() {
  if (installed_) set_clock({});
  installed_ = false;
}

void FakeClock::advance(int64_t ms) {
  const int64_t target = now_ + (ms > 0 ? ms : 0);
  while (!actions_.empty() && actions_.begin()->first <= target) {
    auto due = actions_.begin();
    if (due->first > now_) now_ = due->first;
    auto action = std::move(due->second);
    actions_.erase(due);
    action();  // may throw: the clock then stands at the action's time
  }
  if (target > now_) now_ = target;
}

void FakeClock::at(int64_t time_ms, std::function<void()> action) { actions_.emplace(time_ms, std::move(action)); }

void FakeClock::sleep(int64_t ms) {
  sleeps_.push_back(ms);
  total_slept_ += ms;
  advance(ms);
  if (sleep_hook_) sleep_hook_(ms);
}

// The time a wait takes runs on from where an action leaves the clock, so an action that steps
// the clock backwards leaves the rest of the wait to run after the step.
int64_t FakeClock::wait(int64_t ms, const std::function<bool()>& woken) {
  sleeps_.push_back(ms);
  int64_t left = ms > 0 ? ms : 0;
  bool early = woken();
  while (!early && !actions_.empty() && actions_.begin()->first <= now_ + left) {
    auto due = actions_.begin();
    const int64_t step = std::max<int64_t>(0, due->first - now_);
    now_ += step;
    left -= step;
    total_slept_ += step;
    auto action = std::move(due->second);
    actions_.erase(due);
    action();  // may throw: the clock then stands at the action's time
    early = woken();
  }
  if (!early) {
    now_ += left;
    total_slept_ += left;
  }
  const int64_t slept = (ms > 0 ? ms : 0) - (early ? left : 0);
  if (sleep_hook_) sleep_hook_(slept);
  return slept;
}

ScriptedMessageBox::ScriptedMessageBox() : default_answer_(IDYES) {
  set_message_box_display([this](const std::string& caption, const std::string& text, UINT type) {
    return show(ShownBox{caption, text, type});
  });
}

ScriptedMessageBox::~ScriptedMessageBox() { set_message_box_display({}); }

void ScriptedMessageBox::answer(std::vector<int> answers) {
  std::lock_guard lock(mutex_);
  script_.insert(script_.end(), answers.begin(), answers.end());
}

void ScriptedMessageBox::set_default_answer(int answer) {
  std::lock_guard lock(mutex_);
  default_answer_ = answer;
}

void ScriptedMessageBox::on_show(std::function<void(const ShownBox&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<ShownBox> ScriptedMessageBox::boxes() const {
  std::lock_guard lock(mutex_);
  return boxes_;
}

void ScriptedMessageBox::clear() {
  std::lock_guard lock(mutex_);
  boxes_.clear();
}

int ScriptedMessageBox::show(const ShownBox& box) {
  std::function<void(const ShownBox&)> hook;
  int answer;
  {
    std::lock_guard lock(mutex_);
    boxes_.push_back(box);
    hook = hook_;
    answer = next_ < script_.size() ? script_[next_++] : default_answer_;
  }
  if (hook) hook(box);
  return answer;
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("orbelin-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Folders a test made unreadable are opened again so that they can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempFolder::write(const std::string& name, const std::string& bytes) const {
  const auto file = path_ / name;
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file;
}

void TempFolder::append(const std::string& name, const std::string& bytes) const {
  std::ofstream out(path_ / name, std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string file_bytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

CurrentFolder::CurrentFolder(const std::filesystem::path& folder) : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(folder);
}

CurrentFolder::~CurrentFolder() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

void PlatformTest::SetUp() {
  reset_platform();
  install_throwing_end_handler();
  clock.install();
}

void PlatformTest::TearDown() {
  reset_platform();  // also the real clock again
}
