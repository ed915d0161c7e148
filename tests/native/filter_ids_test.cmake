# The build's check of filter ids (cmake/Filters.cmake): a module of the RGB
# Color filter and a planted one is configured for each case, and must fail
# with the case's message, or succeed where the message is empty. A case:
# "id|block|name|message".
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -DGENERATOR=<generator> [-DMAKE=<its program>] -P filter_ids_test.cmake
# The planted project is configured with the generator of the build that
# runs the test: a fresh machine may have no other.
cmake_minimum_required(VERSION 3.20)
set(cases
    "1054|1054|IDC_PLANTED|filters rgbcolor and planted meet"  # another filter's id
    "2001|2100..2199|IDC_PLANTED|lies outside its block"
    "1001|1000..1010|IDC_PLANTED|holds the framework's id 1005"
    "(2000 + 1)|2000..2049|IDC_PLANTED|is not \"#define NAME number\""
    "1049|1040..1050|IDC_PLANTED|filters rgbcolor and planted meet"
    "2001|2000..2049|IDC_PLANTED|"                # a block of its own: accepted
    "2001|2000..2049|IDC_PREVIEW_CHECK|IDC_PREVIEW_CHECK of filter planted is defined by the framework too"
    "2001|2000..2049|IDC_RESET|IDC_RESET of filter planted is defined by filter rgbcolor too")
set(make)
if(MAKE)
    set(make -DCMAKE_MAKE_PROGRAM=${MAKE})
endif()
foreach(case ${cases})
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 id)
    list(GET case 1 block)
    list(GET case 2 name)
    list(GET case 3 expected)
    file(REMOVE_RECURSE ${WORK})
    file(WRITE ${WORK}/planted/filter.cmake "hx_filter(planted CLASS P HEADER P.h IDS Ids.h ID_BLOCK ${block})\n")
    file(WRITE ${WORK}/planted/Ids.h "#pragma once\n#define ${name} ${id}\n")
    file(WRITE ${WORK}/CMakeLists.txt "cmake_minimum_required(VERSION 3.20)\nproject(planted NONE)\n"
         "include(${SOURCE}/cmake/Filters.cmake)\nhx_filter_module(m INFO i FILTERS ${SOURCE}/filters/rgbcolor planted)\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK} -B ${WORK}/build -G ${GENERATOR} ${make} RESULT_VARIABLE result
                    OUTPUT_QUIET ERROR_VARIABLE error)
    string(REGEX REPLACE "[ \n]+" " " error "${error}")
    if(expected STREQUAL "" AND NOT result EQUAL 0)
        message(SEND_ERROR "id ${id} in block ${block} was refused: ${error}")
    elseif(NOT expected STREQUAL "" AND (result EQUAL 0 OR NOT error MATCHES "${expected}"))
        message(SEND_ERROR "id ${id} in block ${block}: expected \"${expected}\", got: ${error}")
    endif()
endforeach()
file(REMOVE_RECURSE ${WORK})
