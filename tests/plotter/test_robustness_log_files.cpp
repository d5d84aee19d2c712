// The spot log as a desktop treats it: deleted, emptied, rotated and replaced between two
// refreshes and in the middle of one; and log paths that name no readable file (no read
// permission, a folder, a FIFO, a device, a missing folder, a drive letter, a first field that
// never ends). Each gives the boxes of the failure rules, the pass goes on and the next refresh
// tries the log again.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/file_reader.h"
#include "tests/plotter/test_robustness_support.h"

namespace {

namespace fs = std::filesystem;

void write_bytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
}

const BoxList no_box;
const BoxList log_missing = {{53, 282}, {52, 283}, {52, 284}};
const BoxList log_empty = {{62, 283}};
const BoxList first_field_too_long = {{14, 283}};

// The first log: K1JT (slot 3) at 12:00, -5 dB, and W1AW (an other call) at 08:00, 0 dB.
// The next one: G4XYZ (slot 2) at 06:00, -10 dB.
const std::vector<std::string> first_records = {"K1JT,FT8,12:00:00,-5,-20", "W1AW,FT8,08:00:00,0,-20"};
const std::string next_log = "RxSpot\r\nG4XYZ,FT8,06:00:00,-10,-20\r\n";

void expect_first_log_plotted() {
  EXPECT_EQ(pixel(320, 183), attr::light_grey);
  EXPECT_EQ(pixel(224, 151), attr::black);
  EXPECT_EQ(pixel(176, 215), attr::white);
}
void expect_next_log_plotted() {
  EXPECT_EQ(pixel(176, 215), attr::light_red);
  EXPECT_EQ(pixel(320, 183), attr::white);
  EXPECT_EQ(pixel(224, 151), attr::white);
  EXPECT_EQ(row_text(27, 50, 22), "G4XYZ 06:00:00 -10 dB ");
}
void expect_chart_empty_and_last_spot_kept() {
  EXPECT_EQ(pixel(320, 183), attr::white);
  EXPECT_EQ(pixel(224, 151), attr::white);
  EXPECT_EQ(pixel(176, 215), attr::white);
  // Nothing in a refresh that reads no record clears the latest-spot block; the legend blanks
  // the list's field.
  EXPECT_EQ(row_text(26, 50, 12), "Latest spot:");
  EXPECT_EQ(row_text(27, 50, 22), "W1AW 08:00:00  0 dB   ");
  EXPECT_TRUE(cell_is_paper(29, 19));
}

// What happens to the log, by the receiving program or the desktop.
struct LogFault {
  const char* name;
  std::function<void(const fs::path& log)> act;
  BoxList next_boxes;         // in the refresh after it
  bool next_log_shown;        // that refresh shows the next log (else an empty chart)
};
void PrintTo(const LogFault& c, std::ostream* out) { *out << c.name; }

const LogFault log_faults[] = {
    {"Deleted", [](const fs::path& log) { fs::remove(log); }, log_missing, false},
    {"TruncatedToZero", [](const fs::path& log) { fs::resize_file(log, 0); }, log_empty, false},
    {"Rotated",
     [](const fs::path& log) {
       fs::rename(log, log.string() + ".1");
       write_bytes(log, next_log);
     },
     no_box, true},
    {"ReplacedByRenaming",
     [](const fs::path& log) {
       write_bytes(log.string() + ".new", next_log);
       fs::rename(log.string() + ".new", log);
     },
     no_box, true},
    {"TruncatedAndWrittenAgain", [](const fs::path& log) { write_bytes(log, next_log); }, no_box, true},
};

class LogFaultTest : public RobustnessTest, public ::testing::WithParamInterface<LogFault> {
 protected:
  fs::path log() const { return folder.path() / "spots.csv"; }
};

TEST_P(LogFaultTest, BetweenTwoRefreshes) {
  const LogFault& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", first_records);
  after_each_refresh([&](int refresh) {
    if (refresh != 1) return;
    EXPECT_TRUE(message_boxes.boxes().empty());
    expect_first_log_plotted();
    message_boxes.clear();
    c.act(log());
  });
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  EXPECT_EQ(box_errors_and_steps(), c.next_boxes);
  if (c.next_log_shown)
    expect_next_log_plotted();
  else
    expect_chart_empty_and_last_spot_kept();
}

// Records of 32 bytes, so that the reader's buffers end between records.
std::string record_32(const std::string& call, const std::string& time, int snr) {
  std::string fields = call + ",FT8," + time + "," + std::to_string(snr) + ",-20";
  const std::string padding(32 - 2 - fields.size(), 'x');
  return call + ",FT8" + padding + "," + time + "," + std::to_string(snr) + ",-20\r\n";
}

TEST_P(LogFaultTest, InTheMiddleOfARefresh) {
  const LogFault& c = GetParam();
  write_setup("spots.csv", "Y", standard_calls);
  // Four buffers' worth: K1JT first (its bell gives the moment), W1AW all along, PY2AA last.
  std::string log_text = "RxSpot" + std::string(24, '-') + "\r\n" + record_32("K1JT", "12:00:00\a", -5);
  while (log_text.size() < 4 * FileReader::buffer_size) log_text += record_32("W1AW", "08:00:00", 0);
  log_text += record_32("PY2AA", "20:00:00", 5);
  ASSERT_EQ(record_32("W1AW", "08:00:00", 0).size(), 32u);
  write_file("spots.csv", log_text);
  // The refresh reads K1JT's record and prints its bell: 250 ms, during which the log changes.
  clock.at(pass_start_ms(1) + 100, [&] { c.act(log()); });
  std::string line_of_refresh_1;
  after_each_refresh([&](int refresh) {
    if (refresh != 1) return;
    // The refresh ends within the buffer it holds, at a record's end: no box, no record beyond.
    EXPECT_TRUE(message_boxes.boxes().empty());
    EXPECT_EQ(pixel(323, 183), attr::light_grey);  // K1JT's dot
    EXPECT_EQ(pixel(224, 151), attr::black);       // W1AW
    EXPECT_EQ(pixel(512, 119), attr::white) << "PY2AA, at the log's end, was not read";
    line_of_refresh_1 = row_text(27, 50, 22);
    message_boxes.clear();
  });
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  EXPECT_EQ(line_of_refresh_1, "W1AW 08:00:00  0 dB   ");
  EXPECT_EQ(box_errors_and_steps(), c.next_boxes);
  if (c.next_log_shown) {
    expect_next_log_plotted();
  } else {
    EXPECT_EQ(pixel(323, 183), attr::white);
    EXPECT_EQ(row_text(27, 50, 22), "W1AW 08:00:00  0 dB   ");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, LogFaultTest, ::testing::ValuesIn(log_faults), CaseName());

// ---- Log paths that name no readable file --------------------------------------------------

struct LogPathCase {
  const char* name;
  std::function<std::string(const TempFolder&)> make;  // makes what is needed, gives the log path
  BoxList boxes;                                        // at every refresh
};
void PrintTo(const LogPathCase& c, std::ostream* out) { *out << c.name; }

std::string unreadable_file(const TempFolder& folder) {
  if (geteuid() != 0) {
    const auto file = folder.write("locked.csv", "RxSpot\r\nK1JT,FT8,12:00:00,-5,-20\r\n");
    fs::permissions(file, fs::perms::none);
    return "locked.csv";
  }
  // Permissions do not hold for root; a write-only kernel setting still refuses reading.
  return "/proc/sys/vm/compact_memory";
}

const LogPathCase log_path_cases[] = {
    {"WithoutReadPermission", unreadable_file, {{70, 282}, {52, 283}, {52, 284}}},
    {"AFolder",
     [](const TempFolder& folder) {
       fs::create_directory(folder.path() / "spots");
       return std::string("spots");
     },
     {{70, 282}, {52, 283}, {52, 284}}},
    {"AFolderWithItsSeparator",
     [](const TempFolder& folder) {
       fs::create_directory(folder.path() / "spots");
       return std::string("spots\\");
     },
     {{70, 282}, {52, 283}, {52, 284}}},
    {"TheCurrentFolder", [](const TempFolder&) { return std::string("."); }, {{70, 282}, {52, 283}, {52, 284}}},
    // A FIFO that nobody writes: opened without waiting, and at its end at once.
    {"AFifo",
     [](const TempFolder& folder) {
       EXPECT_EQ(::mkfifo((folder.path() / "spots.pipe").c_str(), 0600), 0);
       return std::string("spots.pipe");
     },
     log_empty},
    {"ADevice", [](const TempFolder&) { return std::string("/dev/null"); }, log_empty},
    // A first field that never ends: box 14 once it passes its bound, and the log ends there.
    {"TheZeroDevice", [](const TempFolder&) { return std::string("/dev/zero"); }, first_field_too_long},
    {"AHoleOfThreeGigabytes",
     [](const TempFolder& folder) {
       const int fd = ::open((folder.path() / "spots.csv").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
       EXPECT_EQ(::ftruncate(fd, off_t{3} << 30), 0);
       ::close(fd);
       return std::string("spots.csv");
     },
     first_field_too_long},
    {"OnAMissingFolder", [](const TempFolder&) { return std::string("logs\\today\\spots.csv"); },
     {{76, 282}, {52, 283}, {52, 284}}},
    {"WithADriveLetter", [](const TempFolder&) { return std::string("C:\\Spots\\today.csv"); },
     {{76, 282}, {52, 283}, {52, 284}}},
    {"WithADriveLetterAlone", [](const TempFolder&) { return std::string("c:spots.csv"); },
     {{76, 282}, {52, 283}, {52, 284}}},
    {"OnANetworkShare", [](const TempFolder&) { return std::string("\\\\server\\share\\spots.csv"); },
     {{76, 282}, {52, 283}, {52, 284}}},
};

class LogPathTest : public RobustnessTest, public ::testing::WithParamInterface<LogPathCase> {};

TEST_P(LogPathTest, GivesItsBoxesOnceARefreshAndThePassGoesOn) {
  const LogPathCase& c = GetParam();
  write_setup(c.make(folder), "Y", standard_calls);
  BoxList first_refresh;
  after_each_refresh([&](int refresh) {
    if (refresh != 1) return;
    first_refresh = box_errors_and_steps();
    message_boxes.clear();
  });
  const RunEnd end = run_refreshes(2);
  EXPECT_FALSE(end.process_ended);
  EXPECT_EQ(first_refresh, c.boxes);
  EXPECT_EQ(box_errors_and_steps(), c.boxes) << "the next refresh tries the log again";
  EXPECT_EQ(pixel(320, 183), attr::white);  // the chart, drawn and empty
  EXPECT_TRUE(cell_is_paper(26, 50));
}

INSTANTIATE_TEST_SUITE_P(Paths, LogPathTest, ::testing::ValuesIn(log_path_cases), CaseName());

// A FIFO that a receiving program holds open: what it has written is read, the end test never
// waits for more, and the next refresh reads what came since.
TEST_F(RobustnessTest, AFifoWithAWriterGivesWhatIsWaitingAndNeverWaits) {
  const auto fifo = folder.path() / "spots.pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // A reader of the test's own that never reads: the writer opens at once and never writes
  // into a pipe without a reader.
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  auto say = [&](const std::string& bytes) {
    ASSERT_EQ(::write(writer, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  };
  write_setup("spots.pipe", "Y", standard_calls);
  say("RxSpot\r\nK1JT,FT8,12:00:00,-5,-20\r\n");
  after_each_refresh([&](int refresh) {
    if (refresh != 1) return;
    EXPECT_TRUE(message_boxes.boxes().empty());
    EXPECT_EQ(pixel(320, 183), attr::light_grey);
    say("RxSpot\r\nG4XYZ,FT8,06:00:00,-10,-20\r\n");
  });
  const RunEnd end = run_refreshes(2);
  ::close(writer);
  ::close(reader);
  EXPECT_FALSE(end.process_ended);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(pixel(176, 215), attr::light_red);
  EXPECT_EQ(pixel(320, 183), attr::white);
}

}  // namespace
