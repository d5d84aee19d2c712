// A small program on the real window for the end-to-end tests. It draws through the platform,
// reads keys, raises errors and ends the way Orbelin does; it tells the test what it did, one
// line at a time on standard output.
//
// Arguments: "titled" sets the title before the window exists, "mode" draws the pattern at
// once. Keys it acts on: t retitles, m chooses the screen mode, p draws the pattern, c the cream
// screen, e raises error 53 (its box), k the critical error 259, r runs a command (a dialog
// titled ProbeCommand) and waits for it, Escape ends through the prompt.
#include <cstdio>
#include <string>

#include "pattern.h"
#include "platform/platform.h"
#include "platform/window/start.h"

namespace {
bool titled = false;
bool pattern_at_once = false;

void report(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void poll(int32_t step) {
  if (!event_flag_is_set()) return;
  const bool paused = pause_is_on();
  if (paused) report("paused");
  poll_events(step);
  if (paused) report("resumed");
}

std::string describe(const Text& key) {
  std::string line = "key";
  for (const unsigned char byte : key) {
    line += ' ';
    line += std::to_string(byte);
  }
  return line;
}

void probe_entry() {
  if (titled) set_window_title("Orbelin Probe");
  if (pattern_at_once) {
    draw_probe_pattern();
    report("drawn");
  }
  report("running");
  for (;;) {
    const Text key = read_key();
    poll(344);
    if (key.empty()) {
      clock_sleep_ms(5);
      poll(0);
      continue;
    }
    report(describe(key));
    if (key == "\x1b") {
      report("escape");
      end_program();
    }
    switch (key[0]) {
      case 't': set_window_title(Text("Orbelin Probe Retitled\0ignored", 30)); report("retitled"); break;
      case 'm': set_screen_mode(12); report("mode"); break;
      case 'p': draw_probe_pattern(); report("drawn"); break;
      case 'c': draw_cream_screen(); report("cream"); break;
      case 'e':
        open_input_file("no such file.csv", 1);
        poll(282);
        report("answered");
        break;
      case 'k': raise_error(259); break;
      case 'r':
        run_command("xmessage -default okay -title ProbeCommand waiting");
        report("command done");
        break;
      default: break;
    }
  }
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "titled") titled = true;
    if (arg == "mode") pattern_at_once = true;
  }
  return run_platform(argc, argv, probe_entry);
}
