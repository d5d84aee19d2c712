// The file stand-in: names, the Windows errors of refused opens, reading without blocking.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <vector>

#include "tests/support/harness.h"
#include "winapi/files.h"

namespace {

HANDLE open_for_reading(const char* name) {
  return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::string read_all(HANDLE file) {
  std::string bytes;
  char chunk[7];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.append(chunk, got);
  return bytes;
}

class FileStandIn : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.write("Orbelin020.SET", "setup");
    folder.write("Logs/Spots.csv", "spots");
    folder.write("exact.txt", "lower");
    folder.write("EXACT.txt", "upper");
    std::filesystem::create_directory(folder.path() / "Empty");
  }
  TempFolder folder;
  CurrentFolder here{folder.path()};
};

TEST_F(FileStandIn, NamesMatchWithoutRegardToCaseAndEitherSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"Orbelin020.SET", "setup"},     {"Orbelin020.set", "setup"},   {"ORBELIN020.set", "setup"},
      {"logs\\spots.csv", "spots"},    {"logs/spots.csv", "spots"},   {"LOGS\\SPOTS.CSV", "spots"},
      {".\\Logs\\..\\Logs\\Spots.csv", "spots"},
      // Several match without case: the first in byte order ("EXACT.txt"), an exact match too.
      {"exact.txt", "upper"}, {"EXACT.txt", "upper"}, {"Exact.TXT", "upper"},
  };
  for (const auto& [name, contents] : cases) {
    HANDLE file = open_for_reading(name);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(GetFileType(file), FILE_TYPE_DISK);
    EXPECT_EQ(read_all(file), contents) << name;
    EXPECT_TRUE(CloseHandle(file));
  }
  const std::string absolute = (folder.path() / "LOGS" / "spots.CSV").string();
  HANDLE file = open_for_reading(absolute.c_str());
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(read_all(file), "spots");
  CloseHandle(file);
}

// Folders whose entries differ only in case: every spelling of a name leads to the same entry,
// the one where the first whole path in byte order exists, whichever spelling it has itself.
struct SpellingCase {
  const char* name;
  std::vector<std::string> entries;  // files, each holding its own path
  std::string spelled;               // the name, spelled in other ways by the test
  std::string leads_to;              // the entry it leads to; empty: none (file not found)
};

TEST(WindowsNames, EverySpellingLeadsToTheSameEntry) {
  const SpellingCase cases[] = {
      {"OneEntry", {"Orbelin020.SET"}, "Orbelin020.SET", "Orbelin020.SET"},
      {"AnUpperCaseDecoy", {"Orbelin020.SET", "ORBELIN020.SET"}, "Orbelin020.SET", "ORBELIN020.SET"},
      {"ALowerCaseDecoy", {"Orbelin020.SET", "Orbelin020.set"}, "Orbelin020.SET", "Orbelin020.SET"},
      {"ThreeOfThem", {"orbelin020.set", "Orbelin020.set", "ORBELIN020.SET"}, "Orbelin020.set", "ORBELIN020.SET"},
      {"FoldersToo", {"Logs/Spots.csv", "LOGS/spots.csv", "logs/SPOTS.csv"}, "Logs\\Spots.csv", "LOGS/spots.csv"},
      {"TheFirstFolderThatHoldsIt", {"LOGS/other.csv", "logs/Spots.csv"}, "Logs\\Spots.csv", "logs/Spots.csv"},
      {"NoFolderHoldsIt", {"LOGS/a.csv", "logs/b.csv"}, "Logs\\Spots.csv", ""},
  };
  const auto spelt = [](std::string name, char (*change)(char)) {
    for (char& c : name) c = change(c);
    return name;
  };
  for (const SpellingCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    CurrentFolder here{folder.path()};
    for (const std::string& entry : c.entries) folder.write(entry, entry);
    const std::string spellings[] = {
        c.spelled,
        spelt(c.spelled, [](char x) { return static_cast<char>(std::tolower(static_cast<unsigned char>(x))); }),
        spelt(c.spelled, [](char x) { return static_cast<char>(std::toupper(static_cast<unsigned char>(x))); }),
        spelt(c.spelled, [](char x) { return x == 'e' ? 'E' : x == 'S' ? 's' : x; }),
    };
    for (const std::string& spelling : spellings) {
      DWORD error = 0;
      EXPECT_EQ(resolve_windows_name(spelling.c_str(), &error), c.leads_to) << spelling;
      HANDLE file = open_for_reading(spelling.c_str());
      if (c.leads_to.empty()) {
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << spelling;
        EXPECT_EQ(file, INVALID_HANDLE_VALUE) << spelling;
        continue;
      }
      ASSERT_NE(file, INVALID_HANDLE_VALUE) << spelling;
      EXPECT_EQ(read_all(file), c.leads_to) << spelling;
      CloseHandle(file);
    }
  }
}

TEST_F(FileStandIn, RefusedOpensGiveTheWindowsErrorOfTheirReason) {
  folder.write("plain.txt", "x");
  const std::pair<const char*, DWORD> cases[] = {
      {"missing.csv", ERROR_FILE_NOT_FOUND},
      {"Logs\\missing.csv", ERROR_FILE_NOT_FOUND},
      {"NoFolder\\spots.csv", ERROR_PATH_NOT_FOUND},
      {"Logs\\NoFolder\\spots.csv", ERROR_PATH_NOT_FOUND},
      {"plain.txt\\inside", ERROR_PATH_NOT_FOUND},
      {"C:\\Spots\\log.csv", ERROR_PATH_NOT_FOUND},
      {"c:log.csv", ERROR_PATH_NOT_FOUND},
      {"", ERROR_PATH_NOT_FOUND},
      {"Empty", ERROR_ACCESS_DENIED},
      {"logs", ERROR_ACCESS_DENIED},
      {"\\", ERROR_ACCESS_DENIED},
  };
  for (const auto& [name, error] : cases) {
    SetLastError(0);
    EXPECT_EQ(open_for_reading(name), INVALID_HANDLE_VALUE) << name;
    EXPECT_EQ(GetLastError(), error) << "\"" << name << "\"";
  }
  SetLastError(0);
  EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileStandIn, UnreadableFileIsAccessDenied) {
  std::string name = "LOCKED.csv";
  const auto file = folder.write("locked.csv", "x");
  std::filesystem::permissions(file, std::filesystem::perms::none);
  if (geteuid() == 0) {
    // Permissions do not hold for root; a write-only kernel setting still refuses reading.
    name = "/proc/sys/vm/compact_memory";
    if (!std::filesystem::exists(name)) GTEST_SKIP() << "no file that refuses root here";
  }
  SetLastError(0);
  EXPECT_EQ(open_for_reading(name.c_str()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FileStandIn, NothingIsEverCreatedOrWritten) {
  const auto setup = folder.path() / "Orbelin020.SET";
  const auto before = std::filesystem::last_write_time(setup);
  const DWORD writing[] = {GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
  for (DWORD access : writing) {
    EXPECT_EQ(CreateFileA("Orbelin020.SET", access, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  const DWORD creating[] = {1 /*CREATE_NEW*/, 2 /*CREATE_ALWAYS*/, 4 /*OPEN_ALWAYS*/, 5 /*TRUNCATE_EXISTING*/};
  for (DWORD creation : creating) {
    EXPECT_EQ(CreateFileA("new.txt", GENERIC_READ, 0, nullptr, creation, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileA("Orbelin020.SET", GENERIC_READ, 0, nullptr, creation, 0, nullptr), INVALID_HANDLE_VALUE);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "new.txt"));
  HANDLE file = open_for_reading("Orbelin020.SET");
  read_all(file);
  CloseHandle(file);
  EXPECT_EQ(std::filesystem::last_write_time(setup), before);
  EXPECT_EQ(std::filesystem::file_size(setup), 5u);
}

TEST_F(FileStandIn, SizeFollowsGrowthAndAReplacedFileReadsAsEnded) {
  folder.write("log.csv", "0123456789");
  HANDLE file = open_for_reading("log.csv");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char bytes[4];
  DWORD got = 0;
  ASSERT_TRUE(ReadFile(file, bytes, 4, &got, nullptr));
  EXPECT_EQ(got, 4u);
  LARGE_INTEGER size{};
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 10);
  folder.append("log.csv", "abc");
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 13);

  // Rotated: a new file under the same name. The old one reads as ended where it was read to.
  folder.write("log.new", "a new day with much more in it");
  std::filesystem::rename(folder.path() / "log.new", folder.path() / "log.csv");
  ASSERT_TRUE(ReadFile(file, bytes, 4, &got, nullptr));
  EXPECT_EQ(got, 0u);
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 4);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file)) << "a handle closes once";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileStandIn, DeletedFileReadsAsEnded) {
  folder.write("gone.csv", "0123456789");
  HANDLE file = open_for_reading("gone.csv");
  std::filesystem::remove(folder.path() / "gone.csv");
  char bytes[4];
  DWORD got = 99;
  EXPECT_TRUE(ReadFile(file, bytes, 4, &got, nullptr));
  EXPECT_EQ(got, 0u);
  CloseHandle(file);
}

TEST_F(FileStandIn, PipeWithoutWriterOpensAtOnceAndReadsEmptyAndNeverBlocks) {
  ASSERT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0600), 0);
  HANDLE pipe = open_for_reading("PIPE");
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileType(pipe), FILE_TYPE_PIPE);
  LARGE_INTEGER size{};
  EXPECT_FALSE(GetFileSizeEx(pipe, &size)) << "a pipe has no size";
  char bytes[8];
  DWORD got = 99;
  EXPECT_TRUE(ReadFile(pipe, bytes, sizeof bytes, &got, nullptr));
  EXPECT_EQ(got, 0u);
  // A writer that writes nothing: a read still comes back at once.
  const int writer = ::open((folder.path() / "pipe").c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  EXPECT_TRUE(ReadFile(pipe, bytes, sizeof bytes, &got, nullptr));
  EXPECT_EQ(got, 0u);
  ASSERT_EQ(::write(writer, "hi", 2), 2);
  EXPECT_TRUE(ReadFile(pipe, bytes, sizeof bytes, &got, nullptr));
  EXPECT_EQ(std::string(bytes, got), "hi");
  ::close(writer);
  CloseHandle(pipe);
}

TEST_F(FileStandIn, ReadThatTheSystemRefusesFails) {
  HANDLE memory = open_for_reading("/proc/self/mem");  // reading at address 0 fails
  ASSERT_NE(memory, INVALID_HANDLE_VALUE);
  char byte;
  DWORD got = 0;
  EXPECT_FALSE(ReadFile(memory, &byte, 1, &got, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_READ_FAULT);
  CloseHandle(memory);
}

TEST_F(FileStandIn, SerialPortThatDoesNotExist) {
  SetLastError(0);
  EXPECT_EQ(open_for_reading("\\\\.\\COM255"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
