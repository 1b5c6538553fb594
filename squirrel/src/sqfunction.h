// Compiled functions, closures, native closures and generators.
#pragma once
#include "sqopcodes.h"
#include "sqobject.h"

#include <vector>

struct SQLineInfo {
    int32_t pc, line;
};
struct SQLocalVarInfo {
    SQObjectPtr name;
    int32_t slot, startpc, endpc;
};
struct SQOuterInfo {
    SQObjectPtr name;
    bool fromLocal;  // parent's local slot, else parent's free variable
    int32_t index;
};

struct SQFunctionProto : SQRefCounted {
    std::vector<SQInstruction> code;
    std::vector<SQObjectPtr> literals;
    std::vector<SQObjectPtr> functions;  // nested prototypes
    std::vector<SQLineInfo> lines;
    std::vector<SQLocalVarInfo> locals;
    std::vector<SQOuterInfo> outers;
    std::vector<SQObjectPtr> paramNames;  // starting with "this"
    SQObjectPtr name, source;
    int32_t nparams = 1;  // including `this`
    int32_t ndefaults = 0;
    int32_t stacksize = 0;
    bool varargs = false, generator = false;
    SQInteger lineAt(const SQInstruction *ip) const;
};

struct SQClosure : SQCollectable {
    SQObjectPtr proto;  // SQFunctionProto
    std::vector<SQObjectPtr> outers;
    std::vector<SQObjectPtr> defaults;
    SQObjectPtr env;   // weak reference from bindenv, or null
    SQObjectPtr base;  // class whose method this is, for `base`
    SQClosure(SQSharedState *ss, SQFunctionProto *p);
    SQFunctionProto *fp() const { return _funcproto(proto); }
    void mark(SQGCMarker &m) override;
    void clearRefs() override;
    SQClosure *clone();
};

struct SQNativeClosure : SQCollectable {
    SQFUNCTION f;
    std::vector<SQObjectPtr> outers;
    std::vector<SQInteger> typecheck;
    SQInteger nparamscheck = 0;
    SQObjectPtr name;
    SQObjectPtr env;
    SQNativeClosure(SQSharedState *ss, SQFUNCTION fn) : SQCollectable(ss), f(fn) {}
    void mark(SQGCMarker &m) override;
    void clearRefs() override;
    SQNativeClosure *clone();
};

struct SQExceptionTrap {
    int32_t ciIndex;     // frame owning the trap
    int32_t stackTop;    // operand stack height (relative to the frame base)
    const SQInstruction *handler;
};

struct SQGenerator : SQCollectable {
    enum State { SUSPENDED, RUNNING, DEAD } state = SUSPENDED;
    SQObjectPtr closure;
    std::vector<SQObjectPtr> frame;  // saved [this .. top) while suspended
    std::vector<SQExceptionTrap> traps;
    int32_t pc = 0;
    SQGenerator(SQSharedState *ss, const SQObjectPtr &c) : SQCollectable(ss), closure(c) {}
    void mark(SQGCMarker &m) override;
    void clearRefs() override;
    void kill();
};
