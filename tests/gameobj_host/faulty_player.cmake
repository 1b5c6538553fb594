# Makes the player of a copy of the module sources, and the count_gameobjs
# function scripts call, fault on demand (see test_module_fault.cpp):
# cmake -DPLAYER=<copy>/objects/player.ls -P this
file(READ ${PLAYER} text)
string(REPLACE "struct Player " "#include <cstdlib>
#include <stdexcept>
struct Player " text "${text}")
string(REPLACE "    Vec3 pos{" "#ifdef GAMEOBJ_TEST_GROWN
    char grown[65536] = {};
#endif
#ifdef GAMEOBJ_TEST_SHIFTED
    float shield = 0.f;
#endif
    Vec3 pos{" text "${text}")
string(REPLACE "        if (manaCheat) mana = maxMana;" "        if (const char* fault = getenv(\"GAMEOBJ_TEST_FAULT\")) {
            if (fault[0] == 'n') *static_cast<volatile int*>(nullptr) = 1;
            volatile int spin = 0;
            if (fault[0] == 'l') for (;;) spin = spin + 1;
            if (fault[0] == 'e') throw std::runtime_error(\"test fault\");
        }
        if (manaCheat) mana = maxMana;" text "${text}")
string(FIND "${text}" "GAMEOBJ_TEST_FAULT" found)
if(found EQUAL -1)
  message(FATAL_ERROR "player.ls no longer has the lines the test patches")
endif()
file(WRITE ${PLAYER} "${text}")

get_filename_component(sources ${PLAYER} DIRECTORY)
set(api ${sources}/../api/objects_api.ls)
file(READ ${api} text)
string(REPLACE "int count_gameobjs() {" "int count_gameobjs() {
    if (const char* fault = getenv(\"GAMEOBJ_TEST_FAULT\"); fault && fault[0] == 's')
        *static_cast<volatile int*>(nullptr) = 1;" text "${text}")
string(FIND "${text}" "GAMEOBJ_TEST_FAULT" found)
if(found EQUAL -1)
  message(FATAL_ERROR "objects_api.ls no longer has the lines the test patches")
endif()
file(WRITE ${api} "${text}")
