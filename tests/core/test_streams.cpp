#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "core/streams.h"
#include "tests/core/child_process.h"

namespace {

// Runs op and returns the stream exception it throws (message "none" if it
// does not throw).
template <typename Ex>
std::pair<std::string, int> thrown(const std::function<void()>& op) {
  try {
    op();
  } catch (const Ex& e) {
    return {e.message, e.position};
  }
  return {"none", 0};
}

typedef std::pair<std::string, int> Err;

void write_file(const std::string& name, const std::string& bytes) {
  FileOutputStream out(name.c_str(), "wb");
  ASSERT_TRUE(out.isOpen());
  out.write(bytes.data(), int(bytes.size()));
}

}  // namespace

TEST(FileStreams, WriteThenReadBackWithPositions) {
  TempFolder dir;
  std::string name = dir.file("data.bin");
  {
    FileOutputStream out(name.c_str(), "wb");
    ASSERT_TRUE(out.isOpen());
    out.write("abcdef", 6);
    EXPECT_EQ(out.tell(), 6);
    out.seek(2);
    out.write("XY", 2);
    out.seekFromEnd(0);
    out.write("gh", 2);
    EXPECT_EQ(out.tell(), 8);
    EXPECT_TRUE(out.close());
    EXPECT_FALSE(out.isOpen());
    out.close();  // closing twice does nothing
  }
  FileInputStream in(name.c_str(), "rb");
  ASSERT_TRUE(in.isOpen());
  char buf[16] = {};
  in.read(buf, 8);
  EXPECT_EQ(std::string(buf, 8), "abXYefgh");
  in.seek(1);
  in.read(buf, 2);
  EXPECT_EQ(std::string(buf, 2), "bX");
  in.seekRelative(2);
  EXPECT_EQ(in.tell(), 5);
  in.seekFromEnd(-1);
  in.read(buf, 1);
  EXPECT_EQ(buf[0], 'h');
  in.read(buf, 0);  // reading nothing at the end is fine
  EXPECT_EQ(in.readPartial(buf, 4), 0);
  in.seek(6);
  EXPECT_EQ(in.readPartial(buf, 10), 2);
}

TEST(FileStreams, ReadErrorsCarryMessageAndPosition) {
  TempFolder dir;
  std::string name = dir.file("short.bin");
  write_file(name, "12345");
  FileInputStream in(name.c_str());
  char buf[16];
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.read(buf, -1); }), Err("negative size in read()", -1));
  in.seek(2);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.read(buf, 10); }), Err("error reading file", 5));
  EXPECT_EQ(thrown<StreamIOException>([&] { in.seek(-3); }), Err("file seek error", 5));
  EXPECT_EQ(in.readPartial(buf, -2), 0);
}

TEST(FileStreams, ClosedStreamsThrowNotOpenedBeforeAnyOtherCheck) {
  FileInputStream in;
  char buf[4];
  EXPECT_EQ(in.readPartial(buf, 4), 0);
  const Err notOpen("file not opened", -1);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.read(buf, -1); }), notOpen);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.tell(); }), notOpen);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.seek(0); }), notOpen);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.seekRelative(1); }), notOpen);
  EXPECT_EQ(thrown<InputStream::Exception>([&] { in.seekFromEnd(0); }), notOpen);
  FileOutputStream out;
  EXPECT_EQ(thrown<OutputStream::Exception>([&] { out.write(buf, -1); }), notOpen);
  EXPECT_EQ(thrown<OutputStream::Exception>([&] { out.tell(); }), notOpen);
  EXPECT_EQ(thrown<OutputStream::Exception>([&] { out.seek(0); }), notOpen);
  EXPECT_EQ(thrown<OutputStream::Exception>([&] { out.seekFromEnd(0); }), notOpen);
}

TEST(FileStreams, OpenFailureLeavesStreamClosedAndReopenClosesFirst) {
  TempFolder dir;
  std::string a = dir.file("a"), b = dir.file("b");
  write_file(a, "A");
  write_file(b, "B");
  FileInputStream in(dir.file("missing").c_str());
  EXPECT_FALSE(in.isOpen());
  ASSERT_TRUE(in.open(a.c_str()));
  ASSERT_TRUE(in.open(b.c_str()));
  char c = 0;
  in.read(&c, 1);
  EXPECT_EQ(c, 'B');
  EXPECT_FALSE(in.open(dir.file("missing").c_str()));
  EXPECT_FALSE(in.isOpen());
  FileOutputStream out((dir.path() + "/no/such/folder/f").c_str());
  EXPECT_FALSE(out.isOpen());
}

TEST(FileStreams, OnlyRegularFilesOpenForReadingAndNothingWaitsOnAPipe) {
  TempFolder dir;
  std::string pipe = dir.file("pipe"), regular = dir.file("regular");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  FILE* made = fopen(regular.c_str(), "wb");
  ASSERT_NE(made, nullptr);
  fputs("data", made);
  fclose(made);
  for (const std::string& odd : {pipe, dir.path(), std::string("/dev/null")}) {
    errno = 0;
    EXPECT_EQ(open_data_file(odd.c_str()), nullptr) << odd;
    EXPECT_EQ(errno, EINVAL) << odd;
    FileInputStream in;
    EXPECT_FALSE(in.open(odd.c_str())) << odd;
  }
  FileInputStream in(regular.c_str());
  char text[4];
  in.read(text, 4);
  EXPECT_EQ(std::string(text, 4), "data");
}

TEST(FileStreams, WriteFailuresAreReportedNotLost) {
  FileOutputStream out("/dev/full", "wb");
  ASSERT_TRUE(out.isOpen());
  std::vector<char> big(1 << 16, 'x');
  Err e = thrown<OutputStream::Exception>([&] { out.write(big.data(), int(big.size())); });
  EXPECT_EQ(e.first, "error writing file");
  EXPECT_EQ(thrown<OutputStream::Exception>([&] { out.write(big.data(), -5); }), Err("negative size in write()", -1));
  // Buffered bytes that cannot be flushed make close fail.
  FileOutputStream small("/dev/full", "wb");
  small.write("abc", 3);
  EXPECT_FALSE(small.close());
}

TEST(FileStreams, ExceptionMessageIsBoundedAndTerminated) {
  std::string longText(2000, 'm');
  StreamIOException e(longText.c_str(), 9);
  EXPECT_EQ(strlen(e.message), 511u);
  EXPECT_EQ(e.position, 9);
}
