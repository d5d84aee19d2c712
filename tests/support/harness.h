// What platform and plotter tests share: the end of the process as an exception, a clock that
// advances instantly, a message box that answers by script, and a temporary folder.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "winapi/windows_types.h"

// Thrown by the test end-process handler in place of ending the process.
struct ProcessEnded {
  int code;
};
void install_throwing_end_handler();

// Runs `body` and gives the exit code it ended the process with, or -1 when it returned.
int exit_code_of(const std::function<void()>& body);

// A millisecond clock that moves only when the platform sleeps (or the test moves it).
// Actions scheduled for a time run when a sleep reaches that time, with the clock standing at
// it; an action may press keys, request the exit, or throw to stop a run. A wait is a sleep
// that ends as soon as its condition holds after an action (the one that woke it).
class FakeClock {
 public:
  explicit FakeClock(int64_t start_ms = 0) : now_(start_ms) {}
  ~FakeClock();
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  void install();    // becomes the platform's clock
  void uninstall();  // the real clock again (also done by the destructor)

  int64_t now() const { return now_; }
  void set_now(int64_t ms) { now_ = ms; }  // may step backwards; runs nothing
  void advance(int64_t ms);                // as a sleep would, running what falls due

  void at(int64_t time_ms, std::function<void()> action);  // runs once the clock reaches time_ms
  void after(int64_t delay_ms, std::function<void()> action) { at(now_ + delay_ms, std::move(action)); }
  // Called after every sleep with the clock already advanced (e.g. to step it backwards).
  void on_every_sleep(std::function<void(int64_t slept)> hook) { sleep_hook_ = std::move(hook); }

  const std::vector<int64_t>& sleeps() const { return sleeps_; }  // every sleep and wait asked, in order
  int64_t total_slept() const { return total_slept_; }            // the time they took
  void clear_sleeps() { sleeps_.clear(); total_slept_ = 0; }

 private:
  void sleep(int64_t ms);
  int64_t wait(int64_t ms, const std::function<bool()>& woken);
  int64_t now_;
  bool installed_ = false;
  std::multimap<int64_t, std::function<void()>> actions_;
  std::function<void(int64_t)> sleep_hook_;
  std::vector<int64_t> sleeps_;
  int64_t total_slept_ = 0;
};

// One box as the platform showed it.
struct ShownBox {
  std::string caption;
  std::string text;
  UINT type;
  bool operator==(const ShownBox&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const ShownBox& box) {
  return out << "{caption \"" << box.caption << "\", text \"" << box.text << "\", type 0x" << std::hex
             << box.type << std::dec << "}";
}

// Answers every box by script (then by the default answer) and records it. Installed while it lives.
class ScriptedMessageBox {
 public:
  ScriptedMessageBox();
  ~ScriptedMessageBox();
  ScriptedMessageBox(const ScriptedMessageBox&) = delete;
  ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

  void answer(std::vector<int> answers);  // appended to the script: IDYES, IDNO, IDOK, or 0 (not shown)
  void set_default_answer(int answer);    // when the script is used up; IDYES at first
  // Runs when a box is shown, before it is answered (e.g. to stop a run after N boxes).
  void on_show(std::function<void(const ShownBox&)> hook);
  std::vector<ShownBox> boxes() const;    // every box shown, in order
  void clear();

 private:
  int show(const ShownBox& box);
  mutable std::mutex mutex_;
  std::vector<int> script_;
  size_t next_ = 0;
  int default_answer_;
  std::function<void(const ShownBox&)> hook_;
  std::vector<ShownBox> boxes_;
};

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path write(const std::string& name, const std::string& bytes) const;  // makes folders on the way
  void append(const std::string& name, const std::string& bytes) const;

 private:
  std::filesystem::path path_;
};

// The whole of a file, byte for byte (empty when it cannot be read).
std::string file_bytes(const std::filesystem::path& file);

// Makes a folder the current one while it lives.
class CurrentFolder {
 public:
  explicit CurrentFolder(const std::filesystem::path& folder);
  ~CurrentFolder();
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  std::filesystem::path previous_;
};

// A fresh platform for every test: reset, the throwing end handler, the fake clock and a
// scripted message box (answering Yes) installed.
class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  FakeClock clock;
  ScriptedMessageBox message_boxes;
};
