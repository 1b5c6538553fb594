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
    SQObjectPtr outOfMemory;  // made up front: raising it must not allocate
    // Watchdog of calls from the host: a call (with everything it runs,
    // threads included) may use this many seconds of its thread's processor
    // time; 0 = no limit. Checked every few thousand backward jumps and calls.
    double callTimeLimit = 0;
    int32_t hostCalls = 0;  // entries into the machine now running, across its threads
    double callStart = 0;   // processor time when the outermost one began
    bool timedOut = false;  // the running call ran too long: no script `catch` stops it

    SQSharedState();
    ~SQSharedState();
    SQObjectPtr str(const char *s, SQInteger len = -1) { return sq_str(SQString::create(this, s, len)); }
};

const char *sq_metamethodname(int mm);
