// The regexp matcher against a brute-force matcher: random patterns of every
// quantifier over a small alphabet, every short subject.
#include "sqstdstring.h"
#include "squirrel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// A pattern as a tree, printed for the engine and matched by brute force.
struct Pat {
    enum Kind { LIT, ANY, BOL, EOL, SEQ, ALT, REP } kind = LIT;
    char c = 'a';
    std::vector<Pat> kids;
    int min = 0, max = -1;

    std::string text() const {
        std::string s;
        write(s);
        return s;
    }
    void write(std::string &s) const {
        switch (kind) {
        case LIT: s += c; return;
        case ANY: s += '.'; return;
        case BOL: s += '^'; return;
        case EOL: s += '$'; return;
        case SEQ:
            for (auto &k : kids) k.write(s);
            return;
        case ALT:
            s += '(';
            for (size_t i = 0; i < kids.size(); i++) {
                if (i) s += '|';
                kids[i].write(s);
            }
            s += ')';
            return;
        case REP: {
            const Pat &k = kids[0];
            if (k.kind == SEQ) s += "(?:";
            k.write(s);
            if (k.kind == SEQ) s += ')';
            if (min == 0 && max == 1) s += '?';
            else if (min == 0 && max < 0) s += '*';
            else if (min == 1 && max < 0) s += '+';
            else {
                s += '{';
                s += std::to_string(min);
                if (max != min) s += ',';
                if (max > min) s += std::to_string(max);
                s += '}';
            }
            return;
        }
        }
    }

    // every position a match starting at `from` can end at
    std::set<int> ends(const std::string &s, int from) const {
        std::set<int> out;
        switch (kind) {
        case LIT:
        case ANY:
            if (from < (int)s.size() && (kind == ANY || s[(size_t)from] == c)) out.insert(from + 1);
            return out;
        case BOL:
        case EOL:
            if (from == (kind == BOL ? 0 : (int)s.size())) out.insert(from);
            return out;
        case SEQ: {
            out.insert(from);
            for (auto &k : kids) {
                std::set<int> next;
                for (int p : out)
                    for (int e : k.ends(s, p)) next.insert(e);
                out = next;
            }
            return out;
        }
        case ALT:
            for (auto &k : kids)
                for (int e : k.ends(s, from)) out.insert(e);
            return out;
        case REP: {
            std::set<int> level = {from};
            int limit = max < 0 ? min + (int)s.size() + 1 : max;
            for (int n = 0;; n++) {
                if (n >= min)
                    for (int p : level) out.insert(p);
                if (n == limit) break;
                std::set<int> next;
                for (int p : level)
                    for (int e : kids[0].ends(s, p)) next.insert(e);
                level = next;
                if (level.empty()) break;
            }
            return out;
        }
        }
        return out;
    }
};

Pat randomPat(std::mt19937 &rng, int depth) {
    auto pick = [&](int n) { return (int)(rng() % (unsigned)n); };
    Pat p;
    int k = depth > 2 ? pick(2) : pick(5);
    if (k == 0) {
        p.kind = Pat::LIT;
        p.c = "abc"[pick(3)];
    } else if (k == 1) {
        static const Pat::Kind kinds[] = {Pat::LIT, Pat::LIT, Pat::LIT, Pat::ANY, Pat::BOL, Pat::EOL};
        p.kind = kinds[pick(6)];
        p.c = "ab"[pick(2)];
    } else if (k == 2) {
        p.kind = Pat::ALT;
        int n = 2 + pick(2);
        for (int i = 0; i < n; i++) p.kids.push_back(randomPat(rng, depth + 1));
        // an empty alternative now and then
        if (!pick(4)) p.kids.back() = Pat{Pat::SEQ, 'a', {}, 0, -1};
    } else {
        p.kind = Pat::SEQ;
        int n = 1 + pick(3);
        for (int i = 0; i < n; i++) p.kids.push_back(randomPat(rng, depth + 1));
    }
    if (!pick(2) && p.kind != Pat::BOL && p.kind != Pat::EOL) {
        Pat r;
        r.kind = Pat::REP;
        static const int forms[][2] = {{0, 1}, {0, -1}, {1, -1}, {2, 2}, {0, 2}, {1, 3}, {2, -1}};
        auto &f = forms[pick(7)];
        r.min = f[0];
        r.max = f[1];
        r.kids.push_back(p);
        return r;
    }
    return p;
}

TEST(Regexp, AgreesWithBruteForceOnGeneratedPatterns) {
    HSQUIRRELVM v = sq_open(64);
    sq_pushroottable(v);
    sqstd_register_stringlib(v);
    const char *probe =
        "return function(p, s) { local r = regexp(p), m = r.search(s); return (r.match(s) ? \"1\" : \"0\") + (m ? m.begin : -1); }";
    ASSERT_TRUE(SQ_SUCCEEDED(sq_compilebuffer(v, probe, (SQInteger)strlen(probe), "probe", SQTrue)));
    sq_pushroottable(v);
    ASSERT_TRUE(SQ_SUCCEEDED(sq_call(v, 1, SQTrue, SQTrue)));
    HSQOBJECT fn;
    sq_getstackobj(v, -1, &fn);
    sq_addref(v, &fn);
    sq_settop(v, 0);

    std::vector<std::string> subjects = {""};
    for (size_t i = 0; subjects.back().size() < 5; i++)
        for (char c : std::string("abc")) subjects.push_back(subjects[i] + c);

    std::mt19937 rng(1234);
    int checked = 0, failures = 0;
    for (int n = 0; n < 3000 && failures < 5; n++) {
        Pat pat = randomPat(rng, 0);
        std::string text = pat.text();
        if (text.empty()) continue;
        for (size_t si = n % 7; si < subjects.size(); si += 7) {
            const std::string &s = subjects[si];
            bool whole = pat.ends(s, 0).count((int)s.size()) > 0;
            int first = -1;
            for (int b = 0; b <= (int)s.size() && first < 0; b++)
                if (!pat.ends(s, b).empty()) first = b;
            std::string want = std::to_string(first);
            want.insert(want.begin(), whole ? '1' : '0');

            sq_pushobject(v, fn);
            sq_pushroottable(v);
            sq_pushstring(v, text.c_str(), -1);
            sq_pushstring(v, s.c_str(), -1);
            std::string got = "<error>";
            if (SQ_SUCCEEDED(sq_call(v, 3, SQTrue, SQFalse))) {
                const SQChar *r;
                if (SQ_SUCCEEDED(sq_getstring(v, -1, &r))) got = r;
            }
            sq_settop(v, 0);
            checked++;
            if (got != want) {
                ADD_FAILURE() << "pattern " << text << " subject \"" << s << "\": got " << got << ", want " << want;
                failures++;
            }
        }
    }
    EXPECT_GT(checked, 20000);
    sq_release(v, &fn);
    sq_close(v);
}

}  // namespace
