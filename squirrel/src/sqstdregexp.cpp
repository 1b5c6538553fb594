// The regexp class of the string library: a small backtracking matcher.
// Repeats try the fewest repetitions first and stop at the first count for
// which the rest of the pattern matches, so `search` finds the shortest match.
#include "sqstackprobe.h"
#include "squirrel.h"

#include <bitset>
#include <cctype>
#include <cstring>
#include <functional>
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
        for (;;) {
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
            RxNode g;
            g.kind = RxNode::GROUP;
            if (pat[0] == '?' && pat[1] == ':') pat += 2;
            else g.capture = ngroups++;
            g.alternatives = alternation();
            if (*pat != ')') throw RxError{"expected ')'"};
            pat++;
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

struct Regexp {
    RxNode root;
    int ngroups = 0;
};

struct Matcher {
    const unsigned char *str;
    int len;
    std::vector<std::pair<int, int>> caps;
    long steps = 0;
    int depth = 0;
    bool tooDeep = false;  // the match needed more recursion than the C stack allows
    static const int MAX_DEPTH = 5000;
    static const size_t MAX_STACK_BYTES = 256 * 1024;
    SQStackProbe probe;
    using Cont = std::function<bool(int)>;

    bool isSpaceAt(int p) const { return p < 0 || p >= len || isspace(str[p]); }

    // `tail`: nothing follows in the whole pattern, so a repeat takes all it can.
    bool seq(const RxSeq &s, size_t i, int pos, const Cont &k, bool tail) {
        if (++steps > 5000000) return false;
        if (i == s.size()) return k(pos);
        bool last = tail && i + 1 == s.size();
        return node(s[i], pos, [&](int p) { return seq(s, i + 1, p, k, tail); }, last);
    }

    struct Depth {
        Matcher *m;
        explicit Depth(Matcher *mm) : m(mm) { m->depth++; }
        ~Depth() { m->depth--; }
    };

    bool node(const RxNode &n, int pos, const Cont &k, bool tail) {
        Depth d(this);
        if (depth > MAX_DEPTH || probe.exceeded(MAX_STACK_BYTES)) {
            tooDeep = true;
            return false;
        }
        if (tooDeep) return false;
        switch (n.kind) {
        case RxNode::CHARSET: return pos < len && n.set[str[pos]] && k(pos + 1);
        case RxNode::BOL: return pos == 0 && k(pos);
        case RxNode::EOL: return pos == len && k(pos);
        case RxNode::WORDB: return isSpaceAt(pos - 1) != isSpaceAt(pos) && k(pos);
        case RxNode::NWORDB: return isSpaceAt(pos - 1) == isSpaceAt(pos) && k(pos);
        case RxNode::GROUP:
            for (const RxSeq &alt : n.alternatives) {
                bool ok = seq(
                    alt, 0, pos,
                    [&](int p) {
                        if (n.capture >= 0) {
                            auto saved = caps[(size_t)n.capture];
                            caps[(size_t)n.capture] = {pos, p};
                            if (k(p)) return true;
                            caps[(size_t)n.capture] = saved;
                            return false;
                        }
                        return k(p);
                    },
                    tail);
                if (ok) return true;
            }
            return false;
        case RxNode::REPEAT:
            if (n.sub->kind == RxNode::CHARSET) {
                // a single-character repeat: measure the run instead of recursing per character
                int run = 0;
                while (pos + run < len && (n.max < 0 || run < n.max) && n.sub->set[str[pos + run]]) run++;
                if (run < n.min) return false;
                if (tail) {
                    for (int c = run; c >= n.min; c--)
                        if (k(pos + c)) return true;
                } else {
                    for (int c = n.min; c <= run; c++)
                        if (k(pos + c)) return true;
                }
                return false;
            }
            return tail ? greedy(n, 0, pos, k) : rep(n, 0, pos, k);
        }
        return false;
    }

    // Fewest repetitions for which the rest matches.
    bool rep(const RxNode &n, int count, int pos, const Cont &k) {
        if (count >= n.min && k(pos)) return true;
        if (n.max >= 0 && count >= n.max) return false;
        return node(
            *n.sub, pos,
            [&](int p) {
                if (p == pos && count >= n.min) return false;  // no progress
                return rep(n, count + 1, p, k);
            },
            false);
    }

    // Most repetitions: used when nothing follows the repeat.
    bool greedy(const RxNode &n, int count, int pos, const Cont &k) {
        if (n.max < 0 || count < n.max) {
            bool more = node(
                *n.sub, pos,
                [&](int p) {
                    if (p == pos) return false;
                    return greedy(n, count + 1, p, k);
                },
                false);
            if (more) return true;
        }
        return count >= n.min && k(pos);
    }

    // Match starting exactly at `pos`; end of match in `end`.
    bool matchAt(const Regexp &rx, int pos, int &end) {
        caps.assign((size_t)rx.ngroups, {-1, -1});
        probe.start();
        return node(
            rx.root, pos,
            [&](int p) {
                end = p;
                return true;
            },
            true);
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
        rx->root = c.compile();
        rx->ngroups = c.ngroups;
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

// Finds the first match at or after `start`; false when none.
bool searchFrom(Regexp *rx, Matcher &m, int start, int &begin, int &end) {
    for (int pos = start; pos <= m.len && !m.tooDeep; pos++) {
        if (m.matchAt(*rx, pos, end)) {
            begin = pos;
            return true;
        }
    }
    return false;
}

bool setupMatcher(HSQUIRRELVM v, Matcher &m) {
    const SQChar *s;
    if (SQ_FAILED(sq_getstring(v, 2, &s))) return false;
    m.str = (const unsigned char *)s;
    m.len = (int)sq_getsize(v, 2);
    return true;
}

SQInteger rx_search(HSQUIRRELVM v) {
    Regexp *rx = selfRegexp(v);
    if (!rx) return sq_throwerror(v, "invalid regexp");
    Matcher m;
    setupMatcher(v, m);
    SQInteger start = 0;
    if (sq_gettop(v) > 2) sq_getinteger(v, 3, &start);
    if (start < 0 || start > m.len) return 0;
    int b, e;
    bool found = searchFrom(rx, m, (int)start, b, e);
    if (m.tooDeep) return sq_throwerror(v, "the expression is too complex for this string");
    if (!found) return 0;
    pushRange(v, b, e);
    return 1;
}

SQInteger rx_match(HSQUIRRELVM v) {
    Regexp *rx = selfRegexp(v);
    if (!rx) return sq_throwerror(v, "invalid regexp");
    Matcher m;
    setupMatcher(v, m);
    int e;
    bool matched = m.matchAt(*rx, 0, e) && e == m.len;
    if (m.tooDeep) return sq_throwerror(v, "the expression is too complex for this string");
    sq_pushbool(v, matched);
    return 1;
}

SQInteger rx_capture(HSQUIRRELVM v) {
    Regexp *rx = selfRegexp(v);
    if (!rx) return sq_throwerror(v, "invalid regexp");
    Matcher m;
    setupMatcher(v, m);
    SQInteger start = 0;
    if (sq_gettop(v) > 2) sq_getinteger(v, 3, &start);
    if (start < 0 || start > m.len) return 0;
    int b, e;
    bool found = searchFrom(rx, m, (int)start, b, e);
    if (m.tooDeep) return sq_throwerror(v, "the expression is too complex for this string");
    if (!found) return 0;
    sq_newarray(v, 0);
    for (auto &c : m.caps) {
        if (c.first < 0) pushRange(v, 0, 0);
        else pushRange(v, c.first, c.second);
        sq_arrayappend(v, -2);
    }
    return 1;
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
