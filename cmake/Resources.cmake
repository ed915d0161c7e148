# Resources of the plug-in module. The cursors are kept as text art and turned
# into .cur files at build time.
set(HX_GENERATED_RESOURCES ${CMAKE_BINARY_DIR}/generated-resources)
file(MAKE_DIRECTORY ${HX_GENERATED_RESOURCES})
set(HX_PLUGIN_RC ${CMAKE_SOURCE_DIR}/resources/rgbcolor.rc)
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

# The resource compiler does not report the .cur files it reads; a .rc that
# names them (through resources/cursors/cursors.rc) sets this on itself.
set_source_files_properties(${HX_PLUGIN_RC} PROPERTIES OBJECT_DEPENDS "${HX_CURSOR_FILES}")
