// Functions, closures and generators.
#include "sqfunction.h"
#include "sqvm.h"

SQInteger SQFunctionProto::lineAt(const SQInstruction *ip) const {
    int32_t pc = (int32_t)(ip - code.data());
    SQInteger line = lines.empty() ? 0 : lines[0].line;
    // lines are sorted by pc; take the last entry not after pc
    size_t lo = 0, hi = lines.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (lines[mid].pc <= pc) {
            line = lines[mid].line;
            lo = mid + 1;
        } else hi = mid;
    }
    return line;
}

SQClosure::SQClosure(SQSharedState *ss, SQFunctionProto *p) : SQCollectable(ss), proto(OT_FUNCPROTO, p) {}

void SQClosure::mark(SQGCMarker &m) {
    for (auto &o : outers) m.mark(o);
    for (auto &o : defaults) m.mark(o);
    m.mark(base);
}

void SQClosure::clearRefs() {
    std::vector<SQObjectPtr>().swap(outers);
    std::vector<SQObjectPtr>().swap(defaults);
    base.null();
    env.null();
}

SQClosure *SQClosure::clone() {
    SQClosure *c = new SQClosure(ss, fp());
    c->outers = outers;
    c->defaults = defaults;
    c->env = env;
    c->base = base;
    return c;
}

void SQNativeClosure::mark(SQGCMarker &m) {
    for (auto &o : outers) m.mark(o);
}

void SQNativeClosure::clearRefs() {
    std::vector<SQObjectPtr>().swap(outers);
    env.null();
}

SQNativeClosure *SQNativeClosure::clone() {
    SQNativeClosure *c = new SQNativeClosure(ss, f);
    c->outers = outers;
    c->typecheck = typecheck;
    c->nparamscheck = nparamscheck;
    c->name = name;
    c->env = env;
    return c;
}

void SQGenerator::mark(SQGCMarker &m) {
    m.mark(closure);
    for (auto &o : frame) m.mark(o);
}

void SQGenerator::clearRefs() {
    closure.null();
    std::vector<SQObjectPtr>().swap(frame);
    state = DEAD;
}

void SQGenerator::kill() {
    state = DEAD;
    std::vector<SQObjectPtr>().swap(frame);
    traps.clear();
}
