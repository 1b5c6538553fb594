// Source text -> tokens.
#pragma once
#include "squirrel.h"

#include <string>

enum SQToken {
    TK_EOF = 256, TK_IDENTIFIER, TK_STRING_LITERAL, TK_INTEGER, TK_FLOAT,
    TK_BASE, TK_BREAK, TK_CASE, TK_CATCH, TK_CLASS, TK_CLONE, TK_CONST, TK_CONSTRUCTOR, TK_CONTINUE,
    TK_DEFAULT, TK_DELETE, TK_DO, TK_ELSE, TK_ENUM, TK_EXTENDS, TK_FALSE, TK_FOR, TK_FOREACH,
    TK_FUNCTION, TK_IF, TK_IN, TK_INSTANCEOF, TK_LOCAL, TK_NULL, TK_RESUME, TK_RETURN, TK_STATIC,
    TK_SWITCH, TK_THIS, TK_THROW, TK_TRUE, TK_TRY, TK_TYPEOF, TK_WHILE, TK_YIELD,
    TK_NE, TK_EQ, TK_OR, TK_AND, TK_GE, TK_LE, TK_3WAYSCMP, TK_PLUSEQ, TK_MINUSEQ, TK_MULEQ,
    TK_DIVEQ, TK_MODEQ, TK_PLUSPLUS, TK_MINUSMINUS, TK_NEWSLOT, TK_SHIFTL, TK_SHIFTR, TK_USHIFTR,
    TK_DOUBLE_COLON, TK_VARPARAMS, TK_ATTR_OPEN, TK_ATTR_CLOSE
};

struct SQLexError {
    std::string msg;
};

class SQLexer {
public:
    SQLexer(const char *src, SQInteger len);
    int next();  // returns the token; throws SQLexError
    int token = 0;
    std::string str;      // identifier or string value
    SQInteger ival = 0;
    SQFloat fval = 0;
    SQInteger line = 1, column = 1;   // position of the current token
    bool newlineBefore = false;       // a newline separates it from the previous token
    SQInteger curLine() const { return lineNo; }
    SQInteger curColumn() const { return (SQInteger)(pos - lineStart) + 1; }
    static const char *tokenName(int tok);

private:
    const char *src;
    SQInteger len, pos = 0, lineStart = 0, lineNo = 1;
    int peek(int off = 0) const { return pos + off < len ? (unsigned char)src[pos + off] : 0; }
    bool atEnd() const { return pos >= len; }
    void advance() {
        if (src[pos] == '\n') {
            lineNo++;
            lineStart = pos + 1;
        }
        pos++;
    }
    [[noreturn]] void error(const char *msg);
    int readString(char delim, bool verbatim);
    int readNumber();
    int readIdentifier();
};
