# Resources of the plug-in module. The cursors are kept as text art and turned
# into .cur files at build time.
set(HX_GENERATED_RESOURCES ${CMAKE_BINARY_DIR}/generated-resources)
file(MAKE_DIRECTORY ${HX_GENERATED_RESOURCES})
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${HX_GENERATED_RESOURCES}")
configure_file(${CMAKE_SOURCE_DIR}/resources/version.h.in ${HX_GENERATED_RESOURCES}/version.h @ONLY)

find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(HX_CURSOR_FILES)
foreach(cursor hand_open hand_closed)
    set(art ${CMAKE_SOURCE_DIR}/resources/cursors/${cursor}.txt)
    set(cur ${HX_GENERATED_RESOURCES}/${cursor}.cur)
    add_custom_command(OUTPUT ${cur}
        COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/scripts/cursor-from-art.py ${art} ${cur}
        DEPENDS ${art} ${CMAKE_SOURCE_DIR}/scripts/cursor-from-art.py
        COMMENT "Cursor ${cursor}.cur from its text art"
        VERBATIM)
    list(APPEND HX_CURSOR_FILES ${cur})
endforeach()
add_custom_target(hx_cursors DEPENDS ${HX_CURSOR_FILES})

# The resource compiler reports no file it reads: a module's script names
# these (and its filters' .rc and ids) as its dependencies (cmake/Filters.cmake).
file(GLOB HX_FRAMEWORK_RESOURCE_INPUTS ${CMAKE_SOURCE_DIR}/resources/*.rc ${CMAKE_SOURCE_DIR}/resources/*.h)
list(APPEND HX_FRAMEWORK_RESOURCE_INPUTS ${CMAKE_SOURCE_DIR}/resources/cursors/cursors.rc
     ${HX_GENERATED_RESOURCES}/version.h ${HX_CURSOR_FILES})
