// What a setup file or a log holds is never run or handed to a shell; the two menu commands start
// exactly the programs they name; Orbelin writes no file and keeps no file open beyond the pass
// that reads it. Programs are caught by recorders first on PATH, standing in for every program
// that anything could start by name.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/plotter/test_robustness_support.h"
#include "winapi/user32.h"

namespace {

namespace fs = std::filesystem;

// Everything in a folder tree: names, kinds, sizes, times and bytes.
std::vector<std::string> snapshot(const fs::path& top) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(top)) {
    struct stat info {};
    ::lstat(entry.path().c_str(), &info);
    std::string line = fs::relative(entry.path(), top).string() + " mode " + std::to_string(info.st_mode) + " size " +
                       std::to_string(info.st_size) + " mtime " + std::to_string(info.st_mtim.tv_sec) + "." +
                       std::to_string(info.st_mtim.tv_nsec);
    if (S_ISREG(info.st_mode)) line += " bytes " + file_bytes(entry.path());
    entries.push_back(line);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

// Descriptors that lead to a file and are open for anything but reading.
std::vector<std::string> files_open_for_writing() {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    const std::string fdinfo = file_bytes("/proc/self/fdinfo/" + entry.path().filename().string());
    const auto at = fdinfo.find("flags:");
    if (at == std::string::npos) continue;
    const long flags = std::strtol(fdinfo.c_str() + at + 6, nullptr, 8);
    if ((flags & O_ACCMODE) != O_RDONLY) found.push_back(fs::read_symlink(entry.path()).string());
  }
  return found;
}

// Programs of the test's own, first on PATH, in a folder apart from Orbelin's: each writes its
// name and arguments ("name|arg|arg") to the record and ends.
class ProgramRecorder {
 public:
  ProgramRecorder() : record_(place_.path() / "started.log") {
    fs::create_directory(bin());
    const char* path = std::getenv("PATH");
    saved_path_ = path ? path : "";
    setenv("PATH", (bin().string() + ":" + saved_path_).c_str(), 1);
  }
  ~ProgramRecorder() { setenv("PATH", saved_path_.c_str(), 1); }
  ProgramRecorder(const ProgramRecorder&) = delete;
  ProgramRecorder& operator=(const ProgramRecorder&) = delete;

  // A recorder under `name`; `then` runs after it has recorded (a shell command line).
  void program(const std::string& name, const std::string& then = "") const {
    const auto file = bin() / name;
    std::ofstream(file) << "#!/bin/sh\n{ printf '%s' \"${0##*/}\"; for a in \"$@\"; do printf '|%s' \"$a\"; done; "
                           "printf '\\n'; } >> '"
                        << record_.string() << "'\n"
                        << then << "\n";
    fs::permissions(file, fs::perms::owner_all);
  }
  std::string started() const { return fs::exists(record_) ? file_bytes(record_) : ""; }
  const fs::path& place() const { return place_.path(); }

 private:
  fs::path bin() const { return place_.path() / "bin"; }
  TempFolder place_;
  fs::path record_;
  std::string saved_path_;
};

// Every name a command line, a shell or a payload below could reach for.
const char* const caught_programs[] = {"sh",    "bash", "dash", "touch", "rm",      "cmd",   "CMD",
                                       "start", "echo", "cat",  "env",   "notepad", "xdg-open"};

const std::string payload_call_1 = "$(touch pwned1)";
const std::string payload_call_2 = "`touch pwned2`";

class SecurityTest : public RobustnessTest {
 protected:
  ProgramRecorder recorder;
};

TEST_F(SecurityTest, NothingThatTheSetupFileOrTheLogHoldsIsRun) {
  for (const char* name : caught_programs) recorder.program(name);
  // Refresh 1: a log path and calls made of shell commands; the path names no file.
  write_file("Orbelin020.SET",
             "spots.csv;touch pwned0 | touch pwned3 && touch pwned4\r\nY\r\n" + payload_call_1 + "\r\n" +
                 payload_call_2 + "\r\na|touch pwned5\r\n\"b\ntouch pwned6\n\"\r\n> pwned7\r\n'; touch pwned8; '\r\n");
  // Refresh 2: a log of such calls.
  const std::string log = "RxSpot\r\n" + payload_call_1 + ",FT8,12:00:00,-5,-20\r\n$(touch pwned9),`touch pwned10`," +
                          "12:00:00;touch pwned11,-5,-20\r\n\"c,touch pwned12\",x|touch pwned13,06:00:00,0,-20\r\n";
  const auto before = snapshot(folder.path());
  // The test runner may hold a log of its own open for writing: only what a refresh adds counts.
  const auto writing_before = files_open_for_writing();
  std::vector<std::string> after_own_writes;
  after_each_refresh([&](int refresh) {
    EXPECT_EQ(files_open_for_writing(), writing_before) << "refresh " << refresh;
    if (refresh == 1) {
      EXPECT_EQ(snapshot(folder.path()), before) << "a file in Orbelin's folder changed";
      EXPECT_EQ(box_errors_and_steps(), (BoxList{{53, 282}, {52, 283}, {52, 284}}));
      EXPECT_EQ(current_window_title(), base_title + "    spots.csv;touch pwned0 | touch pwned3 && touch pwned4");
      write_file("spots.csv", log);
      write_setup("spots.csv", "Y", {payload_call_1, payload_call_2, "", "", "", ""});
      after_own_writes = snapshot(folder.path());
      message_boxes.clear();
    }
  });
  run_refreshes(3);
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(pixel(323, 183), attr::green) << "the call \"$(touch pwned1)\", slot 1, plotted as text";
  EXPECT_EQ(recorder.started(), "") << "programs were started";
  for (const auto& entry : fs::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().filename().string().find("pwned"), std::string::npos) << entry.path();
  EXPECT_EQ(snapshot(folder.path()), after_own_writes) << "a file in Orbelin's folder changed";
}

TEST_F(SecurityTest, TheMenuCommandsStartTheInterpreterWhichOpensTheNamedFileByItsFullPath) {
  const fs::path stand_in = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "cmd";
  ASSERT_TRUE(fs::exists(stand_in)) << stand_in;
  for (const char* name : caught_programs) recorder.program(name);
  // The interpreter is recorded, then the real stand-in runs with the same arguments; the
  // opener it starts (not waited for) tells the test through a FIFO that it has run.
  recorder.program("cmd", "exec '" + stand_in.string() + "' \"$@\"");
  fs::remove(recorder.place() / "bin" / "CMD");
  const fs::path opened = recorder.place() / "opened.pipe";
  ASSERT_EQ(::mkfifo(opened.c_str(), 0600), 0);
  const int opened_fd = ::open(opened.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(opened_fd, 0);
  recorder.program("xdg-open", "echo done > '" + opened.string() + "'");

  write_setup("spots.csv", "Y", standard_calls);
  write_log("spots.csv", {"K1JT,FT8,12:00:00,-5,-20"});
  write_file("OrbelinHelp.htm", "<html></html>");
  const auto before = snapshot(folder.path());
  register_window("FREEGLUT", base_title.c_str());
  const auto bar = [] { return reinterpret_cast<HMENU>(static_cast<intptr_t>(plotter_state.menu_bar)); };
  before_pass(2, [&] {
    press_menu_item(bar(), 0);
    release_menu_item(bar(), 0);
  });
  before_pass(3, [&] {
    press_menu_item(bar(), 1);
    release_menu_item(bar(), 1);
  });
  run_passes(4);
  // Both openers have run once each has said so.
  std::string said;
  for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       said.size() < 10 && std::chrono::steady_clock::now() < deadline;) {
    pollfd ready{opened_fd, POLLIN, 0};
    if (::poll(&ready, 1, 1000) <= 0) continue;
    char bytes[64];
    const ssize_t got = ::read(opened_fd, bytes, sizeof bytes);
    if (got > 0) said.append(bytes, static_cast<size_t>(got));
  }
  ::close(opened_fd);
  EXPECT_EQ(said, "done\ndone\n");
  EXPECT_EQ(recorder.started(), "cmd|/C|start|notepad|Orbelin020.set\n"
                                "xdg-open|" + (folder.path() / "Orbelin020.SET").string() + "\n"
                                "cmd|/C|start|OrbelinHelp.htm\n"
                                "xdg-open|" + (folder.path() / "OrbelinHelp.htm").string() + "\n");
  EXPECT_TRUE(message_boxes.boxes().empty());
  EXPECT_EQ(snapshot(folder.path()), before) << "a file in Orbelin's folder changed";
}

// The log stays open from its opening to the end of its pass, the setup file only while it is
// read; so after every pass, whatever failed in it, the process holds what it held before.
TEST_F(SecurityTest, NoFileStaysOpenBeyondThePassThatReadsIt) {
  const auto fifo = folder.path() / "spots.pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(folder.path() / "spots.dir");
  // What each refresh meets, one after the other.
  const std::vector<std::function<void()>> faults = {
      [&] { write_log("spots.csv", {"K1JT,FT8,12:00:00,-5,-20"}); },
      [&] { write_file("spots.csv", "RxSpot\r\nK1JT,FT8,12:0"); },  // a record cut short
      [&] { write_file("spots.csv", ""); },
      [&] { remove_file("spots.csv"); },
      [&] { write_setup("spots.dir", "Y", standard_calls); },
      [&] { write_setup("spots.pipe", "Y", standard_calls); },
      [&] { write_setup("spots.csv", "Y", standard_calls); },  // missing still
      [&] { write_file("Orbelin020.SET", "spots.csv\r\n"); },  // shortened
      [&] { remove_file("Orbelin020.SET"); },
      [&] {
        write_setup("spots.csv", "Y", standard_calls);
        write_log("spots.csv", {"K1JT,FT8,12:00:00,-5,-20", "W1AW,FT8,08:00:00,0,-20"});
      },
  };
  write_setup("spots.csv", "Y", standard_calls);
  faults[0]();
  const std::vector<std::string> held_before = open_descriptors();
  std::vector<std::string> during, after;
  size_t checks = 0;
  after_each_refresh([&](int refresh) {
    // In the refresh's own pause: at most the log, as file 1.
    const auto now = open_descriptors();
    if (now.size() > held_before.size() + 1) during.push_back("refresh " + std::to_string(refresh) + ": " + std::to_string(now.size()));
    // In the next pass's pause, file 1 has been closed.
    clock.after(150, [&, refresh] {
      ++checks;
      if (open_descriptors() != held_before) after.push_back("after refresh " + std::to_string(refresh));
      if (static_cast<size_t>(refresh) < faults.size()) faults[static_cast<size_t>(refresh)]();
    });
  });
  run_refreshes(static_cast<int>(faults.size()) + 1);
  EXPECT_EQ(during, std::vector<std::string>{});
  EXPECT_EQ(after, std::vector<std::string>{});
  EXPECT_EQ(checks, faults.size());
  EXPECT_EQ(pixel(224, 151), attr::black);  // the last refresh read its log
}

}  // namespace
