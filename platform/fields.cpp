// Input files under file numbers, read field by field.
#include "platform/fields.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <atomic>
#include <mutex>
#include <thread>
#include <string>
#include <string_view>

#include "platform/errors.h"
#include "platform/file_reader.h"
#include "winapi/files.h"

namespace {

constexpr int32_t highest_file_number = 255;
constexpr int32_t overflow = 6;
constexpr int32_t out_of_string_space = 14;
constexpr int32_t bad_file_name_or_number = 52;
constexpr int32_t file_not_found = 53;
constexpr int32_t file_already_open = 55;
constexpr int32_t input_past_end = 62;
constexpr int32_t bad_file_name = 64;
constexpr int32_t device_unavailable = 68;
constexpr int32_t permission_denied = 70;
constexpr int32_t path_file_access_error = 75;
constexpr int32_t path_not_found = 76;

constexpr int end_of_file = FileReader::end_of_file;
constexpr int read_failed = FileReader::read_failed;
constexpr int too_long = -3;  // the field would run past longest_field

// Both end a read with an error; the end of the file does not.
bool failed(int b) { return b == read_failed || b == too_long; }

// The plotter's thread uses the files; the end of the process may close them from another. So
// the lock is taken at every field and is all but never contended: one atomic exchange takes it,
// a plain store gives it back, and a thread that finds it taken yields until it is free.
class FilesLock {
 public:
  void lock() {
    while (taken_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() { taken_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> taken_{false};
};
FilesLock files_mutex;
std::array<std::unique_ptr<FileReader>, highest_file_number + 1> files;

FileReader* open_file(int32_t number) {
  if (number < 1 || number > highest_file_number) return nullptr;
  return files[static_cast<size_t>(number)].get();
}

int32_t open_error(DWORD reason) {
  switch (reason) {
    case ERROR_PATH_NOT_FOUND: return path_not_found;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return permission_denied;
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY: return device_unavailable;
    default: return file_not_found;
  }
}

int32_t read_error(DWORD reason) {
  return reason == ERROR_ACCESS_DENIED || reason == ERROR_LOCK_VIOLATION ? permission_denied : path_file_access_error;
}

// A field read that ended in `status` (read_failed or too_long): its error. A field too long
// leaves nothing for the next read to start from, so the file counts as at its end: the record
// loop ends after the box instead of meeting the same endless field again.
void raise_read_failure(FileReader& file, int status) {
  if (status == too_long) {
    file.end_here();
    raise_error(out_of_string_space);
  } else {
    raise_error(read_error(file.read_error()));
  }
}

bool is_digit(int b) { return b >= '0' && b <= '9'; }
char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// ---- serial ports: "COMn:" with settings --------------------------------------------------

struct PortSettings {
  int number = 0;
  DCB dcb{sizeof(DCB), 300, 7, EVENPARITY, ONESTOPBIT};
};

// "COM" (any case), digits, a colon: a port name. Settings after the colon: speed, parity,
// data bits, stop bits, then options; each may be left empty. False when malformed.
bool is_port_name(const Text& name) {
  if (name.size() < 5 || upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return false;
  size_t i = 3;
  while (i < name.size() && is_digit(static_cast<unsigned char>(name[i]))) ++i;
  return i > 3 && i < name.size() && name[i] == ':';
}

bool parse_port(const Text& name, PortSettings& port) {
  size_t i = 3;
  long number = 0;
  for (; name[i] != ':'; ++i) number = std::min(number * 10 + (name[i] - '0'), 1000L);
  if (number < 1 || number > 255) return false;
  port.number = static_cast<int>(number);

  std::array<std::string, 4> parts;  // speed, parity, data bits, stop bits
  std::string options;
  size_t part = 0;
  for (++i; i < name.size(); ++i) {
    const char c = upper(name[i]);
    if (c == ',' && part < 3) {
      ++part;
    } else if (c == ',') {
      part = 4;
      options.push_back(',');
    } else if (c != ' ') {
      (part < 4 ? parts[part] : options).push_back(c);
    }
  }
  auto whole = [](const std::string& s, long low, long high, long& out) {
    if (s.empty() || s.size() > 7) return false;
    out = 0;
    for (char c : s) {
      if (!is_digit(static_cast<unsigned char>(c))) return false;
      out = out * 10 + (c - '0');
    }
    return out >= low && out <= high;
  };
  long value = 0;
  if (!parts[0].empty()) {
    if (!whole(parts[0], 1, 9999999, value)) return false;
    port.dcb.BaudRate = static_cast<DWORD>(value);
  }
  if (!parts[1].empty()) {
    static const std::string letters = "NOEMS";
    const auto at = letters.find(parts[1]);
    if (parts[1].size() != 1 || at == std::string::npos) return false;
    port.dcb.Parity = static_cast<uint8_t>(at);  // NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY
  }
  if (!parts[2].empty()) {
    if (!whole(parts[2], 5, 8, value)) return false;
    port.dcb.ByteSize = static_cast<uint8_t>(value);
  }
  if (!parts[3].empty()) {
    if (parts[3] == "1") port.dcb.StopBits = ONESTOPBIT;
    else if (parts[3] == "1.5") port.dcb.StopBits = ONE5STOPBITS;
    else if (parts[3] == "2") port.dcb.StopBits = TWOSTOPBITS;
    else return false;
  }
  // Options: RS, CS[n], DS[n], CD[n], OP[n], TB[n], RB[n], LF, PE, ASC, BIN.
  size_t at = 0;
  while (at < options.size()) {
    if (options[at] == ',') {
      ++at;
      continue;
    }
    const size_t end = std::min(options.find(',', at), options.size());
    const std::string option = options.substr(at, end - at);
    at = end;
    if (option == "RS" || option == "LF" || option == "PE" || option == "ASC" || option == "BIN") continue;
    const std::string two = option.substr(0, 2);
    if (two == "CS" || two == "DS" || two == "CD" || two == "OP" || two == "TB" || two == "RB") {
      long n = 0;
      if (option.size() == 2 || whole(option.substr(2), 0, 65535, n)) continue;
    }
    return false;
  }
  return true;
}

HANDLE open_port(const Text& name, int32_t& error) {
  PortSettings port;
  if (!parse_port(name, port)) {
    error = bad_file_name;
    return INVALID_HANDLE_VALUE;
  }
  const std::string device = "\\\\.\\COM" + std::to_string(port.number);
  HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE || !SetCommState(handle, &port.dcb)) {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    error = device_unavailable;
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

// ---- the field readers ---------------------------------------------------------------------

using ByteSet = std::array<bool, 256>;

// Byte 26, which ends the file, and `more`.
constexpr ByteSet stops_of(std::string_view more) {
  ByteSet stops{};
  stops[26] = true;
  for (const char c : more) stops[static_cast<uint8_t>(c)] = true;
  return stops;
}
constexpr ByteSet text_stops = stops_of(",\r\n");           // what ends an unquoted field
constexpr ByteSet quote_stops = stops_of("\"");              // what ends a quoted one
constexpr ByteSet after_number_stops = stops_of(" ,\r\n");  // what stops the skipping after a number

// One field read over the file: the bytes it takes are counted from its start, and once
// longest_field of them have been taken only the comma or line end that ends the field may
// follow; any other byte reads as too_long.
class FieldScan {
 public:
  explicit FieldScan(FileReader& file) : file_(file), limit_(file.position() + longest_field) {}

  int peek() {
    const int b = file_.peek();
    if (b < 0 || file_.position() < limit_ || b == ',' || b == '\r' || b == '\n') return b;
    return too_long;
  }
  void take() { file_.take(); }
  bool full() const { return file_.position() >= limit_; }

  // For taking bytes in runs (call after peek gave a byte): the bytes from the next one on that
  // are fetched, that the field may still take and that come before the first of `stops`.
  std::string_view run_until(const ByteSet& stops) const {
    const uint8_t* begin = file_.run_begin();
    const uint8_t* end = begin + std::min(limit_ - file_.position(), file_.run_end() - begin);
    const uint8_t* at = begin;
    while (at < end && !stops[*at]) ++at;
    return {reinterpret_cast<const char*>(begin), static_cast<size_t>(at - begin)};
  }
  void take(size_t count) { file_.take_to(file_.run_begin() + count); }

 private:
  FileReader& file_;
  const int64_t limit_;
};

// Takes the comma or line end `b` that ends a field: a CR or LF with its partner (LF after CR,
// CR after LF), which belongs to the same line end.
void take_field_end(FieldScan& file, int b) {
  file.take();
  if (b == ',') return;
  const int partner = b == '\r' ? '\n' : '\r';
  if (file.peek() == partner) file.take();
}

// Takes bytes up to and including the next comma or line end, or up to the end of the file.
// Gives read_failed or too_long when the read failed, else 0.
int drop_rest_of_field(FieldScan& file) {
  for (;;) {
    const int b = file.peek();
    if (b == end_of_file) return 0;
    if (failed(b)) return b;
    if (text_stops[static_cast<size_t>(b)]) {
      take_field_end(file, b);
      return 0;
    }
    file.take(file.run_until(text_stops).size());
  }
}

// The number's digits as they come, keeping the first 17 significant ones.
struct DecimalDigits {
  char kept[17] = {};
  int kept_count = 0;
  int64_t significant = 0;  // significant digits seen in all (capped far above the limit)
  int64_t scale = 0;        // value = kept x 10^scale before the exponent
  bool any = false;

  void integer_digit(int d) {
    any = true;
    if (significant == 0 && d == 0) return;  // leading zero
    if (significant < 1'000'000) ++significant;
    if (kept_count < 17)
      kept[kept_count++] = static_cast<char>('0' + d);
    else
      ++scale;  // dropped, but it still counts for the magnitude
  }
  void fraction_digit(int d) {
    any = true;
    if (significant == 0 && d == 0) {
      --scale;  // a zero before the first significant digit
      return;
    }
    if (significant < 1'000'000) ++significant;
    if (kept_count < 17) {
      kept[kept_count++] = static_cast<char>('0' + d);
      --scale;
    }
  }
};

constexpr double single_limit = 3.402823466E+38;

struct NumberResult {
  Extended value = 0;
  bool overflow = false;
};

// The single-precision kind: above the top of its range is an overflow; below its bottom the
// lowest finite value is given, so that nothing downstream meets an infinity.
NumberResult single_kind(double value) {
  NumberResult result;
  if (value > single_limit) {
    result.overflow = true;
  } else {
    result.value = value < -single_limit ? -single_limit : value;
  }
  return result;
}

NumberResult convert(const DecimalDigits& digits, bool negative, bool exponent_negative, int64_t exponent,
                     int exponent_significant) {
  NumberResult result;
  if (digits.significant > 256 || exponent_significant > 18) {
    result.overflow = true;
    return result;
  }
  if (digits.kept_count == 0) return result;
  const int64_t power = digits.scale + (exponent_negative ? -exponent : exponent);
  const int64_t magnitude = digits.kept_count - 1 + power;  // the first digit's power of ten
  if (magnitude >= 309) {
    result.overflow = true;
    return result;
  }
  if (magnitude == 308) {
    uint64_t first17 = 0;
    for (int i = 0; i < 17; ++i) first17 = first17 * 10 + static_cast<uint64_t>(i < digits.kept_count ? digits.kept[i] - '0' : 0);
    if (first17 > 17976931348623157ULL) {
      result.overflow = true;
      return result;
    }
  }
  if (magnitude < -324) return result;  // below 1E-324
  if (digits.kept_count <= 15 && power >= -22 && power <= 22) {
    // The digits' whole number and the power of ten are both exact doubles, so one multiplication
    // or division rounds to the nearest double, as the library's conversion below does.
    static constexpr double powers_of_ten[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    int64_t whole = 0;
    for (int i = 0; i < digits.kept_count; ++i) whole = whole * 10 + (digits.kept[i] - '0');
    const double scale = powers_of_ten[power < 0 ? -power : power];
    const double value = power < 0 ? static_cast<double>(whole) / scale : static_cast<double>(whole) * scale;
    return single_kind(negative ? -value : value);
  }
  char text[40];
  char* end = std::copy(digits.kept, digits.kept + digits.kept_count, text);
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text - 1, power).ptr;
  *end = '\0';
  double value = 0;
  const auto parsed = std::from_chars(text, end, value);
  if (parsed.ec != std::errc()) value = std::strtod(text, nullptr);  // the smallest magnitudes
  return single_kind(negative ? -value : value);
}

// "&H" with hexadecimal or "&O" with octal digits, the '&' already taken: a 64-bit two's-complement number.
int read_radix_number(FieldScan& file, NumberResult& result) {
  int b = file.peek();
  if (b < 0) return b;
  const char kind = upper(static_cast<char>(b));
  if (kind != 'H' && kind != 'O') return 0;  // no digits: 0
  file.take();
  const unsigned radix = kind == 'H' ? 16 : 8;
  uint64_t value = 0;
  int64_t count = 0;
  int first = -1;
  for (;;) {
    b = file.peek();
    int digit = -1;
    if (b >= '0' && b <= '7') digit = b - '0';
    else if (radix == 16 && b >= '8' && b <= '9') digit = b - '0';
    else if (radix == 16 && b >= 'A' && b <= 'F') digit = b - 'A' + 10;
    else if (radix == 16 && b >= 'a' && b <= 'f') digit = b - 'a' + 10;
    if (digit < 0) break;
    file.take();
    if (first < 0) first = digit;
    if (count < 1'000'000) ++count;
    value = value * radix + static_cast<unsigned>(digit);
  }
  if (failed(b)) return b;
  if ((radix == 16 && count > 16) || (radix == 8 && (count > 22 || (count == 22 && first > 1)))) {
    result.overflow = true;
    return 0;
  }
  // The whole number exactly: the 64-bit significand holds it, so the one rounding is the caller's.
  result.value = static_cast<Extended>(static_cast<int64_t>(value));
  return 0;
}

// A number from the first byte that is not a blank: what fits of sign, digits, point, exponent.
int read_decimal_number(FieldScan& file, NumberResult& result) {
  DecimalDigits digits;
  bool negative = false;
  int b = file.peek();
  if (b == '+' || b == '-') {
    negative = b == '-';
    file.take();
    b = file.peek();
  }
  for (; is_digit(b); b = file.peek()) {
    digits.integer_digit(b - '0');
    file.take();
  }
  if (b == '.') {
    file.take();
    for (b = file.peek(); is_digit(b); b = file.peek()) {
      digits.fraction_digit(b - '0');
      file.take();
    }
  }
  bool exponent_negative = false;
  int64_t exponent = 0;
  int exponent_significant = 0;
  if (digits.any && (b == 'E' || b == 'e' || b == 'D' || b == 'd')) {
    file.take();
    b = file.peek();
    if (b == '+' || b == '-') {
      exponent_negative = b == '-';
      file.take();
      b = file.peek();
    }
    for (; is_digit(b); b = file.peek()) {
      file.take();
      if (exponent_significant == 0 && b == '0') continue;
      if (exponent_significant < 1000) ++exponent_significant;
      if (exponent_significant <= 18) exponent = exponent * 10 + (b - '0');
    }
  }
  if (failed(b)) return b;
  result = convert(digits, negative, exponent_negative, exponent, exponent_significant);
  return 0;
}

// After the number: the rest of the field up to and including its comma or line end; but blanks
// followed by anything else than a blank, comma or line end stop here, leaving that byte.
int skip_after_number(FieldScan& file) {
  for (;;) {
    int b = file.peek();
    if (b == end_of_file) return 0;
    if (failed(b)) return b;
    if (b == ' ') {
      do file.take();
      while ((b = file.peek()) == ' ');
      if (b == ',' || b == '\r' || b == '\n') continue;
      return failed(b) ? b : 0;
    }
    if (b == ',' || b == '\r' || b == '\n') {
      take_field_end(file, b);
      return 0;
    }
    file.take(file.run_until(after_number_stops).size());
  }
}

}  // namespace

void open_input_file(const Text& name, int32_t file_number) {
  if (error_pending()) return;
  std::lock_guard lock(files_mutex);
  if (file_number < 1 || file_number > highest_file_number) {
    raise_error(bad_file_name_or_number);
    return;
  }
  if (files[static_cast<size_t>(file_number)]) {
    raise_error(file_already_open);
    return;
  }
  // The name ends at its first zero byte; a slash counts as a backslash.
  Text windows_name = name.substr(0, name.find('\0'));
  for (char& c : windows_name)
    if (c == '/') c = '\\';

  HANDLE handle = INVALID_HANDLE_VALUE;
  if (is_port_name(windows_name)) {
    int32_t error = 0;
    handle = open_port(windows_name, error);
    if (handle == INVALID_HANDLE_VALUE) {
      raise_error(error);
      return;
    }
  } else {
    handle = CreateFileA(windows_name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      raise_error(open_error(GetLastError()));
      return;
    }
  }
  auto reader = std::make_unique<FileReader>(handle);
  // The first byte is read at once: a file that begins with byte 26 is at its end from the start.
  if (reader->peek() == read_failed) {
    raise_error(read_error(reader->read_error()));
    return;  // the number stays free
  }
  files[static_cast<size_t>(file_number)] = std::move(reader);
}

void close_file(int32_t file_number) {
  if (error_pending()) return;
  std::lock_guard lock(files_mutex);
  if (file_number >= 1 && file_number <= highest_file_number) files[static_cast<size_t>(file_number)].reset();
}

void close_all_files() {
  std::lock_guard lock(files_mutex);
  for (auto& file : files) file.reset();
}

void read_text_field(int32_t file_number, Text& target) {
  if (error_pending()) return;
  std::lock_guard lock(files_mutex);
  FileReader* file = open_file(file_number);
  if (!file) {
    raise_error(bad_file_name_or_number);
    return;
  }
  FieldScan scan(*file);
  int b;
  while ((b = scan.peek()) == ' ' || b == '\t') scan.take();
  if (b == end_of_file) {
    target.clear();
    raise_error(input_past_end);
    return;
  }
  Text field;
  if (b == '"') {
    // Up to the next double quote, commas and line ends included; then the rest up to the
    // comma or line end is dropped.
    scan.take();
    for (;;) {
      b = scan.peek();
      if (b < 0) break;
      if (b == '"') {
        scan.take();
        b = drop_rest_of_field(scan);
        break;
      }
      if (scan.full()) {  // a comma or line end inside the quotes does not end the field
        b = too_long;
        break;
      }
      const std::string_view run = scan.run_until(quote_stops);
      field.append(run);
      scan.take(run.size());
    }
  } else {
    // Up to the next comma or line end, without the blanks and tabs at its end.
    for (;;) {
      b = scan.peek();
      if (b < 0 || text_stops[static_cast<size_t>(b)]) break;
      const std::string_view run = scan.run_until(text_stops);
      field.append(run);
      scan.take(run.size());
    }
    if (b >= 0) take_field_end(scan, b);
    size_t kept = field.size();
    while (kept > 0 && (field[kept - 1] == ' ' || field[kept - 1] == '\t')) --kept;
    field.resize(kept);
  }
  if (failed(b)) {
    raise_read_failure(*file, b);  // the target keeps its contents
    return;
  }
  target = std::move(field);
}

Extended read_number_field(int32_t file_number) {
  if (error_pending()) return 0;
  std::lock_guard lock(files_mutex);
  FileReader* file = open_file(file_number);
  if (!file) {
    raise_error(bad_file_name_or_number);
    return 0;
  }
  FieldScan scan(*file);
  int b;
  while ((b = scan.peek()) == ' ') scan.take();
  if (b == end_of_file) {
    raise_error(input_past_end);
    return 0;
  }
  NumberResult number;
  int status = b;
  if (!failed(b)) {
    if (b == '&') {
      scan.take();
      status = read_radix_number(scan, number);
    } else {
      status = read_decimal_number(scan, number);
    }
    if (!failed(status)) status = skip_after_number(scan);
  }
  if (failed(status)) {
    raise_read_failure(*file, status);
    return 0;
  }
  if (number.overflow) {
    raise_error(overflow);
    return 0;
  }
  return number.value;
}

int32_t at_end_of_file(int32_t file_number) {
  std::lock_guard lock(files_mutex);
  FileReader* file = open_file(file_number);
  if (!file) {
    raise_error(bad_file_name_or_number);
    return 0;
  }
  return file->at_end() ? -1 : 0;
}
