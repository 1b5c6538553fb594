#include "gameobj_host/module_call_guard.h"
#include <cxxabi.h>
#include <execinfo.h>
#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <typeinfo>
#include "core/debug.h"
#include "gameobj_host/code_place.h"
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

// The signals a fault in module code raises, and the tick of the processor
// time limit.
const int FAULT_SIGNALS[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int FAULT_SIGNAL_COUNT = int(sizeof(FAULT_SIGNALS) / sizeof(FAULT_SIGNALS[0]));
constexpr int TIME_LIMIT_SIGNAL = SIGVTALRM;
// The limit is checked this many times per limit.
constexpr int TIME_LIMIT_TICKS = 5;
constexpr int MAX_FRAMES = 32;

enum FaultKind { NO_FAULT, FAULT_SIGNAL, FAULT_HANG };

// Filled by the signal handler, read after the jump.
struct SignalRecord {
    FaultKind kind;
    int signal;
    const void* address;  // the faulting data address (SIGSEGV, SIGBUS)
    const void* pc;
    const char* sp;  // the stack pointer at the fault
    void* frames[MAX_FRAMES];
    int frameCount;
};

bool installed = false;
// Module code runs on the main thread only; a fault on another thread is
// not the module's.
pthread_t main_thread;
ModuleCall* innermost = nullptr;
volatile sig_atomic_t fault_pending = 0;
SignalRecord signal_record;
struct sigaction previous_actions[FAULT_SIGNAL_COUNT];
TempString<1024> fault_message;
// Read by the signal handlers: plain words, written only between calls.
struct CodeRange {
    const char* begin;
    const char* end;
};
constexpr int MAX_CODE_RANGES = 8;
CodeRange code_ranges[MAX_CODE_RANGES];
ModuleFaultHook fault_hook = nullptr;

// The processor-time limit: a periodic timer on the main thread's processor
// clock. A call still running after TIME_LIMIT_TICKS ticks is hung. Each
// outermost call gets a new serial, so no clock is read per call.
timer_t time_limit_timer;
bool have_timer = false;
int time_limit_msec = 5000;
volatile sig_atomic_t outer_serial = 0;
sig_atomic_t ticked_serial = -1;
int ticks_in_call = 0;

const void* pc_of(void* context);
const char* sp_of(void* context);

void jump_out(FaultKind kind, int sig, const void* address, void* context) {
    signal_record.kind = kind;
    signal_record.signal = sig;
    signal_record.address = address;
    signal_record.pc = pc_of(context);
    signal_record.sp = sp_of(context);
    signal_record.frameCount = backtrace(signal_record.frames, MAX_FRAMES);
    fault_pending = 1;
    siglongjmp(innermost->resume, 1);
}

const void* pc_of(void* context) {
#if defined(__x86_64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const void*>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#else
    (void)context;
    return nullptr;
#endif
}

const char* sp_of(void* context) {
#if defined(__x86_64__)
    return reinterpret_cast<const char*>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RSP]);
#elif defined(__aarch64__)
    return reinterpret_cast<const char*>(static_cast<ucontext_t*>(context)->uc_mcontext.sp);
#else
    (void)context;
    return nullptr;
#endif
}

void on_fault_signal(int sig, siginfo_t* info, void* context) {
    if (innermost && pthread_equal(pthread_self(), main_thread)) jump_out(FAULT_SIGNAL, sig, info->si_addr, context);
    // Not module code: the fault is the engine's own, handled as before.
    for (int i = 0; i < FAULT_SIGNAL_COUNT; i++) {
        if (FAULT_SIGNALS[i] != sig) continue;
        sigaction(sig, &previous_actions[i], nullptr);
        if (sig == SIGABRT) raise(sig);  // abort raises again itself, but a kill does not
        return;                          // the faulting instruction runs again
    }
}

void on_time_limit_tick(int, siginfo_t*, void* context) {
    if (!innermost || !is_module_code_address(pc_of(context))) return;
    if (outer_serial != ticked_serial) {
        ticked_serial = outer_serial;
        ticks_in_call = 0;
    }
    // Code of a module that already faulted gets no second limit.
    if (++ticks_in_call >= TIME_LIMIT_TICKS || fault_pending) jump_out(FAULT_HANG, 0, nullptr, context);
}

void arm_time_limit() {
    if (!have_timer) return;
    long tick = long(time_limit_msec) * 1000000L / TIME_LIMIT_TICKS;
    struct itimerspec period = {};
    period.it_interval.tv_sec = tick / 1000000000L;
    period.it_interval.tv_nsec = tick % 1000000000L;
    period.it_value = period.it_interval;
    timer_settime(time_limit_timer, 0, &period, nullptr);
}

void install_time_limit() {
    struct sigaction action = {};
    action.sa_sigaction = &on_time_limit_tick;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(TIME_LIMIT_SIGNAL, &action, nullptr);
    struct sigevent event = {};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = TIME_LIMIT_SIGNAL;
    event._sigev_un._tid = pid_t(syscall(SYS_gettid));
    have_timer = timer_create(CLOCK_THREAD_CPUTIME_ID, &event, &time_limit_timer) == 0;
    if (!have_timer) debug("module calls run without a time limit: no thread processor-time timer");
    arm_time_limit();
}

// After a jump out of a signal handler the signal is still blocked.
void unblock_fault_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : FAULT_SIGNALS) sigaddset(&set, sig);
    sigaddset(&set, TIME_LIMIT_SIGNAL);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

const char* signal_name(int sig) {
    switch (sig) {
    case SIGSEGV: return "segmentation fault";
    case SIGBUS: return "bus error";
    case SIGFPE: return "arithmetic fault";
    case SIGILL: return "illegal instruction";
    case SIGABRT: return "abort";
    default: return "signal";
    }
}

// The innermost frame of module code: the faulting instruction itself when
// it is the module's, else the nearest caller in the module (an abort or a
// fault inside an engine or library function the module called).
const void* module_frame(bool* isReturnAddress) {
    *isReturnAddress = false;
    if (is_module_code_address(signal_record.pc)) return signal_record.pc;
    for (int i = 0; i < signal_record.frameCount; i++) {
        if (!is_module_code_address(signal_record.frames[i])) continue;
        *isReturnAddress = true;
        return signal_record.frames[i];
    }
    return signal_record.pc;
}

// The first fault is the one to report: later ones are code of the same
// module unwinding.
bool fault_described = false;

void record_fault(ModuleCall& call, const char* what) {
    innermost = call.outer;
    fault_pending = 1;
    if (fault_described) return;
    fault_described = true;
    fault_message.format("gameobj fault in %s: %s", call.what, what);
    debug("%s", fault_message.c_str());
    if (fault_hook) fault_hook();
}

}  // namespace

void install_module_call_guard() {
    if (installed) return;
    installed = true;
    main_thread = pthread_self();
    // A fault may come from a stack overflow: the handler needs a stack of
    // its own.
    static char alternate_stack[64 * 1024];
    stack_t stack = {};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof(alternate_stack);
    sigaltstack(&stack, nullptr);
    // The first backtrace loads the unwinder, which a signal handler must
    // not have to do.
    void* warm[2];
    backtrace(warm, 2);
    for (int i = 0; i < FAULT_SIGNAL_COUNT; i++) {
        struct sigaction action = {};
        action.sa_sigaction = &on_fault_signal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(FAULT_SIGNALS[i], &action, &previous_actions[i]);
    }
    install_time_limit();
}

bool begin_module_call(ModuleCall& call, const char* what) {
    if (fault_pending) return false;
    call.what = what;
    call.outer = innermost;
    if (!innermost) outer_serial = outer_serial + 1;
    innermost = &call;
    return true;
}

void end_module_call(ModuleCall& call) { innermost = call.outer; }

void module_call_interrupted(ModuleCall& call) {
    unblock_fault_signals();
#if defined(__SANITIZE_ADDRESS__)
    // The jump left from the signal stack, so the sanitizer did not see the
    // frames it skipped on this one: they would stay poisoned. (The red zone
    // below the stack pointer may hold data too.)
    const char* skippedFrom = signal_record.sp ? signal_record.sp - 256 : nullptr;
    const char* skippedTo = reinterpret_cast<const char*>(&call);
    if (skippedFrom && skippedFrom < skippedTo) ASAN_UNPOISON_MEMORY_REGION(skippedFrom, size_t(skippedTo - skippedFrom));
#endif
    TempString<512> what;
    if (signal_record.kind == FAULT_HANG) {
        CodePlace place = describe_code_place(signal_record.pc, false);
        what.format("no return after %.1f s of processor time, running %s", time_limit_msec / 1000.0,
                    place.c_str());
    } else {
        bool returnAddress;
        const void* at = module_frame(&returnAddress);
        CodePlace place = describe_code_place(at, returnAddress);
        if (signal_record.signal == SIGSEGV || signal_record.signal == SIGBUS)
            what.format("%s at address %p in %s", signal_name(signal_record.signal), signal_record.address,
                        place.c_str());
        else
            what.format("%s in %s", signal_name(signal_record.signal), place.c_str());
    }
    record_fault(call, what);
}

void module_call_threw(ModuleCall& call) {
    TempString<512> what;
    const std::type_info* type = abi::__cxa_current_exception_type();
    char* name = type ? abi::__cxa_demangle(type->name(), nullptr, nullptr, nullptr) : nullptr;
    try {
        throw;
    } catch (const std::exception& e) {
        what.format("exception %s escaped: %s", name ? name : "std::exception", e.what());
    } catch (...) {
        what.format("exception %s escaped", name ? name : "of unknown type");
    }
    free(name);
    record_fault(call, what);
}

bool module_fault_pending() { return fault_pending != 0; }

const char* module_fault_message() { return fault_message.c_str(); }

void clear_module_fault() {
    fault_pending = 0;
    fault_described = false;
    ticked_serial = -1;
}

void set_module_call_time_limit(int msec) {
    time_limit_msec = msec > 0 ? msec : 1;
    arm_time_limit();
}

void add_module_code_range(const void* begin, const void* end) {
    if (!begin || is_module_code_address(begin)) return;  // the same image opened again
    for (CodeRange& range : code_ranges) {
        if (range.begin) continue;
        range.end = static_cast<const char*>(end);
        range.begin = static_cast<const char*>(begin);
        return;
    }
    debug("more module images than the guard tells apart");
}

void remove_module_code_range(const void* begin) {
    if (!begin) return;
    for (CodeRange& range : code_ranges)
        if (range.begin == begin) range = CodeRange{};
}

bool is_module_code_address(const void* address) {
    const char* at = static_cast<const char*>(address);
    for (const CodeRange& range : code_ranges)
        if (range.begin && at >= range.begin && at < range.end) return true;
    return false;
}

void set_module_fault_hook(ModuleFaultHook hook) { fault_hook = hook; }
