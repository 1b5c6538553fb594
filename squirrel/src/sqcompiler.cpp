// Tokens -> bytecode, in one pass. Expressions are compiled for a stack
// machine; an assignable expression is kept "pending" (ExpState) until the
// parser knows whether it is read, assigned, incremented or called.
#include "sqarray.h"
#include "sqlexer.h"
#include "sqstackprobe.h"
#include "sqvm.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct CompileError {
    std::string msg;
    SQInteger line, column;
};

enum ExpKind { EK_VALUE, EK_LOCAL, EK_OUTER, EK_VAR, EK_FIELD };

struct ExpState {
    ExpKind kind = EK_VALUE;
    int32_t index = 0;     // slot, outer index or literal index of a name
    int32_t keyLit = -1;   // EK_FIELD: literal key not yet pushed, else key on the stack
    bool objIsBase = false;
    bool isThis = false;   // EK_VALUE: just `this`, pushed by the last instruction
};

struct LocalVar {
    std::string name;
    int32_t slot;
    int32_t infoIndex;
};

struct Loop {
    std::vector<int32_t> breaks, continues;
    int32_t nlocals;
    int32_t ntraps;
    bool isSwitch;
};

struct FuncState {
    FuncState *parent = nullptr;
    SQObjectPtr protoObj;
    SQFunctionProto *proto = nullptr;
    std::vector<LocalVar> locals;
    std::vector<Loop> loops;
    int32_t curStack = 0, maxStack = 0;
    int32_t ntraps = 0;
    int32_t lastLine = -1;
    int32_t lastLinePc = -1;  // a debug line instruction sits at this pc
    int32_t lastTarget = -1;  // the furthest pc a jump lands on
};

class Compiler {
public:
    Compiler(SQVM *vm, const char *src, SQInteger len, const char *sourcename)
        : v(vm), lex(src, len), source(vm->str(sourcename)) {}

    SQObjectPtr compile();

private:
    SQVM *v;
    SQLexer lex;
    SQObjectPtr source;
    FuncState *fs = nullptr;
    SQInteger prevLine = 1;

    // ---- errors and tokens ----
    [[noreturn]] void error(const char *fmt, ...) {
        char buf[256];
        va_list ap;
        va_start(ap, fmt);
        vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        throw CompileError{buf, lex.line, lex.column};
    }
    void next() {
        prevLine = lex.line;
        try {
            lex.next();
        } catch (SQLexError &e) {
            throw CompileError{e.msg, lex.curLine(), lex.curColumn()};
        }
    }
    int tok() const { return lex.token; }
    void expect(int t) {
        if (tok() != t) {
            const char *name = SQLexer::tokenName(t);
            if (name) error("expected '%s'", name);
            error("expected '%c'", t);
        }
        next();
    }
    std::string expectIdentifier() {
        if (tok() != TK_IDENTIFIER) error("expected 'IDENTIFIER'");
        std::string s = lex.str;
        next();
        return s;
    }
    bool accept(int t) {
        if (tok() == t) {
            next();
            return true;
        }
        return false;
    }
    void endOfStatement() {
        if (tok() == ';') {
            next();
            return;
        }
        if (tok() == '}' || tok() == TK_EOF || lex.newlineBefore) return;
        error("end of statement expected (; or lf)");
    }

    // ---- emission ----
    int32_t pc() const { return (int32_t)fs->proto->code.size(); }
    void adjustStack(int32_t delta) {
        fs->curStack += delta;
        if (fs->curStack > fs->maxStack) fs->maxStack = fs->curStack;
    }
    int32_t emit(SQOpcode op, int32_t arg = 0, int32_t delta = 0, uint8_t a = 0, uint16_t b = 0) {
        if ((int32_t)prevLine != fs->lastLine) {
            fs->proto->lines.push_back({pc(), (int32_t)prevLine});
            fs->lastLine = (int32_t)prevLine;
            if (v->ss->debugInfo) {
                fs->proto->code.push_back({OP_LINE, 0, 0, (int32_t)prevLine});
                fs->lastLinePc = pc();
            }
        }
        fs->proto->code.push_back({op, a, b, arg});
        adjustStack(delta);
        return pc() - 1;
    }
    void patchTo(int32_t at, int32_t target) {
        fs->proto->code[at].arg = target - (at + 1);  // every jump is relative to the next instruction
        if (target > fs->lastTarget) fs->lastTarget = target;
    }
    // The last instruction may be fused with the next only when no jump lands between them.
    SQInstruction *fusable() {
        if (fs->proto->code.empty() || fs->lastTarget >= pc() || fs->lastLinePc == pc()) return nullptr;
        return &fs->proto->code.back();
    }
    static int cmpKind(SQOpcode op) {
        switch (op) {
        case OP_LT: return CMP_LT;
        case OP_LE: return CMP_LE;
        case OP_GT: return CMP_GT;
        case OP_GE: return CMP_GE;
        case OP_EQ: return CMP_EQ;
        case OP_NE: return CMP_NE;
        default: return -1;
        }
    }
    // Jump when the value on top is false; a comparison just before absorbs it.
    int32_t emitJumpIfFalse() {
        auto &code = fs->proto->code;
        size_t n = code.size();
        if (fusable() && n >= 2 && fs->lastTarget < pc() - 1 && fs->lastLinePc < pc() - 1) {
            SQInstruction cmp = code[n - 1], prev = code[n - 2];
            int kind = cmpKind(cmp.op);
            if (kind >= 0 && !(cmp.a & 1) && prev.op == OP_GETLOCAL && prev.arg < 256) {
                int32_t imm = (int16_t)cmp.b;
                if ((cmp.a & 2) && imm >= -128 && imm <= 127) {
                    code.pop_back();
                    code.back() = {OP_JCMPLI, (uint8_t)prev.arg, (uint16_t)((uint8_t)(int8_t)imm | (kind << 8)), 0};
                    adjustStack(-1);
                    return pc() - 1;
                }
                if (!(cmp.a & 2) && n >= 3 && fs->lastTarget < pc() - 2 && fs->lastLinePc < pc() - 2 &&
                    code[n - 3].op == OP_GETLOCAL && code[n - 3].arg < 256) {
                    uint8_t first = (uint8_t)code[n - 3].arg;
                    code.pop_back();
                    code.pop_back();
                    code.back() = {OP_JCMPLL, first, (uint16_t)((uint8_t)prev.arg | (kind << 8)), 0};
                    adjustStack(-2);
                    return pc() - 1;
                }
            }
        }
        if (SQInstruction *last = fusable()) {
            if (!(last->a & 1) && (last->op == OP_EQ || last->op == OP_NE || last->op == OP_LT || last->op == OP_LE ||
                                    last->op == OP_GT || last->op == OP_GE)) {
                last->a |= 1;
                adjustStack(-1);
                return pc() - 1;
            }
        }
        return emit(OP_JZ, 0, -1);
    }
    // A small integer constant as right operand is folded into the operator.
    // The last `count` instructions, when no jump or line mark lands among
    // them or right after them: they may be replaced by one.
    SQInstruction *lastRun(size_t count) {
        auto &code = fs->proto->code;
        if (code.size() < count || fs->lastTarget > pc() - (int32_t)count || fs->lastLinePc > pc() - (int32_t)count)
            return nullptr;
        return &code[code.size() - count];
    }
    bool isLocalRead(const SQInstruction &ins) { return ins.op == OP_GETLOCAL && ins.arg < 256; }
    // Two locals read just before `op`: one instruction reads both.
    bool fuseLocalPair(SQOpcode fused, int32_t arg) {
        SQInstruction *run = lastRun(2);
        if (!run || !isLocalRead(run[0]) || !isLocalRead(run[1])) return false;
        uint8_t x = (uint8_t)run[0].arg;
        uint16_t y = (uint16_t)run[1].arg;
        fs->proto->code.pop_back();
        fs->proto->code.back() = {fused, x, y, arg};
        adjustStack(-1);
        return true;
    }
    void emitGet() {
        if (!fuseLocalPair(OP_GETLL, 0)) emit(OP_GET, 0, -1);
    }
    void emitBinary(SQOpcode op) {
        bool arith = op == OP_ADD || op == OP_SUB || op == OP_MUL;
        bool bitwise = op == OP_BAND || op == OP_BOR || op == OP_BXOR || op == OP_SHL || op == OP_SHR || op == OP_USHR;
        bool takesImmediate = arith || bitwise || op == OP_EQ || op == OP_NE || op == OP_LT || op == OP_LE ||
                              op == OP_GT || op == OP_GE;
        auto &code = fs->proto->code;
        if (arith) {
            if (fuseLocalPair(OP_ARITHLL, op)) return;
            SQInstruction *run = lastRun(2);
            if (run && isLocalRead(run[0]) && run[1].op == OP_LOADFLOAT) {
                // local op float constant in one step
                SQInstruction fused = {OP_LOCALARITHF, (uint8_t)run[0].arg, (uint16_t)op, run[1].arg};
                code.pop_back();
                code.back() = fused;
                adjustStack(-1);
                return;
            }
        }
        if (takesImmediate && !code.empty() && fs->lastTarget < pc() - 1 && fs->lastLinePc < pc() - 1 &&
            code.back().op == OP_LOADINT && code.back().arg >= -32768 && code.back().arg <= 32767) {
            int32_t imm = code.back().arg;
            code.pop_back();
            adjustStack(-1);
            if (arith && !code.empty() && code.back().op == OP_GETLOCAL && code.back().arg < 256 &&
                fs->lastTarget < pc() && fs->lastLinePc < pc()) {
                // local op immediate in one step
                uint8_t slot = (uint8_t)code.back().arg;
                code.back() = {OP_LOCALARITHI, slot, (uint16_t)(int16_t)imm, op};
                return;
            }
            emit(op, 0, 0, 2, (uint16_t)(int16_t)imm);
            return;
        }
        emit(op, 0, -1);
    }
    // Drops the value of an expression statement; stores absorb the pop.
    void emitPopValue() {
        if (SQInstruction *run = lastRun(2); run && run[1].op == OP_SETLOCAL && run[1].a == 0) {
            // an arithmetic result stored in a local and dropped: computed into the local
            SQOpcode fused = run[0].op == OP_ARITHLL       ? OP_ARITHLLSET
                             : run[0].op == OP_LOCALARITHI ? OP_LOCALARITHISET
                             : (run[0].op == OP_ADD || run[0].op == OP_SUB || run[0].op == OP_MUL) && run[0].a == 0
                                 ? OP_ARITHSET
                                 : OP_COUNT;
            if (fused != OP_COUNT && run[1].arg < (1 << 23)) {
                int32_t dst = run[1].arg << 8;
                run[0].arg = fused == OP_ARITHSET ? run[0].op | dst : run[0].arg | dst;
                run[0].op = fused;
                fs->proto->code.pop_back();
                adjustStack(-1);
                return;
            }
        }
        if (SQInstruction *last = fusable()) {
            if (last->op == OP_SET && last->a == 0) {
                last->a = 1;
                adjustStack(-1);
                return;
            }
            if ((last->op == OP_SETLOCAL || last->op == OP_SETOUTER) && last->a == 0) {
                last->a = 1;
                adjustStack(-1);
                return;
            }
            if ((last->op == OP_INCLOCAL || last->op == OP_INCOUTER) && !(last->a & 4)) {
                last->a |= 4;
                adjustStack(-1);
                return;
            }
        }
        emit(OP_POP, 1, -1);
    }
    void patchHere(int32_t at) { patchTo(at, pc()); }
    // The jump from a loop's end back to its test at `testPc`. A test that is
    // one fused compare-and-jump is repeated here instead, jumping back into
    // the body while it holds: one instruction less per round.
    void emitLoopBack(int32_t testPc, int32_t exitJump) {
        SQInstruction test = exitJump == testPc ? fs->proto->code[testPc] : SQInstruction{OP_JMP, 0, 0, 0};
        if (test.op == OP_JCMPLI || test.op == OP_JCMPLL) {
            uint16_t flags = CMP_LOOP_BACK;
            SQOpcode op = test.op;
            SQInstruction *last = fusable();
            if (last && last->op == OP_INCLOCAL && (last->a & 4) && last->arg == test.a) {
                // the step `i++` of the tested local goes into the test
                flags |= CMP_STEP | ((last->a & 2) ? CMP_STEP_DOWN : 0);
                op = op == OP_JCMPLI ? OP_FORLOOPLI : OP_FORLOOPLL;
                fs->proto->code.pop_back();
            }
            emitJumpBack(op, testPc + 1);
            fs->proto->code.back().a = test.a;
            fs->proto->code.back().b = test.b | flags;
        } else {
            emitJumpBack(OP_JMP, testPc);
        }
    }
    void emitJumpBack(SQOpcode op, int32_t target, int32_t delta = 0) {
        int32_t j = emit(op, 0, delta);
        patchTo(j, target);
    }

    int32_t literal(const SQObject &o) {
        auto &lits = fs->proto->literals;
        for (size_t i = 0; i < lits.size(); i++)
            if (sq_rawequal(lits[i], o)) return (int32_t)i;
        lits.push_back(SQObjectPtr(o));
        return (int32_t)lits.size() - 1;
    }
    int32_t stringLiteral(const std::string &s) { return literal(v->str(s.data(), (SQInteger)s.size())); }
    void emitLoadValue(const SQObject &o) {
        switch (type(o)) {
        case OT_NULL: emit(OP_LOADNULL, 0, 1); break;
        case OT_INTEGER: emit(OP_LOADINT, _integer(o), 1); break;
        case OT_BOOL: emit(OP_LOADBOOL, 0, 1, _integer(o) ? 1 : 0); break;
        case OT_FLOAT: {
            int32_t bits;
            std::memcpy(&bits, &_float(o), 4);
            emit(OP_LOADFLOAT, bits, 1);
            break;
        }
        default: emit(OP_LOADK, literal(o), 1); break;
        }
    }

    // ---- scopes ----
    int32_t nlocals() const { return (int32_t)fs->locals.size(); }
    int32_t declareLocal(const std::string &name) {
        int32_t slot = nlocals();
        SQLocalVarInfo info;
        info.name = v->str(name.data(), (SQInteger)name.size());
        info.slot = slot;
        info.startpc = pc();
        info.endpc = -1;
        fs->proto->locals.push_back(std::move(info));
        fs->locals.push_back({name, slot, (int32_t)fs->proto->locals.size() - 1});
        return slot;
    }
    void closeScope(int32_t keep) {
        int32_t n = nlocals() - keep;
        if (n > 0) {
            emit(OP_POP, n, -n);
            for (int32_t i = keep; i < nlocals(); i++) fs->proto->locals[fs->locals[i].infoIndex].endpc = pc();
            fs->locals.resize(keep);
        }
    }
    int32_t findLocal(FuncState *f, const std::string &name) {
        for (int32_t i = (int32_t)f->locals.size() - 1; i >= 0; i--)
            if (f->locals[i].name == name) return f->locals[i].slot;
        return -1;
    }
    int32_t findOuter(FuncState *f, const std::string &name) {
        if (!f->parent) return -1;
        bool fromLocal = true;
        int32_t idx = findLocal(f->parent, name);
        if (idx < 0) {
            fromLocal = false;
            idx = findOuter(f->parent, name);
            if (idx < 0) return -1;
        }
        auto &outs = f->proto->outers;
        for (size_t i = 0; i < outs.size(); i++)
            if (outs[i].fromLocal == fromLocal && outs[i].index == idx) return (int32_t)i;
        SQOuterInfo oi;
        oi.name = v->str(name.data(), (SQInteger)name.size());
        oi.fromLocal = fromLocal;
        oi.index = idx;
        outs.push_back(std::move(oi));
        return (int32_t)outs.size() - 1;
    }

    // ---- expressions ----
    void discharge(ExpState &e) {
        switch (e.kind) {
        case EK_VALUE: return;
        case EK_LOCAL: emit(OP_GETLOCAL, e.index, 1); break;
        case EK_OUTER: emit(OP_GETOUTER, e.index, 1); break;
        case EK_VAR: emit(OP_GETVAR, e.index, 1); break;
        case EK_FIELD:
            if (e.keyLit >= 0) emit(OP_GETK, e.keyLit, 0);
            else emitGet();
            break;
        }
        e.kind = EK_VALUE;
    }
    void pushFieldKey(ExpState &e) {
        if (e.keyLit >= 0) {
            emit(OP_LOADK, e.keyLit, 1);
            e.keyLit = -1;
        }
    }
    ExpState valueExp() { return ExpState(); }

    void expression() {
        ExpState e = assignment();
        discharge(e);
    }
    // comma list inside parentheses and for clauses: value of the last one
    void commaExpression() {
        expression();
        while (tok() == ',') {
            next();
            emit(OP_POP, 1, -1);
            expression();
        }
    }

    // Deeply nested source would exhaust the C stack of this recursive parser.
    int depth = 0;
    SQStackProbe probe;
    struct DepthGuard {
        Compiler *c;
        explicit DepthGuard(Compiler *cc) : c(cc) {
            if (++c->depth > 200 || c->probe.exceeded(512 * 1024)) c->error("nesting too deep");
        }
        ~DepthGuard() { c->depth--; }
    };

    ExpState assignment() {
        DepthGuard guard(this);
        ExpState e = conditional();
        int op = tok();
        switch (op) {
        case '=': case TK_NEWSLOT: case TK_PLUSEQ: case TK_MINUSEQ: case TK_MULEQ: case TK_DIVEQ: case TK_MODEQ:
            break;
        default: return e;
        }
        if (e.kind == EK_VALUE) error("can't assign expression");
        next();
        if (op == TK_NEWSLOT) {
            switch (e.kind) {
            case EK_LOCAL: case EK_OUTER: error("can't 'create' a local slot");
            case EK_VAR:
                emit(OP_GETLOCAL, 0, 1);
                emit(OP_LOADK, e.index, 1);
                break;
            case EK_FIELD: pushFieldKey(e); break;
            default: break;
            }
            expression();
            emit(OP_NEWSLOT, 0, -2);
            return valueExp();
        }
        SQOpcode arith = OP_ADD;
        switch (op) {
        case TK_MINUSEQ: arith = OP_SUB; break;
        case TK_MULEQ: arith = OP_MUL; break;
        case TK_DIVEQ: arith = OP_DIV; break;
        case TK_MODEQ: arith = OP_MOD; break;
        default: break;
        }
        bool compound = op != '=';
        switch (e.kind) {
        case EK_LOCAL:
            if (compound) emit(OP_GETLOCAL, e.index, 1);
            expression();
            if (compound) emitBinary(arith);
            emit(OP_SETLOCAL, e.index, 0);
            break;
        case EK_OUTER:
            if (compound) emit(OP_GETOUTER, e.index, 1);
            expression();
            if (compound) emitBinary(arith);
            emit(OP_SETOUTER, e.index, 0);
            break;
        case EK_VAR:
            if (compound) emit(OP_GETVAR, e.index, 1);
            expression();
            if (compound) emitBinary(arith);
            emit(OP_SETVAR, e.index, 0);
            break;
        case EK_FIELD:
            pushFieldKey(e);
            if (compound) {
                emit(OP_DUP, 1, 1);
                emit(OP_DUP, 1, 1);
                emit(OP_GET, 0, -1);
            }
            expression();
            if (compound) emitBinary(arith);
            emit(OP_SET, 0, -2);
            break;
        default: break;
        }
        return valueExp();
    }

    ExpState conditional() {
        ExpState e = logicalOr();
        if (tok() != '?') return e;
        discharge(e);
        next();
        int32_t jz = emitJumpIfFalse();
        expression();
        int32_t jend = emit(OP_JMP, 0, 0);
        adjustStack(-1);
        patchHere(jz);
        expect(':');
        expression();
        patchHere(jend);
        return valueExp();
    }

    ExpState logicalOr() {
        ExpState e = logicalAnd();
        while (tok() == TK_OR) {
            discharge(e);
            next();
            int32_t j = emit(OP_ORJ, 0, -1);
            ExpState r = logicalAnd();
            discharge(r);
            patchHere(j);
            e = valueExp();
        }
        return e;
    }

    ExpState logicalAnd() {
        ExpState e = bitOr();
        for (;;) {
            if (tok() == TK_AND) {
                discharge(e);
                next();
                int32_t j = emit(OP_ANDJ, 0, -1);
                ExpState r = bitOr();
                discharge(r);
                patchHere(j);
            } else if (tok() == TK_IN || tok() == TK_INSTANCEOF) {
                SQOpcode op = tok() == TK_IN ? OP_IN : OP_INSTANCEOF;
                discharge(e);
                next();
                ExpState r = bitOr();
                discharge(r);
                emit(op, 0, -1);
            } else break;
            e = valueExp();
        }
        return e;
    }

    template <typename Sub>
    ExpState binaryLevel(Sub sub, std::initializer_list<std::pair<int, SQOpcode>> ops) {
        ExpState e = (this->*sub)();
        for (;;) {
            SQOpcode op = OP_COUNT;
            for (auto &p : ops)
                if (p.first == tok()) op = p.second;
            if (op == OP_COUNT) return e;
            discharge(e);
            next();
            ExpState r = (this->*sub)();
            discharge(r);
            emitBinary(op);
            e = valueExp();
        }
    }
    ExpState bitOr() { return binaryLevel(&Compiler::bitXor, {{'|', OP_BOR}}); }
    ExpState bitXor() { return binaryLevel(&Compiler::bitAnd, {{'^', OP_BXOR}}); }
    ExpState bitAnd() { return binaryLevel(&Compiler::comparison, {{'&', OP_BAND}}); }
    ExpState comparison() {
        return binaryLevel(&Compiler::shift, {{TK_EQ, OP_EQ}, {TK_NE, OP_NE}, {'<', OP_LT}, {TK_LE, OP_LE},
                                              {'>', OP_GT}, {TK_GE, OP_GE}, {TK_3WAYSCMP, OP_CMP3}});
    }
    ExpState shift() {
        return binaryLevel(&Compiler::additive, {{TK_SHIFTL, OP_SHL}, {TK_SHIFTR, OP_SHR}, {TK_USHIFTR, OP_USHR}});
    }
    ExpState additive() { return binaryLevel(&Compiler::multiplicative, {{'+', OP_ADD}, {'-', OP_SUB}}); }
    ExpState multiplicative() {
        return binaryLevel(&Compiler::unary, {{'*', OP_MUL}, {'/', OP_DIV}, {'%', OP_MOD}});
    }

    void emitIncrement(ExpState &e, uint8_t flags) {
        switch (e.kind) {
        case EK_LOCAL: emit(OP_INCLOCAL, e.index, 1, flags); break;
        case EK_OUTER: emit(OP_INCOUTER, e.index, 1, flags); break;
        case EK_VAR: emit(OP_INCVAR, e.index, 1, flags); break;
        case EK_FIELD:
            pushFieldKey(e);
            emit(OP_INCFIELD, 0, -1, flags);
            break;
        default: error("can't '++' or '--' an expression");
        }
        e = valueExp();
    }

    ExpState unary() {
        DepthGuard guard(this);
        switch (tok()) {
        case '-': case '~': case '!': case TK_TYPEOF: case TK_CLONE: case TK_RESUME: {
            int t = tok();
            next();
            ExpState e = unary();
            discharge(e);
            SQOpcode op = t == '-' ? OP_NEG : t == '~' ? OP_BNOT : t == '!' ? OP_NOT
                        : t == TK_TYPEOF ? OP_TYPEOF : t == TK_CLONE ? OP_CLONE : OP_RESUME;
            emit(op, 0, 0);
            return valueExp();
        }
        case TK_PLUSPLUS: case TK_MINUSMINUS: {
            uint8_t flags = tok() == TK_MINUSMINUS ? 2 : 0;
            next();
            ExpState e = unary();
            emitIncrement(e, flags);
            return e;
        }
        case TK_DELETE: {
            next();
            ExpState e = unary();
            if (e.kind == EK_VAR) {
                emit(OP_GETLOCAL, 0, 1);
                emit(OP_LOADK, e.index, 1);
            } else if (e.kind == EK_FIELD) {
                pushFieldKey(e);
            } else error("can't delete an expression");
            emit(OP_DELETE, 0, -1);
            return valueExp();
        }
        default: return postfix();
        }
    }

    // Pushes the callee and its `this` for a call on the pending expression.
    void prepareCall(ExpState &e) {
        if (e.kind == EK_FIELD) {
            if (e.objIsBase) {
                discharge(e);
                emit(OP_GETLOCAL, 0, 1);
            } else if (e.keyLit >= 0) {
                emit(OP_PREPCALLK, e.keyLit, 1);
            } else {
                emit(OP_PREPCALL, 0, 0);
            }
        } else if (e.kind == EK_VAR) {
            emit(OP_GETVAR, e.index, 2, 1);  // the function and `this`
        } else {
            discharge(e);
            emit(OP_GETLOCAL, 0, 1);
        }
        e = valueExp();
    }

    void callArguments() {
        // '(' already consumed
        int32_t nargs = 1;
        if (tok() != ')') {
            for (;;) {
                expression();
                nargs++;
                if (tok() == ',') {
                    next();
                    continue;
                }
                break;
            }
        }
        expect(')');
        emit(OP_CALL, nargs, -nargs);
    }

    ExpState postfix() {
        ExpState e = primary();
        for (;;) {
            switch (tok()) {
            case '.': {
                next();
                discharge(e);
                std::string name;
                if (tok() == TK_CONSTRUCTOR) {
                    name = "constructor";
                    next();
                } else name = expectIdentifier();
                auto &code = fs->proto->code;
                if (e.isThis && !code.empty() && code.back().op == OP_GETLOCAL && code.back().arg == 0) {
                    // `this.x` resolves like a bare `x`: `this`, then the root table
                    code.pop_back();
                    adjustStack(-1);
                    e = ExpState();
                    e.kind = EK_VAR;
                    e.index = stringLiteral(name);
                    break;
                }
                bool wasBase = e.objIsBase;
                e = ExpState();
                e.kind = EK_FIELD;
                e.keyLit = stringLiteral(name);
                e.objIsBase = wasBase;
                break;
            }
            case '[': {
                if (lex.newlineBefore) return e;
                next();
                discharge(e);
                bool wasBase = e.objIsBase;
                expression();
                expect(']');
                e = ExpState();
                e.kind = EK_FIELD;
                e.objIsBase = wasBase;
                break;
            }
            case '(': {
                next();
                prepareCall(e);
                callArguments();
                e = valueExp();
                break;
            }
            case TK_PLUSPLUS: case TK_MINUSMINUS: {
                if (lex.newlineBefore) return e;
                uint8_t flags = (uint8_t)(1 | (tok() == TK_MINUSMINUS ? 2 : 0));
                next();
                emitIncrement(e, flags);
                return e;
            }
            default: return e;
            }
        }
    }

    ExpState identifierExp(const std::string &name) {
        ExpState e;
        int32_t slot = findLocal(fs, name);
        if (slot >= 0) {
            e.kind = EK_LOCAL;
            e.index = slot;
            return e;
        }
        int32_t outer = findOuter(fs, name);
        if (outer >= 0) {
            e.kind = EK_OUTER;
            e.index = outer;
            return e;
        }
        SQObjectPtr key = v->str(name.data(), (SQInteger)name.size());
        SQObjectPtr constant;
        if (type(v->ss->consttable) == OT_TABLE && _table(v->ss->consttable)->get(key, constant)) {
            if (type(constant) == OT_TABLE) {
                // enum: the member is resolved now
                expect('.');
                std::string member = expectIdentifier();
                SQObjectPtr val;
                if (!_table(constant)->get(v->str(member.data(), (SQInteger)member.size()), val))
                    error("invalid constant [%s.%s]", name.c_str(), member.c_str());
                emitLoadValue(val);
            } else {
                emitLoadValue(constant);
            }
            return valueExp();
        }
        e.kind = EK_VAR;
        e.index = literal(key);
        return e;
    }

    ExpState primary() {
        switch (tok()) {
        case TK_IDENTIFIER: {
            std::string name = lex.str;
            next();
            return identifierExp(name);
        }
        case TK_INTEGER: emit(OP_LOADINT, lex.ival, 1); next(); return valueExp();
        case TK_FLOAT: {
            SQObjectPtr f(lex.fval);
            emitLoadValue(f);
            next();
            return valueExp();
        }
        case TK_STRING_LITERAL: emit(OP_LOADK, stringLiteral(lex.str), 1); next(); return valueExp();
        case TK_NULL: emit(OP_LOADNULL, 0, 1); next(); return valueExp();
        case TK_TRUE: emit(OP_LOADBOOL, 0, 1, 1); next(); return valueExp();
        case TK_FALSE: emit(OP_LOADBOOL, 0, 1, 0); next(); return valueExp();
        case TK_THIS: {
            emit(OP_GETLOCAL, 0, 1);
            next();
            ExpState e;
            e.isThis = true;
            return e;
        }
        case TK_BASE: {
            next();
            emit(OP_LOADBASE, 0, 1);
            ExpState e;
            e.objIsBase = true;
            return e;
        }
        case TK_DOUBLE_COLON: {
            next();
            emit(OP_LOADROOT, 0, 1);
            ExpState e;
            e.kind = EK_FIELD;
            e.keyLit = stringLiteral(expectIdentifier());
            return e;
        }
        case '(': {
            next();
            commaExpression();
            expect(')');
            return valueExp();
        }
        case '[': {
            next();
            emit(OP_NEWARRAY, 0, 1);
            while (tok() != ']') {
                expression();
                emit(OP_APPEND, 0, -1);
                if (tok() == ',') next();
            }
            next();
            return valueExp();
        }
        case '{': {
            next();
            tableBody('}', false);
            return valueExp();
        }
        case TK_FUNCTION: {
            next();
            functionExp("", false);
            return valueExp();
        }
        case '@': {
            next();
            functionExp("", true);
            return valueExp();
        }
        case TK_CLASS: {
            next();
            classExp();
            return valueExp();
        }
        case '-': case TK_TYPEOF: case '!': case '~': return unary();
        default: error("expression expected");
        }
    }

    // Table literal body after '{' (or class body): key/value pairs, commas optional.
    void tableBody(int terminator, bool isClass) {
        if (!isClass) emit(OP_NEWTABLE, 0, 1);
        while (tok() != terminator) {
            bool hasAttrs = false, isStatic = false;
            if (isClass && tok() == TK_ATTR_OPEN) {
                // attributes go after key and value: compile them into a temp first? keep order:
                // we compile key, value, then attrs; remember position by compiling attrs later.
                hasAttrs = true;
            }
            std::vector<SQInstruction> attrCode;
            int32_t attrDepth = 0;
            if (hasAttrs) {
                // The attribute table is written before the member but pushed after
                // it: compile it aside and replay it after the value.
                int32_t attrsStart = pc();
                int32_t savedMax = fs->maxStack, before = fs->curStack;
                fs->maxStack = fs->curStack;
                next();
                tableBody(TK_ATTR_CLOSE, false);
                attrDepth = fs->maxStack - before;
                fs->maxStack = savedMax > fs->maxStack ? savedMax : fs->maxStack;
                attrCode.assign(fs->proto->code.begin() + attrsStart, fs->proto->code.end());
                fs->proto->code.resize(attrsStart);
                adjustStack(-1);
            }
            if (isClass && tok() == TK_STATIC) {
                isStatic = true;
                next();
            }
            switch (tok()) {
            case TK_FUNCTION: {
                next();
                std::string name = expectIdentifier();
                emit(OP_LOADK, stringLiteral(name), 1);
                functionExp(name, false);
                break;
            }
            case TK_CONSTRUCTOR: {
                if (!isClass) error("expected 'IDENTIFIER'");
                next();
                emit(OP_LOADK, stringLiteral("constructor"), 1);
                functionExp("constructor", false, true);
                break;
            }
            case '[': {
                next();
                expression();
                expect(']');
                expect('=');
                expression();
                break;
            }
            case TK_STRING_LITERAL: {
                if (isClass) error("expected 'IDENTIFIER'");
                emit(OP_LOADK, stringLiteral(lex.str), 1);
                next();
                expect(':');
                expression();
                break;
            }
            case TK_IDENTIFIER: {
                emit(OP_LOADK, stringLiteral(lex.str), 1);
                next();
                if (!isClass && tok() == ':') next();
                else expect('=');
                expression();
                break;
            }
            default: error("expected 'IDENTIFIER'");
            }
            if (isClass) {
                if (hasAttrs) {
                    for (auto &ins : attrCode) fs->proto->code.push_back(ins);
                    adjustStack(attrDepth);
                    adjustStack(1 - attrDepth);
                }
                emit(OP_CLASSMEMBER, 0, hasAttrs ? -3 : -2, (uint8_t)((isStatic ? 1 : 0) | (hasAttrs ? 2 : 0)));
                if (tok() == ';') next();
            } else {
                emit(OP_TABLESLOT, 0, -2);
                if (tok() == ',') next();
            }
        }
        next();
    }

    void classExp() {
        uint8_t flags = 0;
        if (accept(TK_EXTENDS)) {
            expression();
            flags |= 1;
        }
        if (tok() == TK_ATTR_OPEN) {
            next();
            tableBody(TK_ATTR_CLOSE, false);
            flags |= 2;
        }
        expect('{');
        int32_t n = (flags & 1) + ((flags & 2) ? 1 : 0);
        emit(OP_NEWCLASS, 0, 1 - n, flags);
        tableBody('}', true);
    }

    // Compiles a function literal (after 'function' or '@'); leaves the closure on the stack.
    void functionExp(const std::string &name, bool lambda, bool isConstructor = false) {
        (void)isConstructor;
        expect('(');
        FuncState child;
        child.parent = fs;
        SQFunctionProto *p = new SQFunctionProto();
        child.protoObj = SQObjectPtr(OT_FUNCPROTO, p);
        child.proto = p;
        p->source = source;
        p->name = name.empty() ? SQObjectPtr() : v->str(name.data(), (SQInteger)name.size());
        FuncState *parentFs = fs;
        fs = &child;
        declareLocal("this");
        p->paramNames.push_back(v->str("this"));
        adjustStack(1);
        int32_t ndefaults = 0;
        std::vector<std::string> params;
        while (tok() != ')') {
            if (tok() == TK_VARPARAMS) {
                next();
                p->varargs = true;
                if (tok() != ')') error("expected ')'");
                break;
            }
            std::string pname = expectIdentifier();
            declareLocal(pname);
            adjustStack(1);
            p->paramNames.push_back(v->str(pname.data(), (SQInteger)pname.size()));
            p->nparams++;
            if (tok() == '=') {
                next();
                // default values are evaluated in the enclosing function
                fs = parentFs;
                expression();
                fs = &child;
                ndefaults++;
            } else if (ndefaults > 0) {
                error("expected '='");
            }
            if (tok() == ',') next();
            else if (tok() != ')') error("expected ')'");
        }
        next();
        p->ndefaults = ndefaults;
        if (p->varargs) {
            declareLocal("vargv");
            adjustStack(1);
        }
        if (lambda) {
            expression();
            emit(OP_RETURN, 0, -1);
        } else {
            statement();
            emit(OP_RETURNNULL);
        }
        for (auto &l : fs->locals) p->locals[l.infoIndex].endpc = pc();
        p->stacksize = fs->maxStack + 4;
        fs = parentFs;
        fs->proto->functions.push_back(child.protoObj);
        emit(OP_CLOSURE, (int32_t)fs->proto->functions.size() - 1, 1 - ndefaults);
    }

    // ---- statements ----
    void statement() {
        DepthGuard guard(this);
        switch (tok()) {
        case ';': next(); return;
        case '{': {
            next();
            int32_t keep = nlocals();
            while (tok() != '}') {
                if (tok() == TK_EOF) error("expected '}'");
                statement();
            }
            next();
            closeScope(keep);
            return;
        }
        case TK_IF: ifStatement(); return;
        case TK_WHILE: whileStatement(); return;
        case TK_DO: doWhileStatement(); return;
        case TK_FOR: forStatement(); return;
        case TK_FOREACH: foreachStatement(); return;
        case TK_SWITCH: switchStatement(); return;
        case TK_LOCAL: localStatement(); return;
        case TK_RETURN: case TK_YIELD: {
            bool isYield = tok() == TK_YIELD;
            next();
            if (isYield) fs->proto->generator = true;
            if (tok() != ';' && tok() != '}' && tok() != TK_EOF && !lex.newlineBefore) {
                expression();
                if (!isYield && fs->ntraps == 0 && !fs->proto->code.empty() &&
                    fs->proto->code.back().op == OP_CALL)
                    fs->proto->code.back().op = OP_TAILCALL;
            } else {
                emit(OP_LOADNULL, 0, 1);
            }
            SQInstruction *last = fusable();
            if (!isYield && last && last->op == OP_GETLOCAL) {
                last->op = OP_RETURN;  // returns the local directly
                last->a = 1;
                adjustStack(-1);
            } else {
                emit(isYield ? OP_YIELD : OP_RETURN, 0, -1);
            }
            endOfStatement();
            return;
        }
        case TK_BREAK: case TK_CONTINUE: {
            bool isBreak = tok() == TK_BREAK;
            next();
            int li = (int)fs->loops.size() - 1;
            if (!isBreak)
                while (li >= 0 && fs->loops[li].isSwitch) li--;
            if (li < 0) error(isBreak ? "'break' has to be in a loop block" : "'continue' has to be in a loop block");
            Loop &l = fs->loops[li];
            if (fs->ntraps > l.ntraps) emit(OP_POPTRAP, fs->ntraps - l.ntraps);
            int32_t n = nlocals() - l.nlocals;
            if (n > 0) {
                emit(OP_POP, n, 0);
            }
            int32_t j = emit(OP_JMP);
            (isBreak ? l.breaks : l.continues).push_back(j);
            endOfStatement();
            return;
        }
        case TK_FUNCTION: functionStatement(); return;
        case TK_CLASS: classStatement(); return;
        case TK_ENUM: enumStatement(); return;
        case TK_CONST: constStatement(); return;
        case TK_TRY: tryStatement(); return;
        case TK_THROW:
            next();
            expression();
            emit(OP_THROW, 0, -1);
            endOfStatement();
            return;
        default:
            commaExpression();
            emitPopValue();
            endOfStatement();
            return;
        }
    }

    void condition() {
        expect('(');
        commaExpression();
        expect(')');
    }

    void ifStatement() {
        next();
        condition();
        int32_t jz = emitJumpIfFalse();
        statement();
        if (tok() == TK_ELSE) {
            next();
            int32_t jend = emit(OP_JMP);
            patchHere(jz);
            statement();
            patchHere(jend);
        } else {
            patchHere(jz);
        }
    }

    void beginLoop(bool isSwitch = false) { fs->loops.push_back({{}, {}, nlocals(), fs->ntraps, isSwitch}); }
    void endLoop(int32_t continueTarget, int32_t breakTarget) {
        Loop l = std::move(fs->loops.back());
        fs->loops.pop_back();
        for (int32_t j : l.continues) patchTo(j, continueTarget);
        for (int32_t j : l.breaks) patchTo(j, breakTarget);
    }

    void whileStatement() {
        next();
        int32_t start = pc();
        condition();
        int32_t jz = emitJumpIfFalse();
        beginLoop();
        statement();
        emitLoopBack(start, jz);
        patchHere(jz);
        endLoop(start, pc());
    }

    void doWhileStatement() {
        next();
        int32_t start = pc();
        beginLoop();
        statement();
        int32_t condPc = pc();
        expect(TK_WHILE);
        condition();
        emitJumpBack(OP_JNZ, start, -1);
        endLoop(condPc, pc());
    }

    void forStatement() {
        next();
        expect('(');
        int32_t keep = nlocals();
        if (tok() == TK_LOCAL) localDeclarations();
        else if (tok() != ';') {
            commaExpression();
            emit(OP_POP, 1, -1);
        }
        expect(';');
        int32_t condStart = pc();
        int32_t jz = -1;
        if (tok() != ';') {
            commaExpression();
            jz = emitJumpIfFalse();
        }
        expect(';');
        // the step is compiled now but placed after the body
        int32_t stepStart = pc();
        int32_t lastLineSave = fs->lastLine;
        size_t linesBefore = fs->proto->lines.size();
        if (tok() != ')') {
            commaExpression();
            emitPopValue();
        }
        expect(')');
        std::vector<SQInstruction> step(fs->proto->code.begin() + stepStart, fs->proto->code.end());
        fs->proto->code.resize(stepStart);
        fs->proto->lines.resize(linesBefore);
        fs->lastLine = lastLineSave;
        beginLoop();
        statement();
        int32_t continueTarget = pc();
        for (auto &ins : step) fs->proto->code.push_back(ins);
        emitLoopBack(condStart, jz);
        if (jz >= 0) patchHere(jz);
        endLoop(continueTarget, pc());
        closeScope(keep);
    }

    void foreachStatement() {
        next();
        expect('(');
        std::string first = expectIdentifier(), keyName, valName;
        if (accept(',')) {
            keyName = first;
            valName = expectIdentifier();
        } else valName = first;
        expect(TK_IN);
        int32_t keep = nlocals();
        expression();
        expect(')');
        int32_t containerSlot = declareLocal("@container");
        emit(OP_LOADNULL, 0, 1);
        declareLocal("@iterator");
        emit(OP_LOADNULL, 0, 1);
        declareLocal(keyName.empty() ? "@key" : keyName);
        emit(OP_LOADNULL, 0, 1);
        declareLocal(valName);
        int32_t loopStart = pc();
        int32_t jexit = emit(OP_FOREACH, 0, 0, 0, (uint16_t)containerSlot);
        int32_t jexit2 = emit(OP_FOREACHGEN, 0, 0, 0, (uint16_t)containerSlot);
        beginLoop();
        statement();
        emitJumpBack(OP_JMP, loopStart);
        patchHere(jexit);
        patchHere(jexit2);
        endLoop(loopStart, pc());
        closeScope(keep);
    }

    void switchStatement() {
        next();
        int32_t keep = nlocals();
        condition();
        int32_t subject = declareLocal("@switch");
        expect('{');
        beginLoop(true);
        int32_t pendingFalse = -1;  // jump taken when the previous case test failed
        int32_t pendingBody = -1;   // fallthrough jump from the previous body
        bool hadDefault = false;
        while (tok() == TK_CASE) {
            next();
            if (pendingFalse >= 0) patchHere(pendingFalse);
            emit(OP_GETLOCAL, subject, 1);
            expression();
            emit(OP_EQ, 0, -1);
            expect(':');
            pendingFalse = emit(OP_JZ, 0, -1);
            if (pendingBody >= 0) patchHere(pendingBody);
            int32_t scope = nlocals();
            while (tok() != TK_CASE && tok() != TK_DEFAULT && tok() != '}') statement();
            closeScope(scope);
            pendingBody = emit(OP_JMP);
        }
        if (pendingFalse >= 0) patchHere(pendingFalse);
        if (pendingBody >= 0) patchHere(pendingBody);
        if (tok() == TK_DEFAULT) {
            hadDefault = true;
            next();
            expect(':');
            int32_t scope = nlocals();
            while (tok() != '}') statement();
            closeScope(scope);
        }
        (void)hadDefault;
        expect('}');
        endLoop(pc(), pc());
        closeScope(keep);
    }

    void localDeclarations() {
        next();  // 'local'
        if (tok() == TK_FUNCTION) {
            next();
            std::string name = expectIdentifier();
            functionExp(name, false);
            declareLocal(name);
            return;
        }
        for (;;) {
            std::string name = expectIdentifier();
            if (accept('=')) expression();
            else emit(OP_LOADNULL, 0, 1);
            declareLocal(name);
            if (tok() != ',') break;
            next();
        }
    }

    void localStatement() {
        localDeclarations();
        endOfStatement();
    }

    // Pushes the object and key a declaration stores into: `name` is a slot
    // of `this`, `::name` of the root table, and each `sep` step indexes
    // further (`::` for functions, `.` for classes). Returns the last name.
    std::string declarationTarget(int sep, bool isClass) {
        ExpState e;
        std::string name;
        if (tok() == TK_DOUBLE_COLON) {
            next();
            emit(OP_LOADROOT, 0, 1);
            name = expectIdentifier();
            e.kind = EK_FIELD;
            e.keyLit = stringLiteral(name);
        } else {
            name = expectIdentifier();
            if (tok() != sep) {
                if (isClass && findLocal(fs, name) >= 0) error("invalid class name");
                emit(OP_GETLOCAL, 0, 1);
                emit(OP_LOADK, stringLiteral(name), 1);
                return name;
            }
            e = identifierExp(name);
        }
        while (tok() == sep) {
            next();
            discharge(e);
            name = expectIdentifier();
            e = ExpState();
            e.kind = EK_FIELD;
            e.keyLit = stringLiteral(name);
        }
        pushFieldKey(e);
        return name;
    }

    void functionStatement() {
        next();
        std::string name = declarationTarget(TK_DOUBLE_COLON, false);
        functionExp(name, false);
        emit(OP_NEWSLOT, 0, -2);
        emit(OP_POP, 1, -1);
    }

    void classStatement() {
        next();
        declarationTarget('.', true);
        classExp();
        emit(OP_NEWSLOT, 0, -2);
        emit(OP_POP, 1, -1);
    }

    SQObjectPtr constantValue() {
        bool neg = false;
        if (tok() == '-') {
            neg = true;
            next();
        }
        SQObjectPtr val;
        switch (tok()) {
        case TK_INTEGER: val = SQObjectPtr((SQInteger)(neg ? (SQInteger)(0u - (uint32_t)lex.ival) : lex.ival)); break;
        case TK_FLOAT: val = SQObjectPtr(neg ? -lex.fval : lex.fval); break;
        case TK_STRING_LITERAL:
            if (neg) error("scalar expected : integer, float or string");
            val = v->str(lex.str.data(), (SQInteger)lex.str.size());
            break;
        default: error("scalar expected : integer, float or string");
        }
        next();
        return val;
    }

    SQTable *constTable() {
        if (type(v->ss->consttable) != OT_TABLE) error("the const table is not a table");
        return _table(v->ss->consttable);
    }

    void constStatement() {
        next();
        std::string name = expectIdentifier();
        expect('=');
        SQObjectPtr val = constantValue();
        constTable()->set(v->str(name.data(), (SQInteger)name.size()), val);
        endOfStatement();
    }

    void enumStatement() {
        next();
        std::string name = expectIdentifier();
        SQObjectPtr table(OT_TABLE, new SQTable(v->ss, 0));
        expect('{');
        SQInteger counter = 0;
        while (tok() != '}') {
            std::string member = expectIdentifier();
            SQObjectPtr val;
            if (accept('=')) val = constantValue();
            else val = SQObjectPtr(counter++);
            _table(table)->set(v->str(member.data(), (SQInteger)member.size()), val);
            if (tok() == ',') next();
        }
        next();
        constTable()->set(v->str(name.data(), (SQInteger)name.size()), table);
        if (tok() == ';') next();
    }

    void tryStatement() {
        next();
        int32_t trap = emit(OP_PUSHTRAP);
        fs->ntraps++;
        statement();
        fs->ntraps--;
        emit(OP_POPTRAP, 1);
        int32_t jend = emit(OP_JMP);
        patchHere(trap);
        expect(TK_CATCH);
        expect('(');
        std::string name = expectIdentifier();
        expect(')');
        int32_t keep = nlocals();
        adjustStack(1);  // the VM pushes the thrown value
        declareLocal(name);
        statement();
        closeScope(keep);
        patchHere(jend);
    }

public:
    SQObjectPtr compileMain() {
        probe.start();
        FuncState main;
        SQFunctionProto *p = new SQFunctionProto();
        main.protoObj = SQObjectPtr(OT_FUNCPROTO, p);
        main.proto = p;
        p->source = source;
        p->name = v->str("main");
        p->varargs = true;
        p->paramNames.push_back(v->str("this"));
        fs = &main;
        declareLocal("this");
        adjustStack(1);
        declareLocal("vargv");
        adjustStack(1);
        next();
        while (tok() != TK_EOF) statement();
        emit(OP_RETURNNULL);
        for (auto &l : fs->locals) p->locals[l.infoIndex].endpc = pc();
        p->stacksize = fs->maxStack + 4;
        fs = nullptr;
        return main.protoObj;
    }
};

}  // namespace

bool sq_compile_source(SQVM *v, const char *src, SQInteger len, const char *sourcename, bool raiseerror,
                       SQObjectPtr &outClosure, bool reportToHandler) {
    Compiler c(v, src, len, sourcename ? sourcename : "unknown");
    try {
        SQObjectPtr proto = c.compileMain();
        outClosure = SQObjectPtr(OT_CLOSURE, new SQClosure(v->ss, _funcproto(proto)));
        return true;
    } catch (CompileError &e) {
        v->lasterror = v->str(e.msg.c_str());
        if (raiseerror && reportToHandler && v->ss->compilerErrorHandler)
            v->ss->compilerErrorHandler(v, e.msg.c_str(), sourcename ? sourcename : "unknown", e.line, e.column);
        return false;
    }
}
