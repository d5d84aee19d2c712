// Opening files under numbers and reading them field by field: bytes in, fields and errors out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/harness.h"
#include "winapi/message_box.h"

namespace {

using namespace std::string_literals;

class Fields : public PlatformTest {
 protected:
  // Writes `bytes` as the file "in.csv" and opens it as file 1.
  void open_bytes(const std::string& bytes) {
    close_all_files();
    folder.write("in.csv", bytes);
    open_input_file("in.csv", 1);
    ASSERT_FALSE(error_pending()) << pending_error_number();
  }
  // Reads a text field into a target that held "old"; gives it and the error it raised.
  std::pair<std::string, int32_t> text() {
    Text target = "old";
    read_text_field(1, target);
    const int32_t error = pending_error_number();
    reset_errors();
    return {target, error};
  }
  std::pair<Extended, int32_t> number() {
    const Extended value = read_number_field(1);
    const int32_t error = pending_error_number();
    reset_errors();
    return {value, error};
  }
  TempFolder folder;
  CurrentFolder here{folder.path()};
};

struct TextCase {
  std::string bytes;
  std::vector<std::pair<std::string, int32_t>> reads;  // each read's field and error
};

TEST_F(Fields, TextFieldTable) {
  const TextCase cases[] = {
      {"abc,def\r\n", {{"abc", 0}, {"def", 0}, {"", 62}}},
      {"  a b \t,\t c\t\n", {{"a b", 0}, {"c", 0}, {"", 62}}},
      {",,", {{"", 0}, {"", 0}, {"", 62}}},
      {"\r\n,x", {{"", 0}, {"", 0}, {"x", 0}}},
      {"a\r\rb", {{"a", 0}, {"", 0}, {"b", 0}}},            // CR CR: a line end and an empty field
      {"a\n\rb", {{"a", 0}, {"b", 0}}},                      // LF CR: one line end
      {"a\r\nb", {{"a", 0}, {"b", 0}}},
      {"a\n\nb", {{"a", 0}, {"", 0}, {"b", 0}}},
      {"a\n\r\n", {{"a", 0}, {"", 0}, {"", 62}}},
      {"no line end", {{"no line end", 0}, {"", 62}, {"", 62}}},
      {"\"x,y\r\nz\",w", {{"x,y\r\nz", 0}, {"w", 0}}},      // quoted: commas and line ends inside
      {"\"x\" dropped, w", {{"x", 0}, {"w", 0}}},           // after the closing quote, up to the comma
      {"\"x\"\"y\",w", {{"x", 0}, {"w", 0}}},
      {"  \t\"  kept  \"  ,", {{"  kept  ", 0}, {"", 62}}},
      {"\"unclosed, to the end", {{"unclosed, to the end", 0}, {"", 62}}},
      {"\"\"", {{"", 0}, {"", 62}}},
      {"x \"y\" z,w", {{"x \"y\" z", 0}, {"w", 0}}},        // a quote later in a field is a byte like any
      {"a\x1a" "b,c", {{"a", 0}, {"", 62}, {"", 62}}},     // byte 26 ends the file and stays
      {"\"q\x1a" "q\"", {{"q", 0}, {"", 62}}},
      {"\x1a\x1a\x1a", {{"", 62}, {"", 62}}},
      {"   \t  ", {{"", 62}}},
      {"", {{"", 62}, {"", 62}}},
      {"a\0b,\0"s, {{"a\0b"s, 0}, {"\0"s, 0}, {"", 62}}},  // zero bytes are bytes
      {"\xff\x80\x01\x7f,\xfe", {{"\xff\x80\x01\x7f", 0}, {"\xfe", 0}}},
  };
  for (const auto& c : cases) {
    open_bytes(c.bytes);
    for (size_t i = 0; i < c.reads.size(); ++i)
      EXPECT_EQ(text(), c.reads[i]) << "read " << i + 1 << " of \"" << c.bytes << "\"";
  }
}

struct NumberCase {
  std::string bytes;
  std::vector<std::pair<double, int32_t>> reads;
};

TEST_F(Fields, NumberFieldTable) {
  const double lowest = -3.402823466E+38;
  const NumberCase cases[] = {
      {"12,34\r\n", {{12, 0}, {34, 0}, {0, 62}}},
      {"  -1.5E3 , +2.5d-1\n", {{-1500, 0}, {0.25, 0}}},
      {".5,5.,-.25e+1", {{0.5, 0}, {5, 0}, {-2.5, 0}}},
      {"\t7,8", {{0, 0}, {8, 0}}},                    // a tab ends the number at once
      {"1 2,3", {{1, 0}, {2, 0}, {3, 0}}},            // blanks then a digit: the skipping stops there
      {"1   ,2", {{1, 0}, {2, 0}}},
      {"1x y,2", {{1, 0}, {0, 0}, {2, 0}}},
      {"1.2.3,4", {{1.2, 0}, {4, 0}}},
      {"abc,+,-,E5,,5", {{0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {5, 0}}},
      {"5\r\r6", {{5, 0}, {0, 0}, {6, 0}}},
      {"5\n\r6\r\n7", {{5, 0}, {6, 0}, {7, 0}}},
      {"&H10,&hff,&O17,&o777,&Hx,&,-&H10", {{16, 0}, {255, 0}, {15, 0}, {511, 0}, {0, 0}, {0, 0}, {0, 0}}},
      {"&HFFFFFFFFFFFFFFFF,&H8000000000000000", {{-1, 0}, {-9223372036854775808.0, 0}}},
      {"&H10000000000000000,&H0000000000000000F,9", {{0, 6}, {0, 6}, {9, 0}}},
      {"&O1777777777777777777777,&O2000000000000000000000,&O00000000000000000000001", {{-1, 0}, {0, 6}, {0, 6}}},
      {"12\x1a" "34", {{12, 0}, {0, 62}, {0, 62}}},
      {"   ", {{0, 62}}},
      {"\t", {{0, 0}, {0, 62}}},                      // a tab is not skipped: the field reads as 0
      {"3.402823466E+38,3.4028234665E+38,3.5E38", {{3.402823466E+38, 0}, {0, 6}, {0, 6}}},
      {"-3.402823466E+38,-3.5E38,-1E300", {{lowest, 0}, {lowest, 0}, {lowest, 0}}},
      {"-1.7976931348623157E308,-1.7976931348623158E308,-1E309,-0.1E310", {{lowest, 0}, {0, 6}, {0, 6}, {0, 6}}},
      {"1E999,7", {{0, 6}, {7, 0}}},                  // the field is consumed all the same
      {"1E-325,1E-400,0E99999999999999999", {{0, 0}, {0, 0}, {0, 0}}},
      {"1E-1234567890123456789,1E-123456789012345678", {{0, 6}, {0, 0}}},  // 19 and 18 exponent digits
      {"1E0000000000000000000000001", {{10, 0}}},     // leading zeros of the exponent do not count
      {"0000000000000000000000000000000000012.5", {{12.5, 0}}},
  };
  for (const auto& c : cases) {
    open_bytes(c.bytes);
    for (size_t i = 0; i < c.reads.size(); ++i) {
      const auto [value, error] = number();
      EXPECT_EQ(static_cast<double>(value), c.reads[i].first) << "read " << i + 1 << " of \"" << c.bytes << "\"";
      EXPECT_EQ(error, c.reads[i].second) << "read " << i + 1 << " of \"" << c.bytes << "\"";
    }
  }
}

TEST_F(Fields, NumberDigitLimits) {
  // The 18th and later significant digits are dropped before rounding: just above a tie rounds
  // down, as the 17 digits alone make an exact tie (ties to even).
  open_bytes("9007199254740993.0001,9007199254740993.0001e0");
  EXPECT_EQ(static_cast<double>(number().first), 9007199254740992.0);
  const double seventeen = std::strtod("12345678901234567e4", nullptr);
  open_bytes("123456789012345678901");
  EXPECT_EQ(static_cast<double>(number().first), seventeen);
  open_bytes("0.0000123456789012345678901");
  EXPECT_EQ(static_cast<double>(number().first), std::strtod("0.0000123456789012345670", nullptr));

  // 256 significant digits are taken, 257 are an overflow (zeros after the first digit count).
  open_bytes("0." + std::string(256, '1') + ",0." + std::string(257, '1') + ",1." + std::string(256, '0'));
  EXPECT_EQ(number(), (std::pair<Extended, int32_t>{static_cast<Extended>(std::strtod(("0." + std::string(17, '1')).c_str(), nullptr)), 0}));
  EXPECT_EQ(number().second, 6);
  EXPECT_EQ(number().second, 6);

  // The smallest magnitudes: below 1E-324 gives 0, from it on the nearest double.
  open_bytes("5E-324,1E-324");
  EXPECT_EQ(static_cast<double>(number().first), 4.9406564584124654e-324);
  EXPECT_EQ(static_cast<double>(number().first), 0.0);

  // Whole numbers of up to 17 digits come back exact, as an extended value.
  open_bytes("16777217,12345678901234567");
  EXPECT_EQ(number().first, 16777217.0L);
  EXPECT_EQ(number().first, static_cast<Extended>(12345678901234567.0));
}

TEST_F(Fields, HexAndOctalNumbersComeBackWhole) {
  // The whole 64-bit number as the extended value, so that the plotter's float store is the one
  // rounding: 2^62 + 2^38 + 1 lies just above halfway between two floats and goes up, where a
  // double on the way (2^62 + 2^38, a tie) would round down to 2^62.
  open_bytes("&H4000004000000001,&H7FFFFFFFFFFFFFFF,&H8000000000000001,&O777777777777777777777,"
             "&O1000000000000000000001");
  const Extended expected[] = {4611686293305294849.0L, 9223372036854775807.0L, -9223372036854775807.0L,
                               9223372036854775807.0L, -9223372036854775807.0L};
  for (const Extended value : expected) EXPECT_EQ(number(), (std::pair<Extended, int32_t>{value, 0}));
  open_bytes("&H4000004000000001");
  EXPECT_EQ(static_cast<float>(number().first), 0x1.000002p62f);
}

TEST_F(Fields, FieldOfMegabytesAndFileWithoutLineEnd) {
  const std::string huge(3 * 1024 * 1024 + 17, 'x');
  open_bytes(huge + ",tail");
  EXPECT_EQ(text(), (std::pair<std::string, int32_t>{huge, 0}));
  EXPECT_EQ(text().first, "tail");
  EXPECT_EQ(at_end_of_file(1), -1);

  open_bytes(std::string(200000, '7') + ",1");  // 200000 significant digits
  EXPECT_EQ(number().second, 6);
  EXPECT_EQ(number(), (std::pair<Extended, int32_t>{1, 0}));

  open_bytes(std::string(100000, ' ') + "\"" + std::string(100000, 'q'));
  EXPECT_EQ(text().first, std::string(100000, 'q'));
}

// ---- The bound on one field --------------------------------------------------------------------

struct BoundCase {
  const char* name;
  const char* device;  // read this device; else a file of head, middle and tail:
  std::string head;
  char fill;           // the middle's bytes: a hole when 0 (nothing is written for it)
  int64_t middle;      // the middle's length, relative to longest_field
  std::string tail;
  bool number;         // read with read_number_field, else read_text_field
  int64_t first;       // the first read's field length (text) or value (number); -1: box 14
  std::pair<std::string, int32_t> second;  // the next text read
};
void PrintTo(const BoundCase& c, std::ostream* out) { *out << c.name; }

class FieldBound : public Fields, public ::testing::WithParamInterface<BoundCase> {
 protected:
  void open_case(const BoundCase& c) {
    if (c.device) {
      open_input_file(c.device, 1);
      ASSERT_FALSE(error_pending());
      return;
    }
    open_bytes(c.head);
    close_all_files();
    const int64_t middle = longest_field + c.middle;
    if (c.fill != 0) {
      std::ofstream out(folder.path() / "in.csv", std::ios::binary | std::ios::app);
      const std::string chunk(1 << 20, c.fill);
      for (int64_t left = middle; left > 0; left -= static_cast<int64_t>(chunk.size()))
        out.write(chunk.data(), static_cast<std::streamsize>(std::min<int64_t>(left, chunk.size())));
      out << c.tail;
    } else {
      const int fd = ::open("in.csv", O_WRONLY);
      ASSERT_GE(fd, 0);
      const auto end = static_cast<off_t>(c.head.size()) + static_cast<off_t>(middle);
      ASSERT_EQ(::pwrite(fd, c.tail.data(), c.tail.size(), end), static_cast<ssize_t>(c.tail.size()));
      ::close(fd);
    }
    open_input_file("in.csv", 1);
    ASSERT_FALSE(error_pending());
  }
};

TEST_P(FieldBound, AFieldRunsToItsBoundAndNoFurther) {
  const BoundCase& c = GetParam();
  open_case(c);
  EXPECT_EQ(at_end_of_file(1), 0);
  if (c.number) {
    const auto [value, error] = number();
    EXPECT_EQ(value, c.first < 0 ? 0 : c.first);
    EXPECT_EQ(error, c.first < 0 ? 14 : 0);
  } else {
    Text field = "old";
    read_text_field(1, field);
    EXPECT_EQ(pending_error_number(), c.first < 0 ? 14 : 0);
    reset_errors();
    if (c.first < 0) {
      EXPECT_EQ(field, "old") << "a field too long leaves its target as it was";
    } else {
      EXPECT_EQ(static_cast<int64_t>(field.size()), c.first);
      EXPECT_EQ(field.find_first_not_of('\0'), Text::npos);
    }
  }
  // After the box the file is at its end: what follows the long field is never read.
  EXPECT_EQ(at_end_of_file(1), c.first < 0 ? -1 : 0);
  EXPECT_EQ(text(), c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, FieldBound,
    ::testing::Values(
        BoundCase{"ExactlyTheBound", nullptr, "", 0, 0, "\r\nnext", false, longest_field, {"next", 0}},
        BoundCase{"OneByteMore", nullptr, "", 0, 1, ",next", false, -1, {"", 62}},
        BoundCase{"QuotedNeverClosed", nullptr, "\"", 0, 0, ",,,,", false, -1, {"", 62}},  // commas inside
        BoundCase{"NumberSkipsToTheBound", nullptr, "5", 0, -1, ",7", true, 5, {"7", 0}},
        BoundCase{"NumberSkipsPastTheBound", nullptr, "5", 0, 0, ",7", true, -1, {"", 62}},
        BoundCase{"EndlessDigits", nullptr, "", '9', 1, ",7", true, -1, {"", 62}},
        BoundCase{"ZeroDeviceAsText", "/dev/zero", "", 0, 0, "", false, -1, {"", 62}},
        BoundCase{"ZeroDeviceAsNumber", "/dev/zero", "", 0, 0, "", true, -1, {"", 62}},
        BoundCase{"FullDeviceAsText", "/dev/full", "", 0, 0, "", false, -1, {"", 62}}),
    [](const ::testing::TestParamInfo<BoundCase>& param_info) { return std::string(param_info.param.name); });

TEST_F(Fields, EndTestFollowsTheFileAndTheByte26Rule) {
  open_bytes("");
  EXPECT_EQ(at_end_of_file(1), -1) << "an empty file at once";

  open_bytes("\x1a" "abc");
  EXPECT_EQ(at_end_of_file(1), -1) << "first byte 26: at the end from the opening";

  open_bytes("ab\x1a" "cd");
  EXPECT_EQ(at_end_of_file(1), 0) << "byte 26 counts only once a read has met it";
  EXPECT_EQ(text().first, "ab");
  EXPECT_EQ(at_end_of_file(1), -1);

  open_bytes("a,b\r\n");
  EXPECT_EQ(at_end_of_file(1), 0);
  text();
  EXPECT_EQ(at_end_of_file(1), 0);
  text();
  EXPECT_EQ(at_end_of_file(1), -1) << "the bytes read reach the size";

  // A CR LF file that grows between reads is followed to its new end.
  open_bytes("K1ABC,x\r\n");
  text();
  text();
  EXPECT_EQ(at_end_of_file(1), -1);
  folder.append("in.csv", "G4XYZ,y\r\n");
  EXPECT_EQ(at_end_of_file(1), 0);
  EXPECT_EQ(text().first, "G4XYZ");
  EXPECT_EQ(text().first, "y");
  EXPECT_EQ(at_end_of_file(1), -1);

  // A read that met the end keeps the file at its end until a later read finds bytes.
  open_bytes("K1ABC");
  text();
  folder.append("in.csv", ",more");
  EXPECT_EQ(at_end_of_file(1), -1);
  EXPECT_EQ(text().first, "") << "the appended comma ends an empty field";
  EXPECT_EQ(at_end_of_file(1), 0);
  EXPECT_EQ(text().first, "more");
}

TEST_F(Fields, TruncatedOrReplacedFileEndsWithinOneBufferAndNeverHangs) {
  std::string log;
  for (int i = 0; i < 20000; ++i) log += "K1ABC,x,12:00:00,-10,-50\r\n";  // 520 kB
  const int budget = 64 * 1024 / 26 + 2;  // records that one read-ahead buffer can hold
  for (int how = 0; how < 3; ++how) {
    open_bytes(log);
    for (int i = 0; i < 5000 * 5; ++i) text();
    if (how == 0) std::filesystem::resize_file(folder.path() / "in.csv", 100);
    if (how == 1) {
      folder.write("new.csv", "a short new day\r\n");
      std::filesystem::rename(folder.path() / "new.csv", folder.path() / "in.csv");
    }
    if (how == 2) std::filesystem::remove(folder.path() / "in.csv");
    int records = 0;
    while (at_end_of_file(1) == 0 && records < 100000) {
      for (int f = 0; f < 5; ++f) text();
      ++records;
    }
    EXPECT_LE(records, budget) << "how " << how;
    EXPECT_EQ(at_end_of_file(1), -1);
  }
}

TEST_F(Fields, OpenMapsEachRefusalToItsError) {
  folder.write("Logs/Spots.csv", "x");
  std::filesystem::create_directory(folder.path() / "Folder");
  const std::pair<Text, int32_t> cases[] = {
      {"missing.csv", 53},
      {"NoFolder\\spots.csv", 76},
      {"nofolder/spots.csv", 76},
      {"C:\\Spots\\log.csv", 76},
      {"", 76},
      {"\0spots.csv"s, 76},
      {"Folder", 70},
      {"COM0:", 64},
      {"COM256:9600", 64},
      {"com1:9600,X,8,1", 64},
      {"COM1:9600,N,9,1", 64},
      {"COM1:9600,N,8,3", 64},
      {"COM1:9600,N,8,1,XX", 64},
      {"com255:9600,N,8,1", 68},  // no such port here
      {"COM255:", 68},
  };
  for (const auto& [name, error] : cases) {
    open_input_file(name, 1);
    EXPECT_EQ(pending_error_number(), error) << "\"" << name << "\"";
    reset_errors();
    EXPECT_EQ(at_end_of_file(1), 0);
    EXPECT_EQ(pending_error_number(), 52) << "the number stays free after \"" << name << "\"";
    reset_errors();
  }
}

TEST_F(Fields, OpenFindsTheFileWhateverTheCaseAndSeparators) {
  folder.write("Orbelin020.SET", "spots/today.csv\r\n");
  folder.write("Logs/Spots.csv", "K1ABC\r\n");
  const Text names[] = {"Orbelin020.set", "ORBELIN020.SET", "logs\\spots.csv", "LOGS/SPOTS.CSV",
                        "Logs/Spots.csv\0junk"s};
  for (const auto& name : names) {
    open_input_file(name, 1);
    EXPECT_FALSE(error_pending()) << name;
    EXPECT_EQ(at_end_of_file(1), 0);
    close_file(1);
  }
}

TEST_F(Fields, FileNumbers) {
  folder.write("a.csv", "first\r\n");
  folder.write("b.csv", "second\r\n");
  open_input_file("a.csv", 0);
  EXPECT_EQ(pending_error_number(), 52);
  reset_errors();
  open_input_file("a.csv", -1);
  EXPECT_EQ(pending_error_number(), 52);
  reset_errors();
  open_input_file("a.csv", 1);
  open_input_file("b.csv", 2);
  EXPECT_FALSE(error_pending());
  open_input_file("b.csv", 1);
  EXPECT_EQ(pending_error_number(), 55);
  reset_errors();
  Text a, b;
  read_text_field(2, b);
  read_text_field(1, a);
  EXPECT_EQ(a, "first");
  EXPECT_EQ(b, "second");
  close_file(1);
  close_file(1);  // nothing open under it: nothing happens
  close_file(7);
  EXPECT_FALSE(error_pending());
  Text kept = "kept";
  read_text_field(1, kept);
  EXPECT_EQ(pending_error_number(), 52);
  EXPECT_EQ(kept, "kept");
  reset_errors();
  EXPECT_EQ(read_number_field(1), 0);
  EXPECT_EQ(pending_error_number(), 52);
  reset_errors();
  EXPECT_EQ(at_end_of_file(1), 0);
  EXPECT_EQ(pending_error_number(), 52);
}

TEST_F(Fields, RefusedReadGives75AndTheNumberStaysFree) {
  open_input_file("/proc/self/mem", 1);  // its first byte cannot be read
  EXPECT_EQ(pending_error_number(), 75);
  reset_errors();
  open_input_file("/proc/self/mem", 1);
  EXPECT_EQ(pending_error_number(), 75) << "not 55: the number stayed free";
}

TEST_F(Fields, UnreadableFileGives70) {
  Text name = "locked.csv";
  const auto file = folder.write("locked.csv", "x");
  std::filesystem::permissions(file, std::filesystem::perms::none);
  if (geteuid() == 0) {
    name = "/proc/sys/vm/compact_memory";
    if (!std::filesystem::exists(name)) GTEST_SKIP() << "no file that refuses root here";
  }
  open_input_file(name, 1);
  EXPECT_EQ(pending_error_number(), 70);
}

TEST_F(Fields, PipeWithoutWriterReadsAsEmptyAtOnce) {
  ASSERT_EQ(::mkfifo((folder.path() / "spots.pipe").c_str(), 0600), 0);
  open_input_file("spots.pipe", 1);
  ASSERT_FALSE(error_pending());
  EXPECT_EQ(at_end_of_file(1), -1);
  EXPECT_EQ(text(), (std::pair<std::string, int32_t>{"", 62}));
}

TEST_F(Fields, PendingErrorSilencesTheFileOperationsButNotTheEndTest) {
  folder.write("a.csv", "first,2\r\n");
  folder.write("b.csv", "x\r\n");
  open_input_file("a.csv", 1);
  raise_error(53);
  open_input_file("b.csv", 2);
  close_file(1);
  Text target = "kept";
  read_text_field(1, target);
  EXPECT_EQ(target, "kept");
  EXPECT_EQ(read_number_field(1), 0);
  EXPECT_EQ(at_end_of_file(1), 0) << "still open, nothing consumed";
  EXPECT_EQ(at_end_of_file(2), 0) << "file 2 was not opened: 52 is dropped behind the pending error";
  EXPECT_EQ(pending_error_number(), 53);
  reset_errors();
  EXPECT_EQ(at_end_of_file(2), 0);
  EXPECT_EQ(pending_error_number(), 52);
  reset_errors();
  read_text_field(1, target);
  EXPECT_EQ(target, "first");
  EXPECT_EQ(read_number_field(1), 2);
  EXPECT_EQ(at_end_of_file(1), -1);
}

TEST_F(Fields, AnswerNoClosesTheFilesAndEndsWithCodeZero) {
  folder.write("a.csv", "first\r\n");
  open_input_file("a.csv", 1);
  message_boxes.answer({IDNO});
  raise_error(62);
  EXPECT_EQ(exit_code_of([] { poll_events(236); }), 0);
  reset_errors();
  EXPECT_EQ(at_end_of_file(1), 0);
  EXPECT_EQ(pending_error_number(), 52) << "file 1 was closed";
}

TEST_F(Fields, EndProgramClosesTheFiles) {
  folder.write("a.csv", "first\r\n");
  open_input_file("a.csv", 1);
  set_screen_mode(12);
  clock.at(100, [] { push_character_key(' '); });
  EXPECT_EQ(exit_code_of([] { end_program(); }), 0);
  EXPECT_EQ(at_end_of_file(1), 0);
  EXPECT_EQ(pending_error_number(), 52);
}

}  // namespace
