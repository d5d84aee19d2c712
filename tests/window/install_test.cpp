// `cmake --install` into a prefix of the test's own: Orbelin's folder under libexec, the link on
// the path, the desktop entry, a second install that keeps the user's setup file, and the linked
// program opening its window on the installed sample.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "probe_fixture.h"
#include "tests/support/harness.h"

namespace {
namespace fs = std::filesystem;

// A fresh prefix, and `cmake --install` of this build into it.
class Prefix {
 public:
  const fs::path& path() const { return folder_.path(); }
  fs::path folder() const { return path() / "libexec" / "orbelin"; }

  // Its output when it fails.
  ::testing::AssertionResult install() const {
    Child cmake({CMAKE_COMMAND, "--install", BUILD_FOLDER, "--prefix", path().string()}, {});
    const auto code = cmake.wait_for_exit(60s);
    if (code == 0) return ::testing::AssertionSuccess();
    std::string output;
    while (auto line = cmake.next_line(0ms)) output += *line + "\n";
    return ::testing::AssertionFailure() << "cmake --install: " << (code ? std::to_string(*code) : "no end") << "\n"
                                         << output << cmake.error_output();
  }

 private:
  TempFolder folder_;
};

TEST(Install, PutsOrbelinsFolderUnderLibexecLinksItIntoBinAndAddsADesktopEntry) {
  const Prefix prefix;
  ASSERT_TRUE(prefix.install());

  // The folder as Orbelin runs from it.
  for (const char* program : {"orbelin", "cmd"}) {
    const fs::path file = prefix.folder() / program;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file))) << file;
    EXPECT_EQ(::access(file.c_str(), X_OK), 0) << file << " is not executable";
  }
  for (const char* name : {"Orbelin020.SET", "SampleDay.csv", "OrbelinHelp.htm"}) {
    EXPECT_TRUE(fs::is_regular_file(prefix.folder() / name)) << name;
    EXPECT_EQ(file_bytes(prefix.folder() / name), file_bytes(fs::path(SAMPLE_FOLDER) / name)) << name;
  }

  // bin/ holds the one link, relative, so that the tree may move; the helper stays off the path.
  std::vector<std::string> in_bin;
  for (const auto& entry : fs::directory_iterator(prefix.path() / "bin")) in_bin.push_back(entry.path().filename());
  EXPECT_EQ(in_bin, std::vector<std::string>{"orbelin"});
  const fs::path link = prefix.path() / "bin" / "orbelin";
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), fs::path("../libexec/orbelin/orbelin"));
  EXPECT_EQ(fs::canonical(link), fs::canonical(prefix.folder() / "orbelin"));

  // The desktop entry: valid without a remark, started by name from the path, matched to the
  // window by its class.
  const fs::path entry = prefix.path() / "share" / "applications" / "orbelin.desktop";
  ASSERT_TRUE(fs::is_regular_file(entry));
  Child validate({"desktop-file-validate", entry.string()}, {});
  ASSERT_TRUE(validate.started()) << "desktop-file-validate is not installed (tools/install-deps --test)";
  EXPECT_EQ(validate.wait_for_exit(), 0);
  EXPECT_EQ(validate.next_line(0ms), std::nullopt) << "desktop-file-validate has remarks";
  EXPECT_EQ(validate.error_output(), "");
  const std::string text = file_bytes(entry);
  for (const char* line : {"\nType=Application\n", "\nName=Orbelin\n", "\nExec=orbelin\n", "\nTerminal=false\n",
                           "\nStartupWMClass=Orbelin\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_NE(text.find("\nCategories=Network;HamRadio;\n"), std::string::npos);

  // The glyph table's source and licence, for whoever hands the program on.
  for (const char* name : {"glyphs.README", "glyphs.GPL-2"})
    EXPECT_TRUE(fs::is_regular_file(prefix.path() / "share" / "doc" / "Orbelin" / name)) << name;
}

TEST(Install, ASecondInstallKeepsTheEditedSetupFileAndRefreshesTheRest) {
  const Prefix prefix;
  ASSERT_TRUE(prefix.install());
  const std::string edited = "/home/ham/rxspot/spots.csv\r\nN\r\nDL1ABC\r\n";
  std::ofstream(prefix.folder() / "Orbelin020.SET", std::ios::binary) << edited;
  std::ofstream(prefix.folder() / "OrbelinHelp.htm", std::ios::binary) << "an older page";
  ASSERT_TRUE(prefix.install());
  EXPECT_EQ(file_bytes(prefix.folder() / "Orbelin020.SET"), edited);
  EXPECT_EQ(file_bytes(prefix.folder() / "OrbelinHelp.htm"), file_bytes(fs::path(SAMPLE_FOLDER) / "OrbelinHelp.htm"));
  EXPECT_TRUE(fs::is_symlink(prefix.path() / "bin" / "orbelin"));
}

using InstalledOrbelin = WindowTest;

// Started through the link from elsewhere, it runs in its installed folder: the title names the
// log that the installed setup file gives.
TEST_F(InstalledOrbelin, TheLinkInBinOpensTheWindowOnTheInstalledSample) {
  const Prefix prefix;
  ASSERT_TRUE(prefix.install());
  auto& orbelin = start((prefix.path() / "bin" / "orbelin").string());
  const auto window = find_window(display.name(), "^Q0ZVNL Orbelin V0\\.20 18/03/18 {4}SampleDay\\.csv$");
  ASSERT_TRUE(window) << "no window titled with the sample's log";
  EXPECT_EQ(fs::read_symlink("/proc/" + std::to_string(orbelin.pid()) + "/cwd"), fs::canonical(prefix.folder()));
  EXPECT_FALSE(window_exists(display.name(), "^Unhandled Error")) << "an error box: the sample's log was not found";
  ASSERT_TRUE(press_close_button(display.name(), *window));
  EXPECT_EQ(orbelin.wait_for_exit(), 0);
}

}  // namespace
