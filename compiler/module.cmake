# Builds the game-object module with its own rebuild script, so the build and
# a rebuild while the game runs compile it the same way.
#
# eh_add_gameobj_module(target output build_id [compiler flags...])

function(eh_add_gameobj_module target output build_id)
  set(source_dir ${CMAKE_SOURCE_DIR}/compiler)
  file(GLOB_RECURSE module_sources CONFIGURE_DEPENDS ${source_dir}/*.ls)
  set(header_globs)
  foreach(folder core app terrain script sound render gui effects debug gameobj_host squirrel/include)
    list(APPEND header_globs ${CMAKE_SOURCE_DIR}/${folder}/*.h)
  endforeach()
  file(GLOB engine_headers CONFIGURE_DEPENDS ${header_globs})
  string(REPLACE ";" " " flags "${ARGN}")
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E env "CXX=${CMAKE_CXX_COMPILER}" "GAMEOBJ_CXXFLAGS=${flags}" "GAMEOBJ_BUILD_ID=${build_id}"
            sh ${source_dir}/rebuild_dll.bat ${output}
    DEPENDS ${source_dir}/rebuild_dll.bat ${source_dir}/class_members.awk ${module_sources} ${engine_headers}
    COMMENT "Building game-object module ${output}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

# The game runs from EH_BIN_DIR and watches "../compiler/" from there: in the
# build tree that folder is a link to these sources, so editing them starts a
# rebuild in the running game.
if(NOT EXISTS ${CMAKE_BINARY_DIR}/compiler)
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/compiler ${CMAKE_BINARY_DIR}/compiler SYMBOLIC)
endif()

# The build's module is kept as "gameobj_shipped.dll": the game falls back to
# it when the module it starts with faults. "gameobj.dll" is a copy that the
# running game replaces with the modder's builds once they ran cleanly; it is
# only copied again when the sources changed.
eh_add_gameobj_module(gameobj_shipped_module ${EH_BIN_DIR}/gameobj_shipped.dll 1)
add_custom_command(OUTPUT ${EH_BIN_DIR}/gameobj.dll
  COMMAND ${CMAKE_COMMAND} -E copy ${EH_BIN_DIR}/gameobj_shipped.dll ${EH_BIN_DIR}/gameobj.dll
  DEPENDS ${EH_BIN_DIR}/gameobj_shipped.dll
  VERBATIM)
add_custom_target(gameobj_module ALL DEPENDS ${EH_BIN_DIR}/gameobj.dll)
add_dependencies(gameobj_module gameobj_shipped_module)
