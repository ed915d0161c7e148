# Resources of the plug-in module. The cursors are kept as text art and turned
# into .cur files at build time.
set(HX_GENERATED_RESOURCES ${CMAKE_BINARY_DIR}/generated-resources)
file(MAKE_DIRECTORY ${HX_GENERATED_RESOURCES})
set(HX_PLUGIN_RC ${CMAKE_SOURCE_DIR}/resources/rgbcolor.rc)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${HX_GENERATED_RESOURCES}")
add_custom_target(hx_cursors)
