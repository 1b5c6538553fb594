// Bytecode of the stack machine. Each function frame is laid out as
// [callee][this][params...][vargv?][locals...][operands...]; `slot` arguments
// count from `this`.
#pragma once
#include <cstdint>

enum SQOpcode : uint8_t {
    OP_LOADNULL,     // -> null
    OP_LOADBOOL,     // a: value
    OP_LOADINT,      // arg: value
    OP_LOADFLOAT,    // arg: bit pattern
    OP_LOADK,        // arg: literal index
    OP_LOADROOT,     // -> root table
    OP_LOADBASE,     // -> base class of the running method, or null
    OP_GETLOCAL,     // arg: slot (sees through boxes)
    OP_SETLOCAL,     // arg: slot; top stays
    OP_GETOUTER,     // arg: free variable index
    OP_SETOUTER,     // arg: free variable index; top stays
    OP_POP,          // arg: count
    OP_DUP,          // arg: depth below top (0 = top)
    OP_GET,          // obj key -> value
    OP_GETK,         // arg: literal key; obj -> value
    OP_SET,          // obj key value -> value
    OP_NEWSLOT,      // a: 1 = static; obj key value -> value
    OP_DELETE,       // obj key -> old value
    OP_GETVAR,       // arg: literal name; `this` then the root table
    OP_SETVAR,       // arg: literal name; value -> value
    OP_PREPCALL,     // obj key -> func obj
    OP_PREPCALLK,    // arg: literal key; obj -> func obj
    OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_MOD,
    OP_NEG, OP_NOT, OP_BNOT,
    OP_BAND, OP_BOR, OP_BXOR, OP_SHL, OP_SHR, OP_USHR,
    OP_EQ, OP_NE, OP_LT, OP_LE, OP_GT, OP_GE, OP_CMP3,
    OP_JMP,          // arg: relative offset from the next instruction
    OP_JZ,           // pops; jumps when false
    OP_JNZ,          // pops; jumps when true
    OP_ANDJ,         // jumps keeping the value when false, else pops
    OP_ORJ,          // jumps keeping the value when true, else pops
    OP_CALL,         // arg: argument count including `this`
    OP_TAILCALL,
    OP_RETURN,       // value on top
    OP_RETURNNULL,
    OP_CLOSURE,      // arg: nested function index; pops its default values
    OP_NEWTABLE,     // arg: capacity hint
    OP_NEWARRAY,     // arg: capacity hint
    OP_APPEND,       // arr value -> arr
    OP_TABLESLOT,    // table key value -> table
    OP_NEWCLASS,     // a: 1 = has base, 2 = has attributes
    OP_CLASSMEMBER,  // a: 1 = static, 2 = has attributes; cls key value [attrs] -> cls
    OP_FOREACH,      // b: slot of the container (iterator at b+1, key b+2, value b+3); arg: exit offset
    OP_FOREACHGEN,   // b: container slot; arg: exit offset (leaves when a generator died)
    OP_PUSHTRAP,     // arg: offset of the handler
    OP_POPTRAP,      // arg: count
    OP_THROW,
    OP_TYPEOF, OP_INSTANCEOF, OP_IN, OP_CLONE,
    OP_RESUME,       // generator -> value
    OP_YIELD,        // value ->
    OP_INCLOCAL,     // arg: slot; a: 1 = postfix, 2 = decrement
    OP_INCOUTER,     // arg: index; a as above
    OP_INCFIELD,     // obj key -> result; a as above
    OP_INCVAR,       // arg: literal name; a as above
    OP_LINE,         // debug hook line event; arg: line
    OP_LOCALARITHI,  // a: slot; b: int16 immediate; arg: OP_ADD/OP_SUB/OP_MUL -> local op immediate
    OP_JCMPLI,       // a: slot; b: int8 immediate | kind << 8; arg: offset, taken when the comparison is false
    OP_JCMPLL,       // a: slot; b: second slot | kind << 8; arg: offset, as above
    OP_COUNT
};

// Comparison kinds of the fused compare-and-jump instructions.
enum SQCmpKind : uint8_t { CMP_LT, CMP_LE, CMP_GT, CMP_GE, CMP_EQ, CMP_NE };

struct SQInstruction {
    SQOpcode op;
    uint8_t a;
    uint16_t b;
    int32_t arg;
};
