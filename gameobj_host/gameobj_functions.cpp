#include "gameobj_host/gameobj_functions.h"
#include <cstring>
#include <type_traits>
#include "gameobj_host/module_call_guard.h"

GameObjFunctions gameobj_functions = {};

const char* const GAMEOBJ_FUNCTION_NAMES[GAMEOBJ_FUNCTION_COUNT] = {
#define GAMEOBJ_FUNCTION_NAME(name, type) #name,
    GAMEOBJ_FUNCTIONS(GAMEOBJ_FUNCTION_NAME)
#undef GAMEOBJ_FUNCTION_NAME
};

namespace {

enum GameObjFunctionIndex {
#define GAMEOBJ_FUNCTION_INDEX(name, type) INDEX_##name,
    GAMEOBJ_FUNCTIONS(GAMEOBJ_FUNCTION_INDEX)
#undef GAMEOBJ_FUNCTION_INDEX
};

// The bound module's own functions, in binding order.
void* module_entries[GAMEOBJ_FUNCTION_COUNT];

template <int Index, class Type>
struct GuardedEntry;

template <int Index, class Result, class... Args>
struct GuardedEntry<Index, Result(Args...)> {
    static Result call(Args... args) {
        auto entry = reinterpret_cast<Result (*)(Args...)>(module_entries[Index]);
        if constexpr (std::is_void_v<Result>) {
            run_module_code(GAMEOBJ_FUNCTION_NAMES[Index], [&] { entry(args...); });
        } else {
            Result result{};
            bool ran = run_module_code(GAMEOBJ_FUNCTION_NAMES[Index], [&] { result = entry(args...); });
            return ran ? result : Result{};
        }
    }
};

}  // namespace

void set_gameobj_function_entries(void* const* entries) {
    if (!entries) {
        memset(&gameobj_functions, 0, sizeof(gameobj_functions));
        memset(module_entries, 0, sizeof(module_entries));
        return;
    }
    memcpy(module_entries, entries, sizeof(module_entries));
#define GAMEOBJ_BIND_GUARDED(name, type) gameobj_functions.name = &GuardedEntry<INDEX_##name, type>::call;
    GAMEOBJ_FUNCTIONS(GAMEOBJ_BIND_GUARDED)
#undef GAMEOBJ_BIND_GUARDED
}
