# Builds the game-object module with its own rebuild script, so the build and
# a rebuild while the game runs compile it the same way.
#
# eh_add_gameobj_module(target output [compiler flags...])

set(EH_GAMEOBJ_SOURCE_DIR ${CMAKE_SOURCE_DIR}/compiler)
file(GLOB_RECURSE EH_GAMEOBJ_MODULE_SOURCES CONFIGURE_DEPENDS ${EH_GAMEOBJ_SOURCE_DIR}/*.ls)
set(EH_GAMEOBJ_HEADER_GLOBS)
foreach(folder core app terrain script sound render gui effects debug gameobj_host squirrel/include)
  list(APPEND EH_GAMEOBJ_HEADER_GLOBS ${CMAKE_SOURCE_DIR}/${folder}/*.h)
endforeach()
file(GLOB EH_GAMEOBJ_ENGINE_HEADERS CONFIGURE_DEPENDS ${EH_GAMEOBJ_HEADER_GLOBS})

function(eh_add_gameobj_module target output)
  string(REPLACE ";" " " flags "${ARGN}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E env "CXX=${CMAKE_CXX_COMPILER}" "GAMEOBJ_CXXFLAGS=${flags}"
            sh ${EH_GAMEOBJ_SOURCE_DIR}/rebuild_dll.bat ${output}
    DEPENDS ${EH_GAMEOBJ_SOURCE_DIR}/rebuild_dll.bat ${EH_GAMEOBJ_MODULE_SOURCES} ${EH_GAMEOBJ_ENGINE_HEADERS}
    COMMENT "Building game-object module ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# The game runs from EH_BIN_DIR and watches "../compiler/" from there: in the
# build tree that folder is a link to these sources, so editing them starts a
# rebuild in the running game.
if(NOT EXISTS ${CMAKE_BINARY_DIR}/compiler)
  file(CREATE_LINK ${EH_GAMEOBJ_SOURCE_DIR} ${CMAKE_BINARY_DIR}/compiler SYMBOLIC)
endif()

eh_add_gameobj_module(gameobj_module ${EH_BIN_DIR}/gameobj.dll)
