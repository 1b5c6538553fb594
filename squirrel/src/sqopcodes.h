// Bytecode of the stack machine. Each function frame is laid out as
// [callee][this][params...][vargv?][locals...][operands...]; `slot` arguments
// count from `this`.
#pragma once
#include <cstdint>

// Every instruction once: X(name, dispatch, what it does). `dispatch` is
// DIRECT for the hot handlers the interpreter jumps to straight from the
// previous instruction, SWITCH for the rest. The enum, the names and the
// interpreter's jump table are all generated from this list.
#define SQ_OPCODES(X) \
    X(LOADNULL, DIRECT, "-> null") \
    X(LOADBOOL, DIRECT, "a: value") \
    X(LOADINT, DIRECT, "arg: value") \
    X(LOADFLOAT, DIRECT, "arg: bit pattern") \
    X(LOADK, DIRECT, "arg: literal index") \
    X(LOADROOT, SWITCH, "-> root table") \
    X(LOADBASE, SWITCH, "-> base class of the running method, or null") \
    X(GETLOCAL, DIRECT, "arg: slot (sees through boxes)") \
    X(SETLOCAL, DIRECT, "arg: slot; top stays") \
    X(GETOUTER, DIRECT, "arg: free variable index") \
    X(SETOUTER, DIRECT, "arg: free variable index; top stays") \
    X(POP, DIRECT, "arg: count") \
    X(DUP, DIRECT, "arg: depth below top (0 = top)") \
    X(GET, DIRECT, "obj key -> value") \
    X(GETK, DIRECT, "arg: literal key; obj -> value") \
    X(SET, DIRECT, "obj key value -> value; a: 1 = nothing is left") \
    X(NEWSLOT, SWITCH, "a: 1 = static; obj key value -> value") \
    X(DELETE, SWITCH, "obj key -> old value") \
    X(GETVAR, DIRECT, "arg: literal name; `this` then the root table") \
    X(SETVAR, SWITCH, "arg: literal name; value -> value") \
    X(PREPCALL, DIRECT, "obj key -> func obj") \
    X(PREPCALLK, DIRECT, "arg: literal key; obj -> func obj") \
    X(ADD, DIRECT, "x y -> x + y; a: 2 = y is the int16 in b") \
    X(SUB, DIRECT, "as ADD") \
    X(MUL, DIRECT, "as ADD") \
    X(DIV, SWITCH, "x y -> x / y") \
    X(MOD, SWITCH, "x y -> x % y") \
    X(NEG, SWITCH, "x -> -x") \
    X(NOT, SWITCH, "x -> !x") \
    X(BNOT, SWITCH, "x -> ~x") \
    X(BAND, DIRECT, "x y -> x & y; a: 2 = y is the int16 in b") \
    X(BOR, DIRECT, "x y -> x | y; a as BAND") \
    X(BXOR, DIRECT, "x y -> x ^ y; a as BAND") \
    X(SHL, DIRECT, "x y -> x << y; a as BAND") \
    X(SHR, DIRECT, "x y -> x >> y; a as BAND") \
    X(USHR, DIRECT, "x y -> x >>> y; a as BAND") \
    X(EQ, DIRECT, "x y -> bool; a: 1 = jump by arg when false instead, 2 = y is the int16 in b") \
    X(NE, DIRECT, "as EQ") \
    X(LT, DIRECT, "as EQ") \
    X(LE, DIRECT, "as EQ") \
    X(GT, DIRECT, "as EQ") \
    X(GE, DIRECT, "as EQ") \
    X(CMP3, SWITCH, "x y -> -1, 0 or 1") \
    X(JMP, DIRECT, "arg: relative offset from the next instruction") \
    X(JZ, DIRECT, "pops; jumps when false") \
    X(JNZ, DIRECT, "pops; jumps when true") \
    X(ANDJ, DIRECT, "jumps keeping the value when false, else pops") \
    X(ORJ, DIRECT, "jumps keeping the value when true, else pops") \
    X(CALL, DIRECT, "arg: argument count including `this`") \
    X(TAILCALL, SWITCH, "as CALL, in place of the caller's frame when it can") \
    X(RETURN, DIRECT, "value on top") \
    X(RETURNNULL, DIRECT, "returns null") \
    X(CLOSURE, SWITCH, "arg: nested function index; pops its default values") \
    X(NEWTABLE, SWITCH, "arg: capacity hint") \
    X(NEWARRAY, SWITCH, "arg: capacity hint") \
    X(APPEND, SWITCH, "arr value -> arr") \
    X(TABLESLOT, SWITCH, "table key value -> table") \
    X(NEWCLASS, SWITCH, "a: 1 = has base, 2 = has attributes") \
    X(CLASSMEMBER, SWITCH, "a: 1 = static, 2 = has attributes; cls key value [attrs] -> cls") \
    X(FOREACH, SWITCH, "b: slot of the container (iterator at b+1, key b+2, value b+3); arg: exit offset") \
    X(FOREACHGEN, SWITCH, "b: container slot; arg: exit offset (leaves when a generator died)") \
    X(PUSHTRAP, SWITCH, "arg: offset of the handler") \
    X(POPTRAP, SWITCH, "arg: count") \
    X(THROW, SWITCH, "value ->") \
    X(TYPEOF, SWITCH, "x -> type name") \
    X(INSTANCEOF, SWITCH, "x class -> bool") \
    X(IN, SWITCH, "key obj -> bool") \
    X(CLONE, SWITCH, "x -> copy") \
    X(RESUME, SWITCH, "generator -> value") \
    X(YIELD, SWITCH, "value ->") \
    X(INCLOCAL, DIRECT, "arg: slot; a: 1 = postfix, 2 = decrement") \
    X(INCOUTER, DIRECT, "arg: index; a as above") \
    X(INCFIELD, DIRECT, "obj key -> result; a as above") \
    X(INCVAR, DIRECT, "arg: literal name; a as above") \
    X(LINE, SWITCH, "debug hook line event; arg: line") \
    X(LOCALARITHI, DIRECT, "a: slot; b: int16 immediate; arg: OP_ADD/OP_SUB/OP_MUL -> local op immediate") \
    X(JCMPLI, DIRECT, "a: slot; b: int8 immediate | kind << 8 | flags (CMP_LOOP_BACK...); arg: offset, taken when the comparison is false") \
    X(JCMPLL, DIRECT, "a: slot; b: second slot | kind << 8; arg: offset, as above") \
    X(ARITHLL, DIRECT, "a: slot; b: second slot; arg: OP_ADD/OP_SUB/OP_MUL -> local op local") \
    X(ARITHLLSET, DIRECT, "as ARITHLL, the result stored in local arg >> 8") \
    X(LOCALARITHISET, DIRECT, "as LOCALARITHI, the result stored in local arg >> 8") \
    X(LOCALARITHF, DIRECT, "a: slot; b: OP_ADD/OP_SUB/OP_MUL; arg: float bit pattern -> local op float") \
    X(ARITHSET, DIRECT, "x y -> ; arg: OP_ADD/OP_SUB/OP_MUL | local << 8, which gets x op y") \
    X(GETLL, DIRECT, "a: slot of the object; b: slot of the key -> value") \
    X(FORLOOPLI, DIRECT, "as JCMPLI with CMP_LOOP_BACK | CMP_STEP: a loop's step and bottom test") \
    X(FORLOOPLL, DIRECT, "as JCMPLL with CMP_LOOP_BACK | CMP_STEP")

enum SQOpcode : uint8_t {
#define SQ_OPCODE_ENUM(name, dispatch, doc) OP_##name,
    SQ_OPCODES(SQ_OPCODE_ENUM)
#undef SQ_OPCODE_ENUM
    OP_COUNT
};

// Instruction names, for listings and debugging.
extern const char *const SQ_OPCODE_NAMES[OP_COUNT];

// Comparison kinds of the fused compare-and-jump instructions.
enum SQCmpKind : uint8_t { CMP_LT, CMP_LE, CMP_GT, CMP_GE, CMP_EQ, CMP_NE };
// Flags in b of the fused compare-and-jump instructions, above the kind (bits 8-10).
enum : uint16_t {
    CMP_LOOP_BACK = 0x8000,  // a loop's bottom test: jump (back) when the comparison holds
    CMP_STEP = 0x4000,       // first add 1 to the local in a (the loop's `i++`)
    CMP_STEP_DOWN = 0x2000,  // with CMP_STEP: subtract 1 instead
};

struct SQInstruction {
    SQOpcode op;
    uint8_t a;
    uint16_t b;
    int32_t arg;
};
