// Runs every scripts/*.nut in a fresh machine (base, math and string
// libraries) and compares what it prints with the matching .expected file.
#include "squirrel.h"
#include "sqstdmath.h"
#include "sqstdstring.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string *g_out = nullptr;

void capture(HSQUIRRELVM, const SQChar *fmt, ...) {
    char buf[4096];
    va_list ap;
    va_start(ap, fmt);
    int n = vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (g_out && n > 0) g_out->append(buf, (size_t)std::min(n, (int)sizeof buf - 1));
}

std::string readFile(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

std::string runScript(const std::string &src, const std::string &name) {
    std::string out;
    g_out = &out;
    HSQUIRRELVM v = sq_open(1024);
    sq_setprintfunc(v, capture, capture);
    sq_pushroottable(v);
    sqstd_register_mathlib(v);
    sqstd_register_stringlib(v);
    sq_pop(v, 1);
    if (SQ_FAILED(sq_compilebuffer(v, src.data(), (SQInteger)src.size(), name.c_str(), SQFalse))) {
        out += "COMPILE ERROR";
    } else {
        sq_pushroottable(v);
        if (SQ_FAILED(sq_call(v, 1, SQFalse, SQFalse))) {
            const SQChar *msg = "?";
            sq_getlasterror(v);
            sq_getstring(v, -1, &msg);
            out += std::string("ERROR: ") + msg;
        }
    }
    sq_close(v);
    g_out = nullptr;
    return out;
}

class Conformance : public ::testing::TestWithParam<std::string> {};

TEST_P(Conformance, PrintsExpectedOutput) {
    std::filesystem::path script = std::filesystem::path(SQ_SCRIPT_DIR) / (GetParam() + ".nut");
    std::filesystem::path expected = std::filesystem::path(SQ_SCRIPT_DIR) / (GetParam() + ".expected");
    std::string got = runScript(readFile(script), script.filename().string());
    std::string want = readFile(expected);
    // compare line by line for readable failures
    std::istringstream g(got), w(want);
    std::string gl, wl;
    int line = 1;
    while (true) {
        bool hg = (bool)std::getline(g, gl), hw = (bool)std::getline(w, wl);
        if (!hg && !hw) break;
        EXPECT_EQ(hw ? wl : "<end>", hg ? gl : "<end>") << GetParam() << " output line " << line;
        line++;
    }
}

std::vector<std::string> scriptNames() {
    std::vector<std::string> names;
    for (auto &e : std::filesystem::directory_iterator(SQ_SCRIPT_DIR))
        if (e.path().extension() == ".nut") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Scripts, Conformance, ::testing::ValuesIn(scriptNames()),
                         [](const ::testing::TestParamInfo<std::string> &i) { return i.param; });

}  // namespace
