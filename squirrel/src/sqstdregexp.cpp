// The regexp class of the string library. Repeats are greedy and the first
// alternative that leads to a match wins, as in a backtracking matcher.
#include "squirrel.h"

#include <bitset>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdint>
#include <new>
#include <memory>
#include <string>
#include <vector>

namespace {

struct RxNode;
using RxSeq = std::vector<RxNode>;

struct RxNode {
    enum Kind { CHARSET, BOL, EOL, WORDB, NWORDB, GROUP, REPEAT } kind;
    std::bitset<256> set;               // CHARSET
    int capture = -1;                   // GROUP
    std::vector<RxSeq> alternatives;    // GROUP
    std::shared_ptr<RxNode> sub;        // REPEAT
    int min = 0, max = -1;              // REPEAT (-1 = unbounded)
};

struct RxError {
    const char *msg;
};

class RxCompiler {
public:
    explicit RxCompiler(const char *p) : pat(p) {}
    int ngroups = 0;
    RxNode compile() {
        if (!*pat) throw RxError{"empty expression"};
        RxNode root;
        root.kind = RxNode::GROUP;
        root.capture = ngroups++;
        root.alternatives = alternation();
        if (*pat) throw RxError{"unexpected character"};
        return root;
    }

private:
    const char *pat;
    // groups and stacked repeats nest the tree; the matcher never recurses
    static const int MAX_NESTING = 200;
    int nesting = 0;

    std::vector<RxSeq> alternation() {
        std::vector<RxSeq> alts;
        alts.push_back(sequence());
        while (*pat == '|') {
            pat++;
            alts.push_back(sequence());
        }
        return alts;
    }

    RxSeq sequence() {
        RxSeq seq;
        while (*pat && *pat != '|' && *pat != ')') {
            RxNode atom = atomNode();
            seq.push_back(repeat(std::move(atom)));
        }
        return seq;
    }

    RxNode repeat(RxNode atom) {
        for (int stacked = 0;;) {
            int mn, mx;
            if (*pat == '*') { mn = 0; mx = -1; pat++; }
            else if (*pat == '+') { mn = 1; mx = -1; pat++; }
            else if (*pat == '?') { mn = 0; mx = 1; pat++; }
            else if (*pat == '{' && isdigit((unsigned char)pat[1])) {
                pat++;
                mn = number();
                mx = mn;
                if (*pat == ',') {
                    pat++;
                    mx = isdigit((unsigned char)*pat) ? number() : -1;
                }
                if (*pat != '}') throw RxError{"expected '}'"};
                pat++;
                if (mx >= 0 && mx < mn) throw RxError{"invalid range"};
            } else return atom;
            if (++stacked > MAX_NESTING) throw RxError{"nesting too deep"};
            if (atom.kind == RxNode::BOL || atom.kind == RxNode::EOL) throw RxError{"invalid repeat"};
            RxNode r;
            r.kind = RxNode::REPEAT;
            r.sub = std::make_shared<RxNode>(std::move(atom));
            r.min = mn;
            r.max = mx;
            atom = std::move(r);
        }
    }

    int number() {
        int n = 0;
        while (isdigit((unsigned char)*pat)) {
            n = n * 10 + (*pat++ - '0');
            if (n > 0xFFFF) throw RxError{"number too big"};
        }
        return n;
    }

    static RxNode charset(std::bitset<256> s) {
        RxNode n;
        n.kind = RxNode::CHARSET;
        n.set = s;
        return n;
    }

    // Class escapes: \w \s \d \x \a \c \p \l \u and their complements.
    static bool classEscape(char c, std::bitset<256> &out) {
        int (*pred)(int) = nullptr;
        switch (tolower((unsigned char)c)) {
        case 'w': pred = [](int ch) { return isalnum(ch) || ch == '_' ? 1 : 0; }; break;
        case 's': pred = isspace; break;
        case 'd': pred = isdigit; break;
        case 'x': pred = isxdigit; break;
        case 'a': pred = isalpha; break;
        case 'c': pred = iscntrl; break;
        case 'p': pred = ispunct; break;
        case 'l': pred = islower; break;
        case 'u': pred = isupper; break;
        default: return false;
        }
        bool negate = isupper((unsigned char)c) && c != 'l' && c != 'u';
        if (c == 'L' || c == 'U') negate = true;
        // \l and \u are lowercase/uppercase letters; their capitals are not escapes in the
        // original dialect, but treating them as complements is harmless.
        out.reset();
        for (int i = 0; i < 256; i++) out[i] = (pred(i) != 0) != negate;
        return true;
    }

    static int controlEscape(char c) {
        switch (c) {
        case 't': return '\t';
        case 'n': return '\n';
        case 'r': return '\r';
        case 'f': return '\f';
        default: return -1;
        }
    }

    RxNode atomNode() {
        char c = *pat++;
        std::bitset<256> s;
        switch (c) {
        case '^': { RxNode n; n.kind = RxNode::BOL; return n; }
        case '$': { RxNode n; n.kind = RxNode::EOL; return n; }
        case '.': s.set(); return charset(s);
        case '(': {
            if (++nesting > MAX_NESTING) throw RxError{"nesting too deep"};
            RxNode g;
            g.kind = RxNode::GROUP;
            if (pat[0] == '?' && pat[1] == ':') pat += 2;
            else g.capture = ngroups++;
            g.alternatives = alternation();
            if (*pat != ')') throw RxError{"expected ')'"};
            pat++;
            nesting--;
            return g;
        }
        case '[': return bracket();
        case '\\': {
            char e = *pat++;
            if (!e) throw RxError{"unexpected end of expression"};
            if (e == 'b' || e == 'B') {
                RxNode n;
                n.kind = e == 'b' ? RxNode::WORDB : RxNode::NWORDB;
                return n;
            }
            if (classEscape(e, s)) return charset(s);
            int ctl = controlEscape(e);
            s.set((unsigned char)(ctl >= 0 ? ctl : e));
            return charset(s);
        }
        case '*': case '+': case '?': case '{': throw RxError{"nothing to repeat"};
        case ')': throw RxError{"unexpected ')'"};
        default: s.set((unsigned char)c); return charset(s);
        }
    }

    RxNode bracket() {
        std::bitset<256> s;
        bool negate = false;
        if (*pat == '^') {
            negate = true;
            pat++;
        }
        bool first = true;
        while (*pat && (*pat != ']' || first)) {
            first = false;
            int lo;
            if (*pat == '\\') {
                pat++;
                if (!*pat) throw RxError{"unexpected end of expression"};
                std::bitset<256> cls;
                if (classEscape(*pat, cls)) {
                    s |= cls;
                    pat++;
                    continue;
                }
                int ctl = controlEscape(*pat);
                lo = ctl >= 0 ? ctl : (unsigned char)*pat;
                pat++;
            } else {
                lo = (unsigned char)*pat++;
            }
            if (*pat == '-') {
                pat++;
                if (*pat == ']' || !*pat) throw RxError{"invalid range"};
                int hi = (unsigned char)*pat++;
                if (hi < lo) throw RxError{"invalid range"};
                for (int i = lo; i <= hi; i++) s.set((size_t)i);
            } else {
                s.set((size_t)lo);
            }
        }
        if (*pat != ']') throw RxError{"expected ']'"};
        pat++;
        if (negate) s.flip();
        return charset(s);
    }
};

// The pattern compiled to a small machine run breadth-first over the subject
// (all alternatives advance together, each program position at most once per
// character), so work grows with pattern size times subject length and never
// exponentially, and nothing recurses on the C stack. A budget of steps still
// bounds huge patterns on huge subjects.
struct RxIns {
    enum Op : uint8_t { CHAR, BOL, EOL, WORDB, NWORDB, SPLIT, JMP, SAVE, MATCH } op;
    int x = 0, y = 0;  // SPLIT: preferred, other; JMP: target; SAVE: slot; CHAR: set
};

struct Regexp {
    std::vector<RxIns> prog;
    std::vector<std::bitset<256>> sets;
    int ngroups = 0;
};

class RxProgramBuilder {
public:
    explicit RxProgramBuilder(Regexp &r) : rx(r) {}
    static const size_t MAX_PROGRAM = 100000;

    void build(const RxNode &root) {
        node(root);
        emit(RxIns::MATCH);
    }

private:
    Regexp &rx;

    int emit(RxIns::Op op, int x = 0, int y = 0) {
        if (rx.prog.size() >= MAX_PROGRAM) throw RxError{"regexp too complex"};
        RxIns i;
        i.op = op;
        i.x = x;
        i.y = y;
        rx.prog.push_back(i);
        return (int)rx.prog.size() - 1;
    }
    int here() const { return (int)rx.prog.size(); }

    void node(const RxNode &n) {
        switch (n.kind) {
        case RxNode::CHARSET:
            rx.sets.push_back(n.set);
            emit(RxIns::CHAR, (int)rx.sets.size() - 1);
            return;
        case RxNode::BOL: emit(RxIns::BOL); return;
        case RxNode::EOL: emit(RxIns::EOL); return;
        case RxNode::WORDB: emit(RxIns::WORDB); return;
        case RxNode::NWORDB: emit(RxIns::NWORDB); return;
        case RxNode::GROUP: group(n); return;
        case RxNode::REPEAT: repeat(n); return;
        }
    }

    void group(const RxNode &n) {
        if (n.capture >= 0) emit(RxIns::SAVE, 2 * n.capture);
        std::vector<int> toEnd;
        for (size_t i = 0; i < n.alternatives.size(); i++) {
            int split = -1;
            if (i + 1 < n.alternatives.size()) split = emit(RxIns::SPLIT, here() + 1);
            for (const RxNode &m : n.alternatives[i]) node(m);
            if (split >= 0) {
                toEnd.push_back(emit(RxIns::JMP));
                rx.prog[(size_t)split].y = here();
            }
        }
        for (int j : toEnd) rx.prog[(size_t)j].x = here();
        if (n.capture >= 0) emit(RxIns::SAVE, 2 * n.capture + 1);
    }

    // Greedy: each SPLIT prefers one more repetition.
    void repeat(const RxNode &n) {
        for (int c = 0; c < n.min; c++) node(*n.sub);
        if (n.max < 0) {
            int loop = emit(RxIns::SPLIT, here() + 1);
            node(*n.sub);
            emit(RxIns::JMP, loop);
            rx.prog[(size_t)loop].y = here();
            return;
        }
        std::vector<int> skips;
        for (int c = n.min; c < n.max; c++) {
            skips.push_back(emit(RxIns::SPLIT, here() + 1));
            node(*n.sub);
        }
        for (int j : skips) rx.prog[(size_t)j].y = here();
    }
};

struct RxTooComplex {};

class Matcher {
public:
    std::vector<int> caps;  // begin, end per group of the match found; -1 when the group took no part

    Matcher(const Regexp &r, const unsigned char *s, int n) : rx(r), str(s), len(n) {
        ncaps = (size_t)rx.ngroups * 2;
        seen.assign(rx.prog.size(), -1);
        // linear work always fits; only huge patterns on huge subjects do not
        budget = 10000000L + 64L * (long)rx.prog.size() + 64L * n;
    }

    // The leftmost match starting at or after `start` (only at `start` when
    // `anchored`); with `whole` it must reach the end of the subject.
    bool find(int start, bool anchored, bool whole, int &begin, int &end) {
        List cur, next;
        bool matched = false;
        int stepId = 0;
        cur.stamp = stepId++;
        std::vector<int> scratch(ncaps);
        for (int pos = start; pos <= len; pos++) {
            if (!matched && (pos == start || !anchored)) {
                // a new attempt from here has the lowest priority
                std::fill(scratch.begin(), scratch.end(), -1);
                addThread(cur, 0, pos, scratch.data());
            }
            if (cur.threads.empty()) {
                if (matched || anchored) break;
                cur.stamp = stepId++;
                continue;
            }
            next.threads.clear();
            next.caps.clear();
            next.stamp = stepId++;
            for (const Thread &t : cur.threads) {
                spend();
                const RxIns &in = rx.prog[(size_t)t.pc];
                int *tc = cur.caps.data() + t.caps;
                if (in.op == RxIns::CHAR) {
                    if (pos < len && rx.sets[(size_t)in.x][str[pos]]) {
                        std::copy(tc, tc + ncaps, scratch.begin());
                        addThread(next, t.pc + 1, pos + 1, scratch.data());
                    }
                } else if (!whole || pos == len) {
                    // a match: threads of lower priority are dropped
                    matched = true;
                    caps.assign(tc, tc + ncaps);
                    end = pos;
                    break;
                }
            }
            std::swap(cur, next);
        }
        if (matched) begin = caps.empty() ? start : caps[0];
        return matched;
    }

private:
    const Regexp &rx;
    const unsigned char *str;
    int len;
    size_t ncaps;
    long steps = 0, budget;

    struct Thread {
        int pc;
        size_t caps;  // offset in the list's capture store
    };
    struct List {
        std::vector<Thread> threads;
        std::vector<int> caps;
        int stamp = 0;
    };
    std::vector<int> seen;  // list stamp that already holds each program position
    struct Work {
        int pc, slot, old;  // slot >= 0: restore caps[slot] = old
    };
    std::vector<Work> work;

    void spend() {
        if (++steps > budget) throw RxTooComplex();
    }
    bool isSpaceAt(int p) const { return p < 0 || p >= len || isspace(str[p]); }

    // Follows jumps, splits, saves and assertions from `pc0` in priority order
    // and adds the threads waiting on a character or at the match to `l`.
    void addThread(List &l, int pc0, int pos, int *c) {
        work.push_back({pc0, -1, 0});
        while (!work.empty()) {
            Work w = work.back();
            work.pop_back();
            if (w.slot >= 0) {
                c[w.slot] = w.old;
                continue;
            }
            if (seen[(size_t)w.pc] == l.stamp) continue;
            seen[(size_t)w.pc] = l.stamp;
            spend();
            const RxIns &in = rx.prog[(size_t)w.pc];
            switch (in.op) {
            case RxIns::JMP: work.push_back({in.x, -1, 0}); break;
            case RxIns::SPLIT:
                work.push_back({in.y, -1, 0});
                work.push_back({in.x, -1, 0});
                break;
            case RxIns::SAVE:
                work.push_back({0, in.x, c[in.x]});
                c[in.x] = pos;
                work.push_back({w.pc + 1, -1, 0});
                break;
            case RxIns::BOL:
                if (pos == 0) work.push_back({w.pc + 1, -1, 0});
                break;
            case RxIns::EOL:
                if (pos == len) work.push_back({w.pc + 1, -1, 0});
                break;
            case RxIns::WORDB:
            case RxIns::NWORDB:
                if ((isSpaceAt(pos - 1) != isSpaceAt(pos)) == (in.op == RxIns::WORDB)) work.push_back({w.pc + 1, -1, 0});
                break;
            case RxIns::CHAR:
            case RxIns::MATCH:
                l.threads.push_back({w.pc, l.caps.size()});
                l.caps.insert(l.caps.end(), c, c + ncaps);
                break;
            }
        }
    }
};

const SQUserPointer REGEXP_TAG = (SQUserPointer)&REGEXP_TAG;

SQInteger rx_release(SQUserPointer p, SQInteger) {
    delete static_cast<Regexp *>(p);
    return 0;
}

Regexp *selfRegexp(HSQUIRRELVM v) {
    SQUserPointer p = nullptr;
    if (SQ_FAILED(sq_getinstanceup(v, 1, &p, REGEXP_TAG)) || !p) return nullptr;
    return static_cast<Regexp *>(p);
}

SQInteger rx_constructor(HSQUIRRELVM v) {
    const SQChar *pattern;
    sq_getstring(v, 2, &pattern);
    auto *rx = new Regexp();
    try {
        RxCompiler c(pattern);
        RxNode root = c.compile();
        rx->ngroups = c.ngroups;
        RxProgramBuilder(*rx).build(root);
    } catch (RxError &e) {
        delete rx;
        return sq_throwerror(v, e.msg);
    }
    sq_setinstanceup(v, 1, rx);
    sq_setreleasehook(v, 1, rx_release);
    return 0;
}

void pushRange(HSQUIRRELVM v, int b, int e) {
    sq_newtable(v);
    sq_pushstring(v, "begin", -1);
    sq_pushinteger(v, b);
    sq_newslot(v, -3, SQFalse);
    sq_pushstring(v, "end", -1);
    sq_pushinteger(v, e);
    sq_newslot(v, -3, SQFalse);
}

// Runs a search, match or capture on the subject in argument 2. Too much
// work is the script error "regexp too complex".
template <typename F>
SQInteger withMatcher(HSQUIRRELVM v, bool hasStart, F &&run) {
    Regexp *rx = selfRegexp(v);
    if (!rx) return sq_throwerror(v, "invalid regexp");
    const SQChar *s;
    if (SQ_FAILED(sq_getstring(v, 2, &s))) return SQ_ERROR;
    int len = (int)sq_getsize(v, 2);
    SQInteger start = 0;
    if (hasStart && sq_gettop(v) > 2) sq_getinteger(v, 3, &start);
    if (start < 0 || start > len) return 0;
    try {
        Matcher m(*rx, (const unsigned char *)s, len);
        return run(m, (int)start);
    } catch (RxTooComplex &) {
        return sq_throwerror(v, "regexp too complex");
    } catch (std::bad_alloc &) {
        return sq_throwerror(v, "out of memory");
    }
}

SQInteger rx_search(HSQUIRRELVM v) {
    return withMatcher(v, true, [v](Matcher &m, int start) -> SQInteger {
        int b, e;
        if (!m.find(start, false, false, b, e)) return 0;
        pushRange(v, b, e);
        return 1;
    });
}

SQInteger rx_match(HSQUIRRELVM v) {
    return withMatcher(v, false, [v](Matcher &m, int) -> SQInteger {
        int b, e;
        sq_pushbool(v, m.find(0, true, true, b, e));
        return 1;
    });
}

SQInteger rx_capture(HSQUIRRELVM v) {
    return withMatcher(v, true, [v](Matcher &m, int start) -> SQInteger {
        int b, e;
        if (!m.find(start, false, false, b, e)) return 0;
        sq_newarray(v, 0);
        for (size_t g = 0; g < m.caps.size(); g += 2) {
            if (m.caps[g] < 0 || m.caps[g + 1] < 0) pushRange(v, 0, 0);
            else pushRange(v, m.caps[g], m.caps[g + 1]);
            sq_arrayappend(v, -2);
        }
        return 1;
    });
}

SQInteger rx_subexpcount(HSQUIRRELVM v) {
    Regexp *rx = selfRegexp(v);
    if (!rx) return sq_throwerror(v, "invalid regexp");
    sq_pushinteger(v, rx->ngroups);
    return 1;
}

SQInteger rx_typeof(HSQUIRRELVM v) {
    sq_pushstring(v, "regexp", -1);
    return 1;
}

}  // namespace

void sqstd_register_regexp(HSQUIRRELVM v) {
    static const SQRegFunction methods[] = {
        {"constructor", rx_constructor, 2, ".s"},
        {"search", rx_search, -2, "xsn"},
        {"match", rx_match, 2, "xs"},
        {"capture", rx_capture, -2, "xsn"},
        {"subexpcount", rx_subexpcount, 1, "x"},
        {"_typeof", rx_typeof, 1, "x"},
    };
    sq_pushstring(v, "regexp", -1);
    sq_newclass(v, SQFalse);
    sq_settypetag(v, -1, REGEXP_TAG);
    for (const SQRegFunction &f : methods) {
        sq_pushstring(v, f.name, -1);
        sq_newclosure(v, f.f, 0);
        sq_setparamscheck(v, f.nparamscheck, f.typemask);
        sq_setnativeclosurename(v, -1, f.name);
        sq_newslot(v, -3, SQFalse);
    }
    sq_newslot(v, -3, SQFalse);
}
