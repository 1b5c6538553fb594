#include "script/save_data.h"
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include "core/memory_streams.h"
#include "tests/script/script_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SaveDataTest : public ScriptTest {
 protected:
  // The encoding of a script expression.
  Bytes encode(const std::string& expr) {
    run("value <- (" + expr + ");");
    MemoryOutputStream out;
    save_data(global("value"), out);
    return out.bytes;
  }
  sqbind::SqObject decode(const Bytes& bytes) {
    MemoryInputStream in(bytes);
    return load_data(in, vm);
  }
  // The text of the error load_data throws for bytes ("" when none).
  std::string load_error(const Bytes& bytes) {
    try {
      decode(bytes);
    } catch (const InputStream::Exception& e) {
      return e.message;
    }
    return "";
  }
  // Saves expr, loads it back, and compares the two in the script.
  void expect_round_trip(const std::string& expr) {
    Bytes bytes = encode(expr);
    sqbind::SqObject back = decode(bytes);
    sq_pushroottable(vm);
    sq_pushstring(vm, "back", -1);
    back.push(vm);
    sq_newslot(vm, -3, SQFalse);
    sq_poptop(vm);
    run("same <- deep_equal(value, back);");
    EXPECT_TRUE(global("same").toBool()) << expr;
    EXPECT_EQ(encode("back"), bytes) << expr;
  }
  void SetUp() override {
    ScriptTest::SetUp();
    run(R"(
      function deep_equal(a, b) {
        if (typeof a != typeof b) return false;
        if (typeof a == "array") {
          if (a.len() != b.len()) return false;
          foreach (i, v in a) if (!deep_equal(v, b[i])) return false;
          return true;
        }
        if (typeof a == "table") {
          if (a.len() != b.len()) return false;
          foreach (k, v in a) if (!(k in b) || !deep_equal(v, b[k])) return false;
          return true;
        }
        return a == b;
      })");
  }
};

TEST_F(SaveDataTest, ScalarsAreWrittenByteExact) {
  EXPECT_EQ(encode("null"), (Bytes{0x00}));
  EXPECT_EQ(encode("true"), (Bytes{0x01, 0x01}));
  EXPECT_EQ(encode("false"), (Bytes{0x01, 0x00}));
  EXPECT_EQ(encode("1.5"), (Bytes{0x04, 0x00, 0x00, 0xC0, 0x3F}));
  EXPECT_EQ(encode("-2"), (Bytes{0x03, 0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(encode("\"ab\""), (Bytes{0x02, 0x02, 0x00, 0x00, 0x00, 'a', 'b'}));
}

TEST_F(SaveDataTest, ContainersAreWrittenDepthFirstWithCounts) {
  EXPECT_EQ(encode("{a = 1}"), (Bytes{0x06, 1, 0, 0, 0, 0x02, 1, 0, 0, 0, 'a', 0x03, 1, 0, 0, 0}));
  EXPECT_EQ(encode("[]"), (Bytes{0x05, 0, 0, 0, 0}));
  EXPECT_EQ(encode("[[1], null]"), (Bytes{0x05, 2, 0, 0, 0, 0x05, 1, 0, 0, 0, 0x03, 1, 0, 0, 0, 0x00}));
  EXPECT_EQ(encode("{}"), (Bytes{0x06, 0, 0, 0, 0}));
}

TEST_F(SaveDataTest, ValuesSurviveARoundTrip) {
  expect_round_trip("null");
  expect_round_trip("-2147483647 - 1");
  expect_round_trip("-0.25");
  expect_round_trip("\"a\\x00\" + \"b\"");  // embedded zero byte
  expect_round_trip("\"\"");
  expect_round_trip("[1, 2.5, \"x\", [true, [false, null]], {k = [1, {}]}]");
  expect_round_trip("{name = \"n\", [3] = 4, [1.5] = \"f\", [false] = 0, nested = {deep = {deeper = [1]}}}");
}

TEST_F(SaveDataTest, EmbeddedZeroKeepsTheFullLength) {
  sqbind::SqObject back = decode(encode("\"a\\x00\" + \"b\""));
  EXPECT_EQ(back.size(), 3);
}

TEST_F(SaveDataTest, UnsaveableValuesNameTheirTypeCode) {
  run("value <- {f = function() {}};");
  MemoryOutputStream out;
  try {
    save_data(global("value"), out);
    FAIL() << "saved a function";
  } catch (const OutputStream::Exception& e) {
    char expected[64];
    snprintf(expected, sizeof(expected), "unsupported Squirrel data type %X", unsigned(OT_CLOSURE));
    EXPECT_STREQ(e.message, expected);
  }
  run("class C {} value <- [C(), 1];");
  EXPECT_THROW(save_data(global("value"), out), OutputStream::Exception);
}

TEST_F(SaveDataTest, ATableContainingItselfIsRefusedNotRecursedForever) {
  run("value <- {}; value.self <- value;");
  MemoryOutputStream out;
  EXPECT_THROW(save_data(global("value"), out), OutputStream::Exception);
  run("value.self = null;");  // let the machine free it
}

TEST_F(SaveDataTest, HostileInputEndsWithAnError) {
  EXPECT_EQ(load_error({0x07}), "unknown Squirrel data type");
  EXPECT_EQ(load_error({0xFF}), "unknown Squirrel data type");
  EXPECT_EQ(load_error({0x05, 1, 0, 0, 0, 0x09}), "unknown Squirrel data type");
  // Counts and lengths the rest of the data can't hold, up to the largest.
  EXPECT_EQ(load_error({0x05, 0xFF, 0xFF, 0xFF, 0xFF}), "count larger than the data left");
  EXPECT_EQ(load_error({0x06, 0x00, 0x00, 0x00, 0x40}), "count larger than the data left");
  EXPECT_EQ(load_error({0x06, 1, 0, 0, 0, 0x00}), "count larger than the data left");
  EXPECT_EQ(load_error({0x02, 3, 0, 0, 0, 'a', 'b'}), "count larger than the data left");
  // Truncated scalars: the stream's own error.
  EXPECT_EQ(load_error({0x03, 1, 0}), "error reading file");
  EXPECT_EQ(load_error({}), "error reading file");
  // A null key can't go into a table.
  EXPECT_EQ(load_error({0x06, 1, 0, 0, 0, 0x00, 0x00}), "invalid table key");
}

TEST_F(SaveDataTest, DeepNestingIsRefusedAtTheLimit) {
  auto nested = [](int depth) {
    Bytes b;
    for (int i = 0; i < depth; i++) b.insert(b.end(), {0x05, 1, 0, 0, 0});
    b.push_back(0x00);
    return b;
  };
  EXPECT_EQ(load_error(nested(SAVE_DATA_MAX_DEPTH)), "");
  EXPECT_EQ(load_error(nested(SAVE_DATA_MAX_DEPTH + 1)), "script data nested too deeply");
  EXPECT_EQ(load_error(nested(100000)), "script data nested too deeply");
}

TEST_F(SaveDataTest, ExtraBytesAfterTheValueAreLeftUnread) {
  Bytes b = {0x03, 7, 0, 0, 0, 0xEE};
  MemoryInputStream in(b);
  EXPECT_EQ(load_data(in, vm).toInt(), 7);
  EXPECT_EQ(in.tell(), 5);
}

TEST_F(SaveDataTest, FuzzRegressionInputsEndCleanly) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EH_FUZZ_REGRESSIONS_DIR)) {
    if (entry.path().extension() != ".hex") continue;
    std::ifstream f(entry.path());
    Bytes bytes;
    unsigned byte;
    while (f >> std::hex >> byte) bytes.push_back(uint8_t(byte));
    try {
      decode(bytes);
    } catch (const InputStream::Exception&) {
    }
    EXPECT_EQ(sq_gettop(vm), 0) << entry.path();
    replayed++;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
