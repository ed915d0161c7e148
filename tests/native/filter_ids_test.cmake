# The build's check of filter ids (cmake/Filters.cmake): a module of the RGB
# Color filter and a planted one is configured for each case, and must fail
# with the case's message, or succeed where the message is empty. A case:
# "id|name|message", the planted filter's one id.
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -DGENERATOR=<generator> [-DMAKE=<its program>] -P filter_ids_test.cmake
# The planted project is configured with the generator of the build that
# runs the test: a fresh machine may have no other.
cmake_minimum_required(VERSION 3.20)
set(cases
    "1054|IDC_PLANTED|id 1054 is IDC_RED_EDIT of filter rgbcolor and IDC_PLANTED of filter planted"
    "119|IDC_PLANTED|id 119 is IDD_RGBCOLOR of filter rgbcolor"  # another filter's first id
    "107|IDC_PLANTED|id 107 is IDC_HAND_OPEN of the framework and IDC_PLANTED of filter planted"  # its first
    "(2000 + 1)|IDC_PLANTED|is not \"#define NAME number\""
    "2001|IDC_PLANTED|"                           # a number of its own: accepted
    "2001|IDC_PREVIEW_CHECK|IDC_PREVIEW_CHECK of filter planted is defined by the framework too"
    "2001|IDC_HAND_OPEN|IDC_HAND_OPEN of filter planted is defined by the framework too"  # the framework's first
    "2001|IDC_RESET|IDC_RESET of filter planted is defined by filter rgbcolor too")
set(make)
if(MAKE)
    set(make -DCMAKE_MAKE_PROGRAM=${MAKE})
endif()
foreach(case ${cases})
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 id)
    list(GET case 1 name)
    list(GET case 2 expected)
    file(REMOVE_RECURSE ${WORK})
    file(WRITE ${WORK}/planted/filter.cmake "hx_filter(planted CLASS P HEADER P.h IDS Ids.h)\n")
    file(WRITE ${WORK}/planted/Ids.h "#pragma once\n#define ${name} ${id}\n")
    file(WRITE ${WORK}/CMakeLists.txt "cmake_minimum_required(VERSION 3.20)\nproject(planted NONE)\n"
         "include(${SOURCE}/cmake/Filters.cmake)\nhx_filter_module(m INFO i FILTERS ${SOURCE}/filters/rgbcolor planted)\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK} -B ${WORK}/build -G ${GENERATOR} ${make} RESULT_VARIABLE result
                    OUTPUT_QUIET ERROR_VARIABLE error)
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(expected STREQUAL "" AND NOT result EQUAL 0)
        message(SEND_ERROR "${name} ${id} was refused: ${error}")
    elseif(NOT expected STREQUAL "" AND (result EQUAL 0 OR NOT error MATCHES "${expected}"))
        message(SEND_ERROR "${name} ${id}: expected \"${expected}\", got: ${error}")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
