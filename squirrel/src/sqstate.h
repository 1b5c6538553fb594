// State shared by a VM and its threads: strings, const table, registry,
// default delegates, the collectable-object list and host callbacks.
#pragma once
#include "sqclass.h"
#include "sqstring.h"

#include <vector>

struct SQSharedState {
    SQStringTable strings;
    SQCollectable *gcHead = nullptr;  // every live collectable
    SQObjectPtr consttable, registry;
    SQObjectPtr refs;  // host references: object -> count
    SQObjectPtr tableDelegate, arrayDelegate, stringDelegate, numberDelegate, closureDelegate,
        generatorDelegate, threadDelegate, classDelegate, instanceDelegate, weakrefDelegate;
    SQObjectPtr mmNames[MT_LAST];
    SQObjectPtr constructorName;
    SQCOMPILERERROR compilerErrorHandler = nullptr;
    SQPRINTFUNCTION printfn = nullptr, errorfn = nullptr;
    bool debugInfo = false;
    bool notifyAllExceptions = false;
    std::vector<char> scratch;
    SQVM *mainVM = nullptr;

    SQSharedState();
    ~SQSharedState();
    SQObjectPtr str(const char *s, SQInteger len = -1) { return sq_str(SQString::create(this, s, len)); }
};

const char *sq_metamethodname(int mm);
