# The 32-bit Windows build: the plug-in, the test host and the tests that run under Wine.
enable_language(RC)

if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE Release)
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

add_compile_options(
    -finput-charset=UTF-8 -fexec-charset=CP932
    -Wall -Wextra
    $<$<COMPILE_LANGUAGE:CXX>:-fno-strict-aliasing>)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)
# Only Windows system DLLs may be imported: the C++ runtime and pthreads go in statically.
add_link_options(-static -static-libgcc -static-libstdc++)

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -c 65001")

add_library(hxcore STATIC ${HX_CORE_SOURCES})
target_include_directories(hxcore PUBLIC ${CMAKE_SOURCE_DIR})
# i686 code may not assume SSE2: only the SSE2 scanline file gets it, and the
# filter calls that loop after asking the CPU.
set_source_files_properties(filters/rgbcolor/ChannelMathSse2.cpp PROPERTIES COMPILE_OPTIONS -msse2)

# The dialog and preview framework every filter dialog stands on.
set(HX_PLUGIN_UI_SOURCES
    ui/FilterDialog.cpp
    ui/PreviewPane.cpp)

# Everything of the plug-in but its entry points, so that tests can link the
# framework classes into executables of their own.
add_library(hxplugin STATIC
    plugin/Filter.cpp
    plugin/FilterRegistry.cpp
    filters/rgbcolor/RgbColorFilter.cpp
    filters/rgbcolor/RgbSettings.cpp
    ${HX_PLUGIN_UI_SOURCES}
)
target_include_directories(hxplugin PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(hxplugin PUBLIC hxcore user32 gdi32 kernel32)

include(cmake/Resources.cmake)

function(hx_add_plugin target)
    add_library(${target} SHARED
        plugin/Exports.cpp
        ${CMAKE_SOURCE_DIR}/plugin/rgbcolor.def
        ${HX_PLUGIN_RC})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
    target_link_libraries(${target} PRIVATE hxplugin)
    add_dependencies(${target} hx_cursors)
endfunction()

hx_add_plugin(rgbcolor)

# Copy the shipped plug-in into dist/.
add_custom_command(TARGET rgbcolor POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_SOURCE_DIR}/dist
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rgbcolor> ${CMAKE_SOURCE_DIR}/dist/rgbcolor.dll)

add_subdirectory(host)

option(HX_BUILD_TESTS "Build the tests that run under Wine" ON)
if(HX_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/wine)
endif()
