#include "gameobj_host/gameobj_functions.h"

GameObjFunctions gameobj_functions = {};

const char* const GAMEOBJ_FUNCTION_NAMES[GAMEOBJ_FUNCTION_COUNT] = {
#define GAMEOBJ_FUNCTION_NAME(name, type) #name,
    GAMEOBJ_FUNCTIONS(GAMEOBJ_FUNCTION_NAME)
#undef GAMEOBJ_FUNCTION_NAME
};
