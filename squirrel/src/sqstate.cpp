// Shared state: metamethod names and teardown.
#include "sqstate.h"
#include "sqvm.h"

static const char *const MM_NAMES[MT_LAST] = {
    "_add", "_sub", "_mul", "_div", "_modulo", "_unm", "_typeof", "_get", "_set",
    "_tostring", "_newslot", "_delslot", "_newmember", "_inherited", "_cmp", "_call",
    "_cloned", "_nexti"};

const char *sq_metamethodname(int mm) { return MM_NAMES[mm]; }

SQSharedState::SQSharedState() {
    for (int i = 0; i < MT_LAST; i++) mmNames[i] = str(MM_NAMES[i]);
    constructorName = str("constructor");
    outOfMemory = str("out of memory");
    consttable = SQObjectPtr(OT_TABLE, new SQTable(this, 0));
    registry = SQObjectPtr(OT_TABLE, new SQTable(this, 0));
    refs = SQObjectPtr(OT_TABLE, new SQTable(this, 0));
}

SQSharedState::~SQSharedState() {
    consttable.null();
    registry.null();
    refs.null();
    SQObjectPtr *delegates[] = {&tableDelegate, &arrayDelegate, &stringDelegate, &numberDelegate,
                                &closureDelegate, &generatorDelegate, &threadDelegate, &classDelegate,
                                &instanceDelegate, &weakrefDelegate};
    for (auto *d : delegates) d->null();
    // Whatever is left is garbage now: break every remaining cycle.
    std::vector<SQCollectable *> all;
    for (SQCollectable *c = gcHead; c; c = c->gcNext) {
        c->refs++;
        all.push_back(c);
    }
    for (SQCollectable *c : all) c->clearRefs();
    for (SQCollectable *c : all) sq_release_raw(c);
    for (auto &n : mmNames) n.null();
    constructorName.null();
}
