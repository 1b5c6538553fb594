// The string library: format, strip, lstrip, rstrip, split and regexp.
#include "sqstdstring.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

void sqstd_register_regexp(HSQUIRRELVM v);

SQRESULT sqstd_format(HSQUIRRELVM v, SQInteger fmtidx, SQInteger *outlen, SQChar **output) {
    const SQChar *fmt;
    if (SQ_FAILED(sq_getstring(v, fmtidx, &fmt))) return sq_throwerror(v, "string expected for the format");
    std::string out;
    SQInteger nparam = fmtidx + 1;
    SQInteger top = sq_gettop(v);
    for (const char *p = fmt; *p;) {
        if (*p != '%') {
            out.push_back(*p++);
            continue;
        }
        if (p[1] == '%') {
            out.push_back('%');
            p += 2;
            continue;
        }
        // %[flags][width][.precision]conv
        const char *start = p++;
        while (*p && strchr("-+ #0", *p)) p++;
        int wdigits = 0;
        while (isdigit((unsigned char)*p)) {
            p++;
            if (++wdigits > 2) return sq_throwerror(v, "width format too long");
        }
        if (*p == '.') {
            p++;
            int pdigits = 0;
            while (isdigit((unsigned char)*p)) {
                p++;
                if (++pdigits > 2) return sq_throwerror(v, "precision format too long");
            }
        }
        char conv = *p;
        if (!conv) return sq_throwerror(v, "invalid format");
        p++;
        std::string conversion(start, (size_t)(p - start));
        if (nparam > top) return sq_throwerror(v, "not enough paramters for the given format string");
        char buf[512];
        switch (conv) {
        case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': case 'c': {
            SQInteger i;
            if (SQ_FAILED(sq_getinteger(v, nparam, &i))) return sq_throwerror(v, "integer expected for the specified format");
            snprintf(buf, sizeof buf, conversion.c_str(), i);
            if (conv == 'c' && i == 0) {
                out.push_back('\0');
                buf[0] = 0;
            }
            break;
        }
        case 'e': case 'E': case 'f': case 'g': case 'G': {
            SQFloat f;
            if (SQ_FAILED(sq_getfloat(v, nparam, &f))) return sq_throwerror(v, "float expected for the specified format");
            snprintf(buf, sizeof buf, conversion.c_str(), (double)f);
            break;
        }
        case 's': {
            const SQChar *s;
            if (SQ_FAILED(sq_getstring(v, nparam, &s))) return sq_throwerror(v, "string expected for the specified format");
            int n = snprintf(nullptr, 0, conversion.c_str(), s);
            std::string tmp((size_t)n + 1, '\0');
            snprintf(tmp.data(), tmp.size(), conversion.c_str(), s);
            out.append(tmp.data(), (size_t)n);
            buf[0] = 0;
            break;
        }
        default: return sq_throwerror(v, "invalid format");
        }
        out.append(buf);
        nparam++;
    }
    SQChar *dest = sq_getscratchpad(v, (SQInteger)out.size() + 1);
    memcpy(dest, out.data(), out.size());
    dest[out.size()] = 0;
    *outlen = (SQInteger)out.size();
    *output = dest;
    return SQ_OK;
}

namespace {

SQInteger str_format(HSQUIRRELVM v) {
    SQChar *dest;
    SQInteger len;
    if (SQ_FAILED(sqstd_format(v, 2, &len, &dest))) return SQ_ERROR;
    sq_pushstring(v, dest, len);
    return 1;
}

SQInteger strip(HSQUIRRELVM v, bool left, bool right) {
    const SQChar *s;
    sq_getstring(v, 2, &s);
    SQInteger len = sq_getsize(v, 2);
    SQInteger b = 0, e = len;
    if (left)
        while (b < e && isspace((unsigned char)s[b])) b++;
    if (right)
        while (e > b && isspace((unsigned char)s[e - 1])) e--;
    sq_pushstring(v, s + b, e - b);
    return 1;
}
SQInteger str_strip(HSQUIRRELVM v) { return strip(v, true, true); }
SQInteger str_lstrip(HSQUIRRELVM v) { return strip(v, true, false); }
SQInteger str_rstrip(HSQUIRRELVM v) { return strip(v, false, true); }

// Empty pieces are kept, except a trailing one.
SQInteger str_split(HSQUIRRELVM v) {
    const SQChar *s, *seps;
    sq_getstring(v, 2, &s);
    sq_getstring(v, 3, &seps);
    SQInteger len = sq_getsize(v, 2), nseps = sq_getsize(v, 3);
    if (nseps == 0) return sq_throwerror(v, "empty separators string");
    sq_newarray(v, 0);
    SQInteger start = 0;
    for (SQInteger i = 0; i < len; i++) {
        if (memchr(seps, s[i], (size_t)nseps)) {
            sq_pushstring(v, s + start, i - start);
            sq_arrayappend(v, -2);
            start = i + 1;
        }
    }
    if (start < len) {
        sq_pushstring(v, s + start, len - start);
        sq_arrayappend(v, -2);
    }
    return 1;
}

const SQRegFunction STRING_FUNCS[] = {
    {"format", str_format, -2, ".s"},
    {"strip", str_strip, 2, ".s"},
    {"lstrip", str_lstrip, 2, ".s"},
    {"rstrip", str_rstrip, 2, ".s"},
    {"split", str_split, 3, ".ss"},
};

}  // namespace

SQRESULT sqstd_register_stringlib(HSQUIRRELVM v) {
    for (const SQRegFunction &f : STRING_FUNCS) {
        sq_pushstring(v, f.name, -1);
        sq_newclosure(v, f.f, 0);
        sq_setparamscheck(v, f.nparamscheck, f.typemask);
        sq_setnativeclosurename(v, -1, f.name);
        sq_newslot(v, -3, SQFalse);
    }
    sqstd_register_regexp(v);
    return SQ_OK;
}
