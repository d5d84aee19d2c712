// What the robustness tests share on top of the plotter harness: runs counted in refreshes (a
// refresh may sleep inside, for every printed byte 7), a fresh start over the files as they
// stand for comparing pictures, records at known places, and the process's open descriptors.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/plotter/plotter_harness.h"

using BoxList = std::vector<std::pair<int, int>>;  // error number at step number

class RobustnessTest : public PlotterTest {
 protected:
  void SetUp() override;

  // Runs the plotter from its start until refresh `count` has read its log: it stops as that
  // refresh's pass begins its pause (file 1 still open, the picture complete), or when the
  // process ends. Runs once per test, except after fresh_start(). (run_passes still works: it
  // stops at its pass, whatever the refreshes.)
  RunEnd run_refreshes(int count);
  // Runs as each refresh's pass ends its pause (file 1 still open), with the refresh's number from 1.
  void after_each_refresh(std::function<void(int refresh)> hook) { refresh_hook_ = std::move(hook); }
  // A fresh process over the files as they stand: the platform reset and nothing of the run
  // before kept but the clock's time. Follow it with run_refreshes.
  void fresh_start();

  // The chart position of a spot of whole minutes and whole multiples of 5 dB (no rounding).
  static int spot_x(int hours, int minutes) { return 32 + hours * 24 + minutes * 2 / 5; }
  static int spot_y(int snr_db) { return 345 - (snr_db * 32 / 5 + 194); }
  // "CALL,FT8,hh:mm:00,snr,smeter".
  static std::string record(const std::string& call, int hours, int minutes, int snr_db, int smeter = -20);

  // Boxes shown so far that are not in `allowed`.
  BoxList boxes_other_than(const std::set<std::pair<int, int>>& allowed) const;

 private:
  std::function<void(int)> refresh_hook_;
  int refreshes_done_ = 0;
  int refreshes_wanted_ = 0;
  bool in_refresh_pause_ = false;
};

// The process's open file descriptors, each with what it leads to.
std::vector<std::string> open_descriptors();

// A deterministic byte generator (xorshift), so that "random" logs are the same at every run.
class ByteSource {
 public:
  explicit ByteSource(uint64_t seed) : state_(seed ? seed : 1) {}
  uint8_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<uint8_t>(state_ >> 24);
  }

 private:
  uint64_t state_;
};
