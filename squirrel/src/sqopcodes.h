// Bytecode of the stack machine. Each function frame is laid out as
// [callee][this][params...][vargv?][locals...][operands...]; `slot` arguments
// count from `this`.
#pragma once
#include <cstdint>

// Every instruction once: X(name, what it does). The enum, the names and the
// interpreter's jump table are all generated from this list.
#define SQ_OPCODES(X) \
    X(LOADNULL, "-> null") \
    X(LOADBOOL, "a: value") \
    X(LOADINT, "arg: value") \
    X(LOADFLOAT, "arg: bit pattern") \
    X(LOADK, "arg: literal index") \
    X(LOADROOT, "-> root table") \
    X(LOADBASE, "-> base class of the running method, or null") \
    X(GETLOCAL, "arg: slot (sees through boxes)") \
    X(SETLOCAL, "arg: slot; top stays") \
    X(GETOUTER, "arg: free variable index") \
    X(SETOUTER, "arg: free variable index; top stays") \
    X(POP, "arg: count") \
    X(DUP, "arg: depth below top (0 = top)") \
    X(GET, "obj key -> value") \
    X(GETK, "arg: literal key; obj -> value") \
    X(SET, "obj key value -> value; a: 1 = nothing is left") \
    X(NEWSLOT, "a: 1 = static; obj key value -> value") \
    X(DELETE, "obj key -> old value") \
    X(GETVAR, "arg: literal name; `this` then the root table") \
    X(SETVAR, "arg: literal name; value -> value") \
    X(PREPCALL, "obj key -> func obj") \
    X(PREPCALLK, "arg: literal key; obj -> func obj") \
    X(ADD, "x y -> x + y; a: 2 = y is the int16 in b") \
    X(SUB, "as ADD") \
    X(MUL, "as ADD") \
    X(DIV, "x y -> x / y") \
    X(MOD, "x y -> x % y") \
    X(NEG, "x -> -x") \
    X(NOT, "x -> !x") \
    X(BNOT, "x -> ~x") \
    X(BAND, "x y -> x & y; a: 2 = y is the int16 in b") \
    X(BOR, "x y -> x | y; a as BAND") \
    X(BXOR, "x y -> x ^ y; a as BAND") \
    X(SHL, "x y -> x << y; a as BAND") \
    X(SHR, "x y -> x >> y; a as BAND") \
    X(USHR, "x y -> x >>> y; a as BAND") \
    X(EQ, "x y -> bool; a: 1 = jump by arg when false instead, 2 = y is the int16 in b") \
    X(NE, "as EQ") \
    X(LT, "as EQ") \
    X(LE, "as EQ") \
    X(GT, "as EQ") \
    X(GE, "as EQ") \
    X(CMP3, "x y -> -1, 0 or 1") \
    X(JMP, "arg: relative offset from the next instruction") \
    X(JZ, "pops; jumps when false") \
    X(JNZ, "pops; jumps when true") \
    X(ANDJ, "jumps keeping the value when false, else pops") \
    X(ORJ, "jumps keeping the value when true, else pops") \
    X(CALL, "arg: argument count including `this`") \
    X(TAILCALL, "as CALL, in place of the caller's frame when it can") \
    X(RETURN, "value on top") \
    X(RETURNNULL, "returns null") \
    X(CLOSURE, "arg: nested function index; pops its default values") \
    X(NEWTABLE, "arg: capacity hint") \
    X(NEWARRAY, "arg: capacity hint") \
    X(APPEND, "arr value -> arr") \
    X(TABLESLOT, "table key value -> table") \
    X(NEWCLASS, "a: 1 = has base, 2 = has attributes") \
    X(CLASSMEMBER, "a: 1 = static, 2 = has attributes; cls key value [attrs] -> cls") \
    X(FOREACH, "b: slot of the container (iterator at b+1, key b+2, value b+3); arg: exit offset") \
    X(FOREACHGEN, "b: container slot; arg: exit offset (leaves when a generator died)") \
    X(PUSHTRAP, "arg: offset of the handler") \
    X(POPTRAP, "arg: count") \
    X(THROW, "value ->") \
    X(TYPEOF, "x -> type name") \
    X(INSTANCEOF, "x class -> bool") \
    X(IN, "key obj -> bool") \
    X(CLONE, "x -> copy") \
    X(RESUME, "generator -> value") \
    X(YIELD, "value ->") \
    X(INCLOCAL, "arg: slot; a: 1 = postfix, 2 = decrement") \
    X(INCOUTER, "arg: index; a as above") \
    X(INCFIELD, "obj key -> result; a as above") \
    X(INCVAR, "arg: literal name; a as above") \
    X(LINE, "debug hook line event; arg: line") \
    X(LOCALARITHI, "a: slot; b: int16 immediate; arg: OP_ADD/OP_SUB/OP_MUL -> local op immediate") \
    X(JCMPLI, "a: slot; b: int8 immediate | kind << 8 | flags (CMP_LOOP_BACK...); arg: offset, taken when the comparison is false") \
    X(JCMPLL, "a: slot; b: second slot | kind << 8; arg: offset, as above") \
    X(ARITHLL, "a: slot; b: second slot; arg: OP_ADD/OP_SUB/OP_MUL -> local op local") \
    X(ARITHLLSET, "as ARITHLL, the result stored in local arg >> 8") \
    X(LOCALARITHISET, "as LOCALARITHI, the result stored in local arg >> 8") \
    X(LOCALARITHF, "a: slot; b: OP_ADD/OP_SUB/OP_MUL; arg: float bit pattern -> local op float") \
    X(ARITHSET, "x y -> ; arg: OP_ADD/OP_SUB/OP_MUL | local << 8, which gets x op y") \
    X(GETLL, "a: slot of the object; b: slot of the key -> value") \
    X(FORLOOPLI, "as JCMPLI with CMP_LOOP_BACK | CMP_STEP: a loop's step and bottom test") \
    X(FORLOOPLL, "as JCMPLL with CMP_LOOP_BACK | CMP_STEP")

enum SQOpcode : uint8_t {
#define SQ_OPCODE_ENUM(name, doc) OP_##name,
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
