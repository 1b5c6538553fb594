// Tokeniser.
#include "sqlexer.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {
struct Keyword {
    const char *name;
    int tok;
};
const Keyword KEYWORDS[] = {
    {"base", TK_BASE}, {"break", TK_BREAK}, {"case", TK_CASE}, {"catch", TK_CATCH},
    {"class", TK_CLASS}, {"clone", TK_CLONE}, {"const", TK_CONST}, {"constructor", TK_CONSTRUCTOR},
    {"continue", TK_CONTINUE}, {"default", TK_DEFAULT}, {"delete", TK_DELETE}, {"do", TK_DO},
    {"else", TK_ELSE}, {"enum", TK_ENUM}, {"extends", TK_EXTENDS}, {"false", TK_FALSE},
    {"for", TK_FOR}, {"foreach", TK_FOREACH}, {"function", TK_FUNCTION}, {"if", TK_IF},
    {"in", TK_IN}, {"instanceof", TK_INSTANCEOF}, {"local", TK_LOCAL}, {"null", TK_NULL},
    {"resume", TK_RESUME}, {"return", TK_RETURN}, {"static", TK_STATIC}, {"switch", TK_SWITCH},
    {"this", TK_THIS}, {"throw", TK_THROW}, {"true", TK_TRUE}, {"try", TK_TRY},
    {"typeof", TK_TYPEOF}, {"while", TK_WHILE}, {"yield", TK_YIELD},
};
}  // namespace

SQLexer::SQLexer(const char *s, SQInteger l) : src(s), len(l) {}

void SQLexer::error(const char *msg) { throw SQLexError{msg}; }

const char *SQLexer::tokenName(int tok) {
    switch (tok) {
    case TK_IDENTIFIER: return "IDENTIFIER";
    case TK_STRING_LITERAL: return "STRING_LITERAL";
    case TK_INTEGER: return "INTEGER";
    case TK_FLOAT: return "FLOAT";
    case TK_EOF: return "EOF";
    case TK_DOUBLE_COLON: return "::";
    case TK_NEWSLOT: return "<-";
    case TK_ATTR_CLOSE: return "/>";
    default: break;
    }
    for (auto &k : KEYWORDS)
        if (k.tok == tok) return k.name;
    return nullptr;
}

int SQLexer::next() {
    newlineBefore = false;
    for (;;) {
        if (atEnd()) {
            line = lineNo;
            column = curColumn();
            return token = TK_EOF;
        }
        int c = peek();
        if (c == '\n') {
            newlineBefore = true;
            advance();
            continue;
        }
        if (isspace(c)) {
            advance();
            continue;
        }
        if (c == '#' || (c == '/' && peek(1) == '/')) {
            while (!atEnd() && peek() != '\n') advance();
            continue;
        }
        if (c == '/' && peek(1) == '*') {
            advance();
            advance();
            for (;;) {
                if (atEnd()) error("missing \"*/\" in comment");
                if (peek() == '*' && peek(1) == '/') {
                    advance();
                    advance();
                    break;
                }
                if (peek() == '\n') newlineBefore = true;
                advance();
            }
            continue;
        }
        break;
    }
    line = lineNo;
    column = curColumn();
    int c = peek();
    if (isdigit(c)) return token = readNumber();
    if (isalpha(c) || c == '_') return token = readIdentifier();
    auto two = [&](char second, int tok, int single) {
        advance();
        if (peek() == second) {
            advance();
            return token = tok;
        }
        return token = single;
    };
    switch (c) {
    case '"': advance(); return token = readString('"', false);
    case '\'': {
        advance();
        int t = readString('\'', false);
        if (str.empty()) error("empty constant");
        if (str.size() > 1) error("constant too long");
        ival = (SQInteger)(signed char)str[0];
        (void)t;
        return token = TK_INTEGER;
    }
    case '@':
        advance();
        if (peek() == '"') {
            advance();
            return token = readString('"', true);
        }
        return token = '@';
    case '=': return two('=', TK_EQ, '=');
    case '!': return two('=', TK_NE, '!');
    case '|': return two('|', TK_OR, '|');
    case '&': return two('&', TK_AND, '&');
    case '+':
        advance();
        if (peek() == '=') { advance(); return token = TK_PLUSEQ; }
        if (peek() == '+') { advance(); return token = TK_PLUSPLUS; }
        return token = '+';
    case '-':
        advance();
        if (peek() == '=') { advance(); return token = TK_MINUSEQ; }
        if (peek() == '-') { advance(); return token = TK_MINUSMINUS; }
        return token = '-';
    case '*': return two('=', TK_MULEQ, '*');
    case '%': return two('=', TK_MODEQ, '%');
    case '/':
        advance();
        if (peek() == '=') { advance(); return token = TK_DIVEQ; }
        if (peek() == '>') { advance(); return token = TK_ATTR_CLOSE; }
        return token = '/';
    case '<':
        advance();
        if (peek() == '=') {
            advance();
            if (peek() == '>') { advance(); return token = TK_3WAYSCMP; }
            return token = TK_LE;
        }
        if (peek() == '-') { advance(); return token = TK_NEWSLOT; }
        if (peek() == '<') { advance(); return token = TK_SHIFTL; }
        if (peek() == '/') { advance(); return token = TK_ATTR_OPEN; }
        return token = '<';
    case '>':
        advance();
        if (peek() == '=') { advance(); return token = TK_GE; }
        if (peek() == '>') {
            advance();
            if (peek() == '>') { advance(); return token = TK_USHIFTR; }
            return token = TK_SHIFTR;
        }
        return token = '>';
    case ':': return two(':', TK_DOUBLE_COLON, ':');
    case '.':
        advance();
        if (peek() == '.' && peek(1) == '.') {
            advance();
            advance();
            return token = TK_VARPARAMS;
        }
        return token = '.';
    case '{': case '}': case '(': case ')': case '[': case ']': case ';': case ',': case '?':
    case '^': case '~':
        advance();
        return token = c;
    default: break;
    }
    error("unexpected character");
}

int SQLexer::readIdentifier() {
    SQInteger start = pos;
    while (!atEnd() && (isalnum(peek()) || peek() == '_')) advance();
    str.assign(src + start, (size_t)(pos - start));
    for (auto &k : KEYWORDS)
        if (str == k.name) return k.tok;
    return TK_IDENTIFIER;
}

int SQLexer::readNumber() {
    SQInteger start = pos;
    if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
        advance();
        advance();
        uint32_t v = 0;
        int digits = 0;
        while (isxdigit(peek())) {
            int c = peek();
            v = v * 16 + (uint32_t)(isdigit(c) ? c - '0' : (tolower(c) - 'a' + 10));
            if (++digits > 8) error("too many digits for an Hex number");
            advance();
        }
        if (!digits) error("expected hex digits");
        ival = (SQInteger)v;
        return TK_INTEGER;
    }
    if (peek() == '0' && isdigit(peek(1))) {
        // octal when every digit is 0-7
        SQInteger p = pos + 1;
        bool allOctal = true, hasDot = false;
        while (p < len && isdigit((unsigned char)src[p])) {
            if (src[p] > '7') allOctal = false;
            p++;
        }
        if (p < len && (src[p] == '.' || src[p] == 'e' || src[p] == 'E')) hasDot = true;
        if (!hasDot) {
            SQInteger q = pos + 1;
            while (q < p && src[q] <= '7') q++;
            if (!allOctal && q > pos + 1) error("invalid octal number");
            if (allOctal) {
                uint32_t v = 0;
                advance();
                while (isdigit(peek())) {
                    v = v * 8 + (uint32_t)(peek() - '0');
                    advance();
                }
                ival = (SQInteger)v;
                return TK_INTEGER;
            }
        }
    }
    bool isFloat = false;
    while (isdigit(peek())) advance();
    if (peek() == '.') {
        isFloat = true;
        advance();
        while (isdigit(peek())) advance();
    }
    if (peek() == 'e' || peek() == 'E') {
        int n = 1;
        if (peek(1) == '+' || peek(1) == '-') n = 2;
        if (isdigit(peek(n))) {
            isFloat = true;
            for (int i = 0; i < n; i++) advance();
            while (isdigit(peek())) advance();
        }
    }
    std::string text(src + start, (size_t)(pos - start));
    if (isFloat) {
        fval = (SQFloat)strtod(text.c_str(), nullptr);
        return TK_FLOAT;
    }
    uint32_t v = 0;
    for (char ch : text) v = v * 10 + (uint32_t)(ch - '0');
    ival = (SQInteger)v;
    return TK_INTEGER;
}

int SQLexer::readString(char delim, bool verbatim) {
    str.clear();
    for (;;) {
        if (atEnd()) error("unfinished string");
        int c = peek();
        if (c == delim) {
            advance();
            if (verbatim && peek() == delim) {
                str.push_back((char)delim);
                advance();
                continue;
            }
            break;
        }
        if (c == '\n' && !verbatim) error("newline in a constant");
        if (c == '\\' && !verbatim) {
            advance();
            int e = peek();
            if (atEnd()) error("unfinished string");
            advance();
            switch (e) {
            case 't': str.push_back('\t'); break;
            case 'a': str.push_back('\a'); break;
            case 'b': str.push_back('\b'); break;
            case 'n': str.push_back('\n'); break;
            case 'r': str.push_back('\r'); break;
            case 'v': str.push_back('\v'); break;
            case 'f': str.push_back('\f'); break;
            case '0': str.push_back('\0'); break;
            case '\\': str.push_back('\\'); break;
            case '"': str.push_back('"'); break;
            case '\'': str.push_back('\''); break;
            case 'x': {
                if (!isxdigit(peek())) error("hexadecimal number expected");
                unsigned v = 0;
                for (int i = 0; i < 4 && isxdigit(peek()); i++) {
                    int h = peek();
                    v = v * 16 + (unsigned)(isdigit(h) ? h - '0' : tolower(h) - 'a' + 10);
                    advance();
                }
                str.push_back((char)(v & 0xFF));
                break;
            }
            default: error("unrecognised escaper char");
            }
            continue;
        }
        str.push_back((char)c);
        advance();
    }
    return TK_STRING_LITERAL;
}
