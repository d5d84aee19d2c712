// The spot log reader, the plotter's hot path: a log of 1,000,000 realistic records (about
// 40 MB) read field by field with the end test before every record, as the plotter reads it,
// against a plain buffered parse of the same file in the same run. Prints its figures; not a test.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace {

constexpr long record_count = 1'000'000;

std::string make_log(const std::filesystem::path& path) {
  static const char* calls[] = {"DL1ABC", "G4XYZ", "K1JT", "VK2DX", "JA1NRH", "PY2AA", "OH8STN", "W1AW", "ZL2IFB", "EA8BFK"};
  static const char* comments[] = {"14.074 FT8 JO31", "7.074 FT8 IO91", "10.136 FT8 FN42", "28.074 FT8 QF56",
                                   "3.573 FT8 PM95", "14.074 FT8 GG66"};
  std::string bytes = "Orbelin spot log\r\n";
  bytes.reserve(45 * record_count);
  unsigned seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
  char line[128];
  for (long i = 0; i < record_count; ++i) {
    const long second = i * 86400 / record_count;
    const int length = std::snprintf(line, sizeof line, "%s,%s,%02ld:%02ld:%02ld,%d,%.1f\r\n", calls[next() % 10],
                                     comments[next() % 6], second / 3600, second / 60 % 60, second % 60,
                                     static_cast<int>(next() % 46) - 30, -static_cast<double>(next() % 640) / 10.0);
    bytes.append(line, static_cast<size_t>(length));
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  return bytes;
}

double seconds_of(void (*body)(const std::string&, double&), const std::string& path, double& checksum) {
  double best = 1e9;
  for (int run = 0; run < 3; ++run) {
    checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    body(path, checksum);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

// As the plotter reads its log: the first field dropped, then five fields a record, the end test first.
void platform_read(const std::string& path, double& checksum) {
  open_input_file(path, 1);
  Text call, ignored, time;
  read_text_field(1, call);
  long records = 0;
  while (at_end_of_file(1) == 0) {
    read_text_field(1, call);
    read_text_field(1, ignored);
    read_text_field(1, time);
    const auto snr = static_cast<float>(read_number_field(1));
    const auto smeter = static_cast<float>(read_number_field(1));
    checksum += static_cast<double>(snr) + static_cast<double>(smeter) + static_cast<double>(call.size() + time.size());
    ++records;
  }
  close_file(1);
  if (records != record_count || error_pending()) std::fprintf(stderr, "platform read %ld records\n", records);
}

// A plain parse: 64-KiB freads, fields split at commas and line ends, numbers through strtod.
void plain_read(const std::string& path, double& checksum) {
  FILE* in = std::fopen(path.c_str(), "rb");
  static char buffer[64 * 1024];
  std::string field;
  int index = -1;  // the first field is dropped
  size_t length = 0;
  size_t call_size = 0, time_size = 0;
  double snr = 0;
  bool after_cr = false;
  auto end_field = [&] {
    if (index == 0) call_size = field.size();
    if (index == 2) time_size = field.size();
    if (index == 3) snr = std::strtod(field.c_str(), nullptr);
    if (index == 4) {
      const double smeter = std::strtod(field.c_str(), nullptr);
      checksum += static_cast<double>(static_cast<float>(snr)) + static_cast<double>(static_cast<float>(smeter)) +
                  static_cast<double>(call_size + time_size);
    }
    field.clear();
    index = index == 4 ? 0 : index + 1;
  };
  while ((length = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    for (size_t i = 0; i < length; ++i) {
      const char c = buffer[i];
      if (c == '\n' && after_cr) {
        after_cr = false;
        continue;
      }
      after_cr = c == '\r';
      if (c == ',' || c == '\r' || c == '\n')
        end_field();
      else
        field.push_back(c);
    }
  }
  std::fclose(in);
}

}  // namespace

int main() {
  const auto folder = std::filesystem::temp_directory_path() / ("orbelin-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const auto path = folder / "spots.csv";
  const std::string bytes = make_log(path);
  std::printf("spot log: %ld records, %.1f MB\n", record_count, static_cast<double>(bytes.size()) / 1e6);

  double platform_sum = 0, plain_sum = 0;
  const double platform = seconds_of(platform_read, path.string(), platform_sum);
  const double plain = seconds_of(plain_read, path.string(), plain_sum);
  std::printf("read_text_field / read_number_field / at_end_of_file: %.2f million records per second (%.3f s)\n",
              static_cast<double>(record_count) / platform / 1e6, platform);
  std::printf("plain buffered parse:                                 %.2f million records per second (%.3f s)\n",
              static_cast<double>(record_count) / plain / 1e6, plain);
  std::printf("platform / plain time: %.2f (target: at most 2)%s\n", platform / plain,
              platform_sum == plain_sum ? "" : "  CHECKSUMS DIFFER");
  std::filesystem::remove_all(folder);
  return 0;
}
