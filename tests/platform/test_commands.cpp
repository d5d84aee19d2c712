// run_command and the shell stand-in: the three tries, Windows argument splitting, no shell in
// between, waiting for the started process, and the command-interpreter stand-in's "start".
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "platform/front_end.h"
#include "platform/platform.h"
#include "tests/support/harness.h"
#include "winapi/shell.h"

namespace {

namespace fs = std::filesystem;

// Records its name and arguments, one line a call: "name|arg1|arg2".
std::string recorder(const fs::path& log) {
  return "#!/bin/sh\n{ printf '%s' \"$(basename \"$0\")\"; for a in \"$@\"; do printf '|%s' \"$a\"; done; "
         "printf '\\n'; } >> '" + log.string() + "'\n";
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class Commands : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    const char* path = std::getenv("PATH");
    old_path_ = path ? path : "";
    fs::create_directory(bin());
    setenv("PATH", (bin().string() + ":" + old_path_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", old_path_.c_str(), 1);
    set_front_end_hooks({});
    PlatformTest::TearDown();
  }
  fs::path bin() const { return folder.path() / "bin"; }
  fs::path log() const { return folder.path() / "calls.log"; }
  void program(const std::string& name, const std::string& script) const {
    const auto file = folder.write("bin/" + name, script);
    fs::permissions(file, fs::perms::owner_all);
  }
  void recording_program(const std::string& name) const { program(name, recorder(log())); }
  std::string calls() {
    std::string text = read_file(log());
    fs::remove(log());
    return text;
  }

  TempFolder folder;
  CurrentFolder here{folder.path()};
  std::string old_path_;
};

TEST_F(Commands, ThreeTriesInOrderUntilOneStarts) {
  recording_program("probe x y");  // a program whose name is the whole line
  recording_program("probe");
  recording_program("cmd");
  run_command("probe x y");
  EXPECT_EQ(calls(), "probe x y\n") << "first the whole line as the program";
  fs::remove(bin() / "probe x y");
  run_command("probe x y");
  EXPECT_EQ(calls(), "probe|x|y\n") << "then the first word with the rest as parameters";
  fs::remove(bin() / "probe");
  run_command("probe x y");
  EXPECT_EQ(calls(), "cmd|/c|probe|x|y\n") << "last the command interpreter";
}

TEST_F(Commands, NoProgramIsTriedUnderABuiltInCommandsName) {
  recording_program("START");
  recording_program("Echo");
  recording_program("cmd");
  const std::pair<Text, const char*> cases[] = {
      {"start x", "cmd|/c|start|x\n"},  // the first word is built in: straight to the interpreter
      {"Start x", "cmd|/c|Start|x\n"},
      {"ECHO", "cmd|/c|ECHO\n"},        // the whole line is built in
      {"echo hello there", "cmd|/c|echo|hello|there\n"},
  };
  for (const auto& [line, expected] : cases) {
    run_command(line);
    EXPECT_EQ(calls(), expected) << line;
  }
  // Only the whole line is compared for the first try: "START X" is not a built-in command.
  recording_program("start x");
  run_command("start x");
  EXPECT_EQ(calls(), "start x\n");
}

TEST_F(Commands, FirstWordMayBeQuotedAndProgramsAreFoundWithoutCase) {
  recording_program("pro be");
  recording_program("probe");
  run_command("\"pro be\" a \"b c\"");
  EXPECT_EQ(calls(), "pro be|a|b c\n");
  run_command("PROBE.exe 1");
  EXPECT_EQ(calls(), "probe|1\n");
  EXPECT_EQ(find_program("PROBE"), (bin() / "probe").string());
  EXPECT_EQ(find_program("no-such-program-here"), "");
}

TEST_F(Commands, NoTextBecomesACommandOfItsOwn) {
  recording_program("probe");
  run_command("probe \"a;b\" $(touch pwned) `touch pwned2` && touch pwned3 | x > out; rm -rf *");
  EXPECT_EQ(calls(), "probe|a;b|$(touch|pwned)|`touch|pwned2`|&&|touch|pwned3|||x|>|out;|rm|-rf|*\n");
  for (const char* name : {"pwned", "pwned2", "pwned3", "out"}) EXPECT_FALSE(fs::exists(folder.path() / name)) << name;
  EXPECT_TRUE(fs::exists(bin() / "probe"));
}

TEST_F(Commands, WaitsForTheStartedProcessBetweenTheFrontEndHooks) {
  std::vector<std::string> order;
  set_front_end_hooks({[&] { order.push_back("starting"); }, [&] {
                         order.push_back(fs::exists(log()) ? "finished after the program" : "finished early");
                       },
                       {}});
  program("probe", "#!/bin/sh\nread line < /dev/null\n" + recorder(log()));
  run_command("probe");
  EXPECT_EQ(order, (std::vector<std::string>{"starting", "finished after the program"}));
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child left behind";
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(Commands, ACommandThatCannotBeStartedHasNoEffectAndNoMessage) {
  setenv("PATH", bin().string().c_str(), 1);  // no interpreter anywhere
  bool hooks_called = false;
  set_front_end_hooks({[&] { hooks_called = true; }, [&] { hooks_called = true; }, {}});
  run_command("CMD /C start notepad Orbelin020.set");
  run_command("");
  EXPECT_FALSE(hooks_called);
  EXPECT_FALSE(error_pending());
  EXPECT_TRUE(message_boxes.boxes().empty());
}

TEST_F(Commands, DoesNothingWhileAnErrorIsPending) {
  recording_program("probe");
  raise_error(53);
  run_command("probe");
  EXPECT_FALSE(fs::exists(log()));
}

TEST(CommandLineSplitting, AsWindowsSplitsIt) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"  a  b\tc ", {"a", "b", "c"}},
      {"\"a b\" c", {"a b", "c"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"a \"\" b", {"a", "", "b"}},
      {"C:\\Spots\\log.csv", {"C:\\Spots\\log.csv"}},
      {"\"C:\\Program Files\\\\\" x", {"C:\\Program Files\\", "x"}},  // 2n backslashes, quote: n and the quote closes
      {"a\\\"b", {"a\"b"}},                                           // 2n+1: n and a literal quote
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"a\\\\b", {"a\\\\b"}},                                         // not before a quote: literal
      {"\"a\"\"b\"", {"a\"b"}},                                       // "" inside quotes: a quote
      {"\"unclosed arg", {"unclosed arg"}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(split_command_line(line), expected) << line;
}

// The real command-interpreter stand-in, with a test double of xdg-open first on PATH.
class CommandInterpreter : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    const fs::path tests_folder = fs::read_symlink("/proc/self/exe").parent_path();
    const fs::path stand_in = tests_folder.parent_path() / "cmd";
    ASSERT_TRUE(fs::exists(stand_in)) << stand_in;
    fs::create_symlink(stand_in, bin() / "cmd");
    ASSERT_EQ(::mkfifo(calls_pipe().c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(release_pipe().c_str(), 0600), 0);
    // Records its arguments, then stays open until the test lets it go.
    program("xdg-open", "#!/bin/sh\n{ printf 'xdg-open'; for a in \"$@\"; do printf '|%s' \"$a\"; done; printf '\\n'; } > '" +
                            calls_pipe().string() + "'\ncat '" + release_pipe().string() + "' > /dev/null\n");
    calls_fd_ = ::open(calls_pipe().c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(calls_fd_, 0);
  }
  void TearDown() override {
    if (calls_fd_ >= 0) ::close(calls_fd_);
    Commands::TearDown();
  }
  fs::path calls_pipe() const { return folder.path() / "calls.pipe"; }
  fs::path release_pipe() const { return folder.path() / "release.pipe"; }

  // Runs the command on a thread; true when it came back while the opener was still open.
  bool returns_at_once(const Text& line) {
    auto running = std::async(std::launch::async, [line] { run_command(line); });
    const bool at_once = running.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    opened_ = next_opening();
    release_opener();
    running.wait();
    return at_once;
  }
  // The one line the opener wrote (it waits for it for at most 20 s).
  std::string next_opening() {
    std::string text;
    for (;;) {
      pollfd ready{calls_fd_, POLLIN, 0};
      if (::poll(&ready, 1, 20000) <= 0) return text + "<nothing>";
      char bytes[512];
      const ssize_t got = ::read(calls_fd_, bytes, sizeof bytes);
      if (got <= 0) return text + "<nothing>";
      text.append(bytes, static_cast<size_t>(got));
      if (text.back() == '\n') return text;
    }
  }
  void release_opener() {
    const int fd = ::open(release_pipe().c_str(), O_WRONLY);  // waits for the opener to listen
    if (fd >= 0) ::close(fd);
  }
  int calls_fd_ = -1;
  std::string opened_;
};

TEST_F(CommandInterpreter, StartNotepadOpensTheSetupFileFoundWithoutCase) {
  folder.write("Orbelin020.SET", "spots.csv\r\n");
  EXPECT_TRUE(returns_at_once("CMD /C start notepad Orbelin020.set")) << "not waiting for the opener";
  EXPECT_EQ(opened_, "xdg-open|" + (folder.path() / "Orbelin020.SET").string() + "\n");
}

TEST_F(CommandInterpreter, TheEditorGetsTheSetupFileThatTheFilesOpenBesideACaseVariant) {
  folder.write("Orbelin020.SET", "setup\r\n");
  for (const char* decoy : {"ORBELIN020.SET", "Orbelin020.set"}) {
    SCOPED_TRACE(decoy);
    folder.write(decoy, std::string(decoy) + "\r\n");
    open_input_file("Orbelin020.SET", 1);
    Text read;
    read_text_field(1, read);
    close_file(1);
    ASSERT_TRUE(returns_at_once("CMD /C start notepad Orbelin020.set"));
    const std::string prefix = "xdg-open|";
    ASSERT_EQ(opened_.rfind(prefix, 0), 0u) << opened_;
    const fs::path edited = opened_.substr(prefix.size(), opened_.size() - prefix.size() - 1);
    EXPECT_EQ(edited.parent_path(), folder.path());
    std::ifstream in(edited, std::ios::binary);
    std::string edited_first_line;
    std::getline(in, edited_first_line, '\r');
    EXPECT_EQ(edited_first_line, read) << "the editor opened " << edited;
    fs::remove(folder.path() / decoy);
    // The opener's pipe has been closed by its writer: listen afresh for the next one.
    ::close(calls_fd_);
    calls_fd_ = ::open(calls_pipe().c_str(), O_RDONLY | O_NONBLOCK);
  }
}

TEST_F(CommandInterpreter, StartDocumentOpensItWithItsProgram) {
  folder.write("orbelinhelp.HTM", "<html></html>");
  EXPECT_TRUE(returns_at_once("CMD /C start OrbelinHelp.htm"));
  EXPECT_EQ(opened_, "xdg-open|" + (folder.path() / "orbelinhelp.HTM").string() + "\n");
}

TEST_F(CommandInterpreter, ReachedThroughTheThirdTryToo) {
  folder.write("Notes.txt", "x");
  // "start" is built in: no program is tried for it, the interpreter runs the line.
  EXPECT_TRUE(returns_at_once("start notepad notes.TXT"));
  EXPECT_EQ(opened_, "xdg-open|" + (folder.path() / "Notes.txt").string() + "\n");
}

}  // namespace
