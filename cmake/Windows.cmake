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
# Reproducible: the same source gives the same bytes in any folder at any time
# (no build folder in the objects, no link time in the PE header).
# GCC tries the last map first: the build folder becomes ".", the sources
# relative names under it.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)
# objcopy stamps the time of the copy into a PE header unless told a date.
set(HX_OBJCOPY ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})

set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${CMAKE_SOURCE_DIR}/resources -c 65001")

add_library(hxcore STATIC ${HX_CORE_SOURCES})
target_include_directories(hxcore PUBLIC ${CMAKE_SOURCE_DIR})

# The same logic as a debug or coverage build compiles it: GCC cleans the
# YMM upper halves after AVX2 code by itself only from -O2 up, and a test
# checks that the loops do it at -O0 too.
add_library(hxcore_O0 STATIC EXCLUDE_FROM_ALL ${HX_CORE_SOURCES})
target_include_directories(hxcore_O0 PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(hxcore_O0 PRIVATE -O0)

# The framework every filter stands on, in its layers: the registry, the
# filter bases and the settings file (plugin/); the dialog, its amounts and
# the preview pane (ui/); filters and dialogs made from a table (table/).
set(HX_FRAMEWORK_SOURCES
    plugin/Filter.cpp
    plugin/FilterRegistry.cpp
    plugin/FilterSettings.cpp
    plugin/PixelFilter.cpp
    plugin/RunRequest.cpp
    ui/AmountControl.cpp
    ui/FilterDialog.cpp
    ui/PreviewPane.cpp
    table/SettingsDialog.cpp
    table/TableFilter.cpp)

include(cmake/Resources.cmake)

# Everything of the released plug-in but its entry points and resources, so
# that tests can link the framework classes into executables of their own.
hx_filter_sources(HX_RELEASE_SOURCES SOURCES ${HX_RELEASE_FILTERS})
hx_filter_module(hxplugin INFO "${HX_RELEASE_INFO}" FILTERS ${HX_RELEASE_FILTERS})
add_library(hxplugin STATIC ${HX_FRAMEWORK_SOURCES} ${HX_RELEASE_SOURCES} ${HX_MODULE_LIST})
target_include_directories(hxplugin PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(hxplugin PUBLIC hxcore user32 gdi32 imm32 comctl32 kernel32)

# Modules that hosts load and unload are built with the win32 thread model
# (see cmake/win32-thread-model); the tests and the host keep the posix one.
function(hx_use_win32_thread_model target)
    set_target_properties(${target} PROPERTIES
        CXX_COMPILER_LAUNCHER ${CMAKE_SOURCE_DIR}/cmake/win32-thread-model
        RULE_LAUNCH_LINK ${CMAKE_SOURCE_DIR}/cmake/win32-thread-model)
endfunction()

# Every program embeds a manifest (resource RT_MANIFEST 1), one of two kinds:
#   hx_add_manifest(TARGET classic)  an older host: classic controls, system DPI awareness
#   hx_add_manifest(TARGET modern)   a modern host: common controls 6, per-monitor DPI awareness v2
# Both ask for no UAC virtualisation (asInvoker) and name Windows 7 to 11
# (host/classic.manifest, host/hxhost.manifest; docs/reliability.md says why).
function(hx_add_manifest target kind)
    if(kind STREQUAL "classic")
        set(rc ${CMAKE_SOURCE_DIR}/host/classic_manifest.rc)
        set(manifest ${CMAKE_SOURCE_DIR}/host/classic.manifest)
    elseif(kind STREQUAL "modern")
        set(rc ${CMAKE_SOURCE_DIR}/host/manifest.rc)
        set(manifest ${CMAKE_SOURCE_DIR}/host/hxhost.manifest)
    else()
        message(FATAL_ERROR "hx_add_manifest(${target} ${kind}): the kind is classic or modern")
    endif()
    target_sources(${target} PRIVATE ${rc})
    # windres finds the manifest beside the .rc but does not record it as an input.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
endfunction()

# Objects of the plug-in modules, compiled as a module's own sources are.
function(hx_module_objects target)
    add_library(${target} OBJECT ${ARGN})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources
                                                  ${HX_GENERATED_RESOURCES})
    target_compile_options(${target} PRIVATE -g)
    hx_use_win32_thread_model(${target})
endfunction()

# The entry points and the framework, compiled once for every module.
hx_module_objects(hxmodule_framework plugin/Exports.cpp ${HX_FRAMEWORK_CORE_SOURCES} ${HX_FRAMEWORK_SOURCES})

# A plug-in module, TARGET.dll, of the filters in the folders after FILTERS
# (relative to the project's top) in the hosts' index order, which names
# itself with INFO (the information text, one line) and DESCRIPTION (its
# version resource's); without them, the release's. Each filter is compiled
# once for the modules that take it as it is; a module with DEFINES (a
# fault-injection build, say) compiles its filters and its list itself.
# DIST: copied into dist/ with its debug information, as rgbcolor.dll is
# (the release zip takes rgbcolor.dll alone). Every module is recorded
# (HX_MODULES): the Wine tests depend on all, the test kit carries all; those
# without DEFINES also in HX_PLAIN_MODULES, whose every dialog a test opens.
#
#   hx_add_plugin(TARGET [DIST] [INFO text] [DESCRIPTION text] [FILTERS folders...] [DEFINES defines...])
function(hx_add_plugin target)
    cmake_parse_arguments(P "DIST" "INFO;DESCRIPTION" "FILTERS;DEFINES" ${ARGN})
    foreach(part FILTERS INFO DESCRIPTION)
        if(NOT P_${part})
            set(P_${part} ${HX_RELEASE_${part}})
        endif()
    endforeach()
    set(sources)
    foreach(folder ${P_FILTERS})
        hx_filter_sources(core CORE ${folder})
        hx_filter_sources(windows SOURCES ${folder})
        hx_filter_resources(resources ${folder})
        hx_load_filter(dir ${folder})
        get_property(name GLOBAL PROPERTY HX_FILTER_${dir}_NAME)
        if(P_DEFINES)
            list(APPEND sources ${core} ${windows} ${resources})
        else()
            if(NOT TARGET hxmodule_filter_${name})
                hx_module_objects(hxmodule_filter_${name} ${core} ${windows} ${resources})
            endif()
            list(APPEND sources $<TARGET_OBJECTS:hxmodule_filter_${name}>)
        endif()
    endforeach()
    hx_filter_module(${target} INFO "${P_INFO}" DESCRIPTION "${P_DESCRIPTION}" FILTERS ${P_FILTERS})
    add_library(${target} SHARED
        $<TARGET_OBJECTS:hxmodule_framework>
        ${sources}
        ${HX_MODULE_LIST}
        ${HX_MODULE_RC}
        ${HX_MODULE_DEF})
    target_compile_definitions(${target} PRIVATE ${P_DEFINES})
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources
                                                  ${HX_GENERATED_RESOURCES})
    target_link_libraries(${target} PRIVATE user32 gdi32 imm32 comctl32 kernel32)
    hx_use_win32_thread_model(${target})
    # The link map names the runtime parts linked in, whose notices ship with the DLL.
    target_link_options(${target} PRIVATE -Wl,-Map,$<TARGET_FILE:${target}>.map)
    add_dependencies(${target} hx_cursors)
    # Stripped as shipped (the tests load this same file); the debug
    # information goes beside it as NAME.debug, found through a debug link.
    target_compile_options(${target} PRIVATE -g)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${HX_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
        COMMAND ${HX_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
                $<TARGET_FILE:${target}>
        VERBATIM)
    if(P_DIST)
        add_custom_command(TARGET ${target} POST_BUILD
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_SOURCE_DIR}/dist
            COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
                    ${CMAKE_SOURCE_DIR}/dist/
            VERBATIM)
    endif()
    set_property(GLOBAL APPEND PROPERTY HX_MODULES ${target})
    if(NOT P_DEFINES)
        set_property(GLOBAL APPEND PROPERTY HX_PLAIN_MODULES ${target})
    endif()
endfunction()

hx_add_plugin(rgbcolor DIST)

# What a CPU or Windows without AVX2 runs, for the benchmark and the tests on a
# machine that has it: the same DLL with the AVX2 loop never chosen.
hx_add_plugin(rgbcolor_noavx2 DEFINES HX_WITHOUT_AVX2)

option(HX_BUILD_TESTS "Build the tests that run under Wine" ON)
if(HX_BUILD_TESTS)
    # Fault-injection builds: the filter allocation at load fails; Setup
    # throws (the width it is given chooses what).
    hx_add_plugin(rgbcolor_noalloc DEFINES HX_FAIL_FILTER_ALLOCATION)
    hx_add_plugin(rgbcolor_throw DEFINES HX_THROW_FROM_SETUP)
endif()

# Modules declared beside their filters, at any depth: each module.cmake
# calls hx_add_plugin; the tests' only in a build with the tests.
file(GLOB_RECURSE HX_MODULE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/filters/*/module.cmake)
if(HX_BUILD_TESTS)
    file(GLOB_RECURSE HX_TEST_MODULE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/filters/*/module.cmake)
    list(APPEND HX_MODULE_FILES ${HX_TEST_MODULE_FILES})
endif()
foreach(module_file ${HX_MODULE_FILES})
    include(${module_file})
endforeach()
# The modules' file names, one a line, for the test kit (scripts/kit-zip).
get_property(HX_MODULES GLOBAL PROPERTY HX_MODULES)
set(HX_MODULE_NAMES)
foreach(module ${HX_MODULES})
    string(APPEND HX_MODULE_NAMES "$<TARGET_FILE_NAME:${module}>\n")
endforeach()
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/modules.txt CONTENT "${HX_MODULE_NAMES}")

add_subdirectory(host)
add_subdirectory(bench/windows)

if(HX_BUILD_TESTS)
    enable_testing()
    add_subdirectory(tests/wine)
    add_subdirectory(tests/kit)
endif()
