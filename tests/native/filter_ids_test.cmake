# The build's check of filter ids (cmake/Filters.cmake): a module of the RGB
# Color filter and a planted one is configured for each case, and must fail
# with the case's message, or succeed where the message is empty. A case:
# "id|name|message[|line[|filters]]", the planted filter's id, and a second
# one ("NAME number") and the module's filters where given.
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -DGENERATOR=<generator> [-DMAKE=<its program>] -P filter_ids_test.cmake
# The planted project is configured with the generator of the build that
# runs the test: a fresh machine may have no other.
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../expect_refusal.cmake)
set(cases
    "1054|IDC_PLANTED|id 1054 is IDC_RED_EDIT of filter rgbcolor and IDC_PLANTED of filter planted"
    "119|IDC_PLANTED|id 119 is IDD_RGBCOLOR of filter rgbcolor"  # another filter's first id
    "107|IDC_PLANTED|id 107 is IDC_HAND_OPEN of the framework and IDC_PLANTED of filter planted"  # its first
    "(2000 + 1)|IDC_PLANTED|is not \"#define NAME number\""
    "2001|IDC_PLANTED|"                           # a number of its own: accepted
    "2001|IDC_PREVIEW_CHECK|IDC_PREVIEW_CHECK of filter planted is defined by the framework too"
    "2001|IDC_HAND_OPEN|IDC_HAND_OPEN of filter planted is defined by the framework too"  # the framework's first
    "2001|IDC_RESET|IDC_RESET of filter planted is defined by filter rgbcolor too"
    # Numbers as C reads them; two names of one number, or one name twice, in one header.
    "02036|IDC_PLANTED|id 1054 is IDC_RED_EDIT of filter rgbcolor and IDC_PLANTED of filter planted"
    "0x41E|IDC_PLANTED|id 1054 is IDC_RED_EDIT of filter rgbcolor and IDC_PLANTED of filter planted"
    "0100|IDC_PLANTED|id 64 is IDC_PLANTED of filter planted and IDC_SIXTY_FOUR of filter planted|IDC_SIXTY_FOUR 64"
    "2001|IDC_PLANTED|IDC_PLANTED of filter planted is defined by filter planted too|IDC_PLANTED 2002"
    "08|IDC_PLANTED|08 is no number in C"
    "2001|IDC_PLANTED|m: filter planted is listed twice||planted ${SOURCE}/filters/rgbcolor planted")
set(make)
if(MAKE)
    set(make -DCMAKE_MAKE_PROGRAM=${MAKE})
endif()
foreach(case ${cases})
    string(REPLACE "|" ";" case "${case}")
    list(POP_FRONT case id name expected line filters)
    set(ids "#define ${name} ${id}\n")
    if(line)
        string(APPEND ids "#define ${line}\n")
    endif()
    if(NOT filters)
        set(filters ${SOURCE}/filters/rgbcolor planted)
    endif()
    file(REMOVE_RECURSE ${WORK})
    file(WRITE ${WORK}/planted/filter.cmake "hx_filter(planted CLASS P HEADER P.h IDS Ids.h)\n")
    file(WRITE ${WORK}/planted/Ids.h "#pragma once\n${ids}")
    file(WRITE ${WORK}/CMakeLists.txt "cmake_minimum_required(VERSION 3.20)\nproject(planted NONE)\n"
         "include(${SOURCE}/cmake/Filters.cmake)\nhx_filter_module(m INFO i FILTERS ${filters})\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK} -B ${WORK}/build -G ${GENERATOR} ${make} RESULT_VARIABLE result
                    OUTPUT_QUIET ERROR_VARIABLE error)
    hx_expect_refusal("${name} ${id}" "${expected}" "${result}" "${error}")
endforeach()

# A filter folder at any depth: the project's own CMakeLists.txt, over a copy
# of what its native build reads, puts its CORE sources into hxcore (read
# back through CMake's file API); a second folder of the same filter name is
# refused, as its objects would be the first's.
file(REMOVE_RECURSE ${WORK})
file(COPY ${SOURCE}/CMakeLists.txt ${SOURCE}/cmake ${SOURCE}/plugin ${SOURCE}/ui DESTINATION ${WORK})
file(COPY ${SOURCE}/tests/native DESTINATION ${WORK}/tests)
file(WRITE ${WORK}/filters/acme/blur/filter.cmake "hx_filter(blur CLASS B HEADER B.h CORE BlurMath.cpp)\n")
file(WRITE ${WORK}/filters/acme/blur/BlurMath.cpp "")
file(WRITE ${WORK}/build/.cmake/api/v1/query/codemodel-v2 "")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK} -B ${WORK}/build -G ${GENERATOR} ${make} RESULT_VARIABLE result
                OUTPUT_QUIET ERROR_VARIABLE error)
set(core "")
if(result EQUAL 0)
    file(GLOB reply ${WORK}/build/.cmake/api/v1/reply/target-hxcore-*.json)
    file(READ ${reply} core)
endif()
if(NOT result EQUAL 0 OR NOT core MATCHES "filters/acme/blur/BlurMath.cpp")
    message(SEND_ERROR "filters/acme/blur's CORE source is not in the native hxcore: ${error}")
endif()
file(WRITE ${WORK}/tests/filters/blur/filter.cmake "hx_filter(blur CLASS B HEADER B.h)\n")
execute_process(COMMAND ${CMAKE_COMMAND} ${WORK}/build RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
string(REGEX REPLACE "[ \n]+" " " error "${error}")
if(result EQUAL 0 OR NOT error MATCHES "filter blur \\(.*/tests/filters/blur/filter.cmake\\): .*/filters/acme/blur names a filter blur too")
    message(SEND_ERROR "a second filter blur: expected a refusal, got: ${error}")
endif()
file(REMOVE_RECURSE ${WORK})
