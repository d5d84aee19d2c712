// The refresh, through the real plotter on the headless platform: its fixed part (setup file,
// legend, chart frame, scales), then whole refreshes over spot logs of 10,000 to 1,000,000
// records, realistic (a few thousand distinct calls) and hostile (every call distinct). Prints
// the time per record beside a plain buffered parse of the same file, and the peak memory of
// each run (each runs in a child process of its own). Not a test: nothing here is asserted.
//
// On the development machine, 1,000,000 records (Release build):
//               realistic   hostile   plain parse   peak memory
//   before      4.6 us      4.8 us    0.17 us       3.4 MiB    every printed cell painted at once,
//                                                              numbers through printf and strtold
//   now         0.82 us     0.76 us   0.17 us       2.6 MiB    text painted lazily, only where a
//                                                              cell's pixels change; exact fast paths
//                                                              for numbers; circle tables
//
//   bench_refresh [max_records]               (default 1000000)
//   bench_refresh records realistic|hostile [n]   n refreshes (1) of one log in this process (for a profiler)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plotter/plotter.h"
#include "plotter/refresh.h"
#include "plotter/state.h"
#include "winapi/message_box.h"

namespace {

namespace fs = std::filesystem;
using Wall = std::chrono::steady_clock;

const char* const tracked[6] = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA"};

double seconds_since(Wall::time_point start) {
  return std::chrono::duration<double>(Wall::now() - start).count();
}

// A call of the usual shape: a prefix, a digit, a suffix of one to three letters.
std::string make_call(std::mt19937& random) {
  static const char* const prefixes[] = {"DL", "G", "F", "EA", "I", "PA", "ON", "OK", "SP", "HA", "K", "W",
                                         "N", "VE", "JA", "VK", "ZL", "PY", "LU", "ZS", "UA", "OH", "SM"};
  std::string call = prefixes[random() % (sizeof prefixes / sizeof *prefixes)];
  call += static_cast<char>('0' + random() % 10);
  const int letters = 1 + static_cast<int>(random() % 3);
  for (int i = 0; i < letters; ++i) call += static_cast<char>('A' + random() % 26);
  return call;
}

// Writes the log line by line (nothing of it is kept in memory). Realistic: 3,000 calls, the
// tracked six among the most heard; hostile: a new call on every record.
void write_log(const fs::path& path, long records, bool hostile) {
  std::mt19937 random(20180318);
  std::vector<std::string> calls;
  for (int i = 0; i < 3000; ++i) calls.push_back(make_call(random));
  for (int i = 0; i < 6; ++i) calls[static_cast<std::size_t>(i)] = tracked[i];
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fputs("RxSpot 3.2 spot log\r\n", out);
  char line[128];
  for (long i = 0; i < records; ++i) {
    std::string call;
    if (hostile) {
      char own[24];
      std::snprintf(own, sizeof own, "X%07ldQ", i % 10000000);  // distinct, and none inside another's text
      call = own;
    } else {
      // Heard unevenly: low indices (the tracked calls among them) far more often.
      const double u = std::generate_canonical<double, 32>(random);
      call = calls[static_cast<std::size_t>(u * u * u * 3000.0) % 3000];
    }
    const long second = i * 86400 / records;
    const int snr = -30 + static_cast<int>(random() % 46);
    const double smeter = -60.0 + static_cast<double>(random() % 590) / 10.0;
    std::snprintf(line, sizeof line, "%s,14074.%03d FT8,%02ld:%02ld:%02ld,%d,%.1f\r\n", call.c_str(),
                  static_cast<int>(random() % 1000), second / 3600, second / 60 % 60, second % 60, snr, smeter);
    std::fputs(line, out);
  }
  std::fclose(out);
}

// The comparison: the same file read through a 64 KiB buffer and cut into fields at commas and
// line ends, the two numbers of each record converted, nothing drawn.
double plain_parse(const fs::path& path, long& records) {
  const auto start = Wall::now();
  FILE* in = std::fopen(path.c_str(), "rb");
  std::vector<char> buffer(65536 + 64);
  std::size_t kept = 0;  // the unfinished field carried to the front of the buffer
  long fields = -1;      // the first field is dropped
  double sum = 0;
  for (;;) {
    const std::size_t got = std::fread(buffer.data() + kept, 1, 65536 - kept, in);
    const std::size_t end = kept + got;
    std::size_t field_start = 0;
    for (std::size_t i = 0; i < end; ++i) {
      const char c = buffer[i];
      if (c != ',' && c != '\n' && c != '\r') continue;
      if (c == '\n' && i == field_start && i > 0 && buffer[i - 1] == '\r') {  // CR LF: one line end
        field_start = i + 1;
        continue;
      }
      if (fields >= 0 && fields % 5 >= 3) {
        double value = 0;
        std::from_chars(buffer.data() + field_start, buffer.data() + i, value);
        sum += value;
      }
      ++fields;
      field_start = i + 1;
    }
    kept = end - field_start;
    std::memmove(buffer.data(), buffer.data() + field_start, kept);
    if (got == 0) break;
  }
  std::fclose(in);
  records = fields / 5;
  if (sum == 12345.678) std::puts("");  // keeps the conversions
  return seconds_since(start);
}

// The plotter's clock: the pauses pass at once; the pause of pass `passes` ends the run.
struct EndOfRefresh {};
int64_t fake_now = 0;

void install_headless_run(int passes = 1) {
  fake_now = 0;
  static int64_t stop_at;
  stop_at = 1000 + 100 * static_cast<int64_t>(passes - 1);
  set_clock({[] { return fake_now; },
             [](int64_t ms) {
               if (fake_now >= stop_at) throw EndOfRefresh{};
               fake_now += ms;
             },
             {}});
}

int boxes_shown = 0;

// One refresh of the whole picture: run_plotter from its start up to the first pass's pause.
double whole_refresh(int passes = 1) {
  install_headless_run(passes);
  const auto start = Wall::now();
  try {
    run_plotter();
  } catch (const EndOfRefresh&) {
  }
  return seconds_since(start);
}

long peak_kib(const rusage& usage) { return usage.ru_maxrss; }

struct Figures {
  double seconds = -1;
  double boxes = 0;
};

// Runs `body` in a child process; gives its figures and its peak memory.
template <class Body>
Figures in_child(Body&& body, long& peak) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return {};
  const pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    const Figures figure = body();
    if (write(pipe_ends[1], &figure, sizeof figure) != sizeof figure) _exit(2);
    _exit(0);
  }
  close(pipe_ends[1]);
  Figures figure;
  if (read(pipe_ends[0], &figure, sizeof figure) != sizeof figure) figure = Figures{};
  close(pipe_ends[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  peak = peak_kib(usage);
  return figure;
}

void write_setup(const fs::path& folder, const std::string& log_name) {
  FILE* out = std::fopen((folder / "Orbelin020.SET").c_str(), "wb");
  std::fprintf(out, "%s\r\nY\r\n", log_name.c_str());
  for (const char* call : tracked) std::fprintf(out, "%s\r\n", call);
  std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  const long max_records = argc > 1 ? std::atol(argv[1]) : 1000000;
  const fs::path folder = fs::temp_directory_path() / ("orbelin-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);
  set_message_box_display([](const std::string&, const std::string&, UINT) {
    ++boxes_shown;
    return IDYES;
  });

  if (argc > 2) {
    const std::string kind = argv[2];
    write_log(folder / "one.csv", max_records, kind == "hostile");
    write_setup(folder, "one.csv");
    const int refreshes = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
    for (int i = 0; i < refreshes; ++i) {
      reset_platform();  // the run before stopped with file 1 open
      const double seconds = whole_refresh();
      std::printf("%s, %ld records: %.3f us/record, %d boxes\n", kind.c_str(), max_records,
                  seconds / static_cast<double>(max_records) * 1e6, boxes_shown);
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return 0;
  }

  // The fixed part of a refresh, after one full start-up.
  write_setup(folder, "fixed.csv");
  write_log(folder / "fixed.csv", 0, false);
  whole_refresh();
  const int fixed_rounds = 20000;
  auto start = Wall::now();
  for (int i = 0; i < fixed_rounds; ++i) {
    read_setup_file();
    draw_legend();
    draw_chart_frame();
    draw_scales();
  }
  std::printf("fixed part of a refresh (setup file, legend, frame, scales): %.1f us\n",
              seconds_since(start) / fixed_rounds * 1e6);
  const int polls = 2000000;
  start = Wall::now();
  for (int i = 0; i < polls; ++i) end_part(117);
  std::printf("event poll with the flag clear: %.2f ns\n", seconds_since(start) / polls * 1e9);
  // Passes 2 to 100 refresh nothing: menu polls, a key read, the pause (on a clock that never
  // waits) and the close of file 1.
  double one_pass = 1e9, hundred_passes = 1e9;
  for (int i = 0; i < 20; ++i) {
    one_pass = std::min(one_pass, whole_refresh(1));
    hundred_passes = std::min(hundred_passes, whole_refresh(100));
  }
  std::printf("a pass without a refresh, its pause not waited: %.2f us\n", (hundred_passes - one_pass) / 99 * 1e6);

  long baseline_peak = 0;
  in_child([] { return Figures{0, 0}; }, baseline_peak);
  std::printf("\npeak memory of an idle child: %ld KiB\n\n", baseline_peak);
  std::printf("%-10s %9s %12s %12s %10s %8s %10s %6s\n", "log", "records", "refresh s", "us/record",
              "parse us", "ratio", "peak KiB", "boxes");
  for (bool hostile : {false, true}) {
    for (long records = 10000; records <= max_records; records *= 10) {
      const std::string name = std::string(hostile ? "hostile" : "realistic") + ".csv";
      write_log(folder / name, records, hostile);
      write_setup(folder, name);
      long parsed = 0;
      const double parse_seconds = plain_parse(folder / name, parsed);
      long peak = 0;
      const Figures refresh = in_child(
          [] {
            reset_platform();
            boxes_shown = 0;
            const double seconds = whole_refresh();
            return Figures{seconds, static_cast<double>(boxes_shown)};
          },
          peak);
      const double refresh_seconds = refresh.seconds;
      const double per_record = refresh_seconds / static_cast<double>(records) * 1e6;
      const double parse_per_record = parse_seconds / static_cast<double>(parsed) * 1e6;
      std::printf("%-10s %9ld %12.3f %12.3f %10.3f %8.1f %10ld %6s\n", hostile ? "hostile" : "realistic", records,
                  refresh_seconds, per_record, parse_per_record, per_record / parse_per_record, peak,
                  std::to_string(static_cast<long>(refresh.boxes)).c_str());
      fs::remove(folder / name);
    }
  }
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);
  return 0;
}
