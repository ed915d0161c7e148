# Filters. A filter is a folder with a filter.cmake that describes it with
# hx_filter(); a module is built from a list of such folders, in the hosts'
# index order. From that list the build generates the module's list of
# filters (Module.cpp, from cmake/Module.cpp.in), its resource script (from
# cmake/Module.rc.in) and its exports (from plugin/Exports.def.in), and
# checks the filters' ids.
#
#   hx_filter(NAME CLASS class HEADER header [CORE sources...] [SOURCES sources...]
#             [RC script] [IDS header])
#
# Paths are relative to the filter's folder. CORE: sources that need no
# platform (also built natively for the unit tests); SOURCES: the Windows
# ones. RC: the filter's resources, which the module's script includes. IDS:
# the header of its ids, "#define NAME number" lines only, the one place
# they are written: no number or name of it may be the framework's
# (resources/resource.h), another filter's of the module or written twice in
# it; numbers count as C reads them (0100 is 64).

set(HX_FRAMEWORK_IDS ${CMAKE_CURRENT_LIST_DIR}/../resources/resource.h)

function(hx_filter name)
    cmake_parse_arguments(F "" "CLASS;HEADER;RC;IDS" "CORE;SOURCES" ${ARGN})
    if(NOT F_CLASS OR NOT F_HEADER)
        message(FATAL_ERROR "filter ${name} (${CMAKE_CURRENT_LIST_FILE}): hx_filter needs CLASS and HEADER")
    endif()
    if(F_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "filter ${name} (${CMAKE_CURRENT_LIST_FILE}): hx_filter does not take ${F_UNPARSED_ARGUMENTS}")
    endif()
    set(dir ${CMAKE_CURRENT_LIST_DIR})
    # The name keys the objects a module build shares (hx_add_plugin).
    get_property(other GLOBAL PROPERTY HX_FILTER_NAMED_${name})
    if(other AND NOT other STREQUAL dir)
        message(FATAL_ERROR "filter ${name} (${CMAKE_CURRENT_LIST_FILE}): ${other} names a filter ${name} too")
    endif()
    set_property(GLOBAL PROPERTY HX_FILTER_NAMED_${name} ${dir})
    set(key HX_FILTER_${dir})
    foreach(list CORE SOURCES)
        list(TRANSFORM F_${list} PREPEND ${dir}/)
    endforeach()
    file(RELATIVE_PATH header ${CMAKE_SOURCE_DIR} ${dir}/${F_HEADER})
    set_property(GLOBAL PROPERTY ${key}_NAME ${name})
    set_property(GLOBAL PROPERTY ${key}_CLASS ${F_CLASS})
    set_property(GLOBAL PROPERTY ${key}_HEADER ${header})
    set_property(GLOBAL PROPERTY ${key}_CORE ${F_CORE})
    set_property(GLOBAL PROPERTY ${key}_SOURCES ${F_SOURCES})
    foreach(file RC IDS)
        if(F_${file})
            set_property(GLOBAL PROPERTY ${key}_${file} ${dir}/${F_${file}})
        endif()
    endforeach()
endfunction()

# Reads FOLDER/filter.cmake once; sets `var` to the folder's full path.
function(hx_load_filter var folder)
    get_filename_component(dir ${folder} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
    get_property(loaded GLOBAL PROPERTY HX_FILTER_${dir}_NAME SET)
    if(NOT loaded)
        if(NOT EXISTS ${dir}/filter.cmake)
            message(FATAL_ERROR "filter ${folder}: no ${dir}/filter.cmake")
        endif()
        include(${dir}/filter.cmake)
        get_property(loaded GLOBAL PROPERTY HX_FILTER_${dir}_NAME SET)
        if(NOT loaded)
            message(FATAL_ERROR "filter ${folder}: its filter.cmake does not call hx_filter")
        endif()
    endif()
    set(${var} ${dir} PARENT_SCOPE)
endfunction()

# `var`: the numbers of the "#define NAME number" lines of `header`, read as
# C reads them (0x41 and 0101 are 65) and given in decimal, and `var`_NAMES
# their names; an error for a line of another form, which no check could
# judge.
function(hx_read_ids var header)
    file(STRINGS ${header} lines REGEX "^[ \t]*#[ \t]*define[ \t]")
    set(ids)
    set(names)
    foreach(line ${lines})
        if(NOT line MATCHES "^[ \t]*#[ \t]*define[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+(0[xX][0-9A-Fa-f]+|[0-9]+)[ \t]*(//.*)?$")
            message(FATAL_ERROR "${header}: \"${line}\" is not \"#define NAME number\", which the build can check")
        endif()
        list(APPEND names ${CMAKE_MATCH_1})
        set(text ${CMAKE_MATCH_2})
        if(text MATCHES "^0[0-9]+$")
            # A leading 0 makes it octal: math() would read it as decimal.
            if(NOT text MATCHES "^[0-7]+$")
                message(FATAL_ERROR "${header}: \"${line}\": ${text} is no number in C (a leading 0 makes it octal, without 8 or 9)")
            endif()
            set(id 0)
            string(LENGTH ${text} length)
            math(EXPR last "${length} - 1")
            foreach(at RANGE 1 ${last})
                string(SUBSTRING ${text} ${at} 1 digit)
                math(EXPR id "${id} * 8 + ${digit}")
            endforeach()
        else()
            math(EXPR id "${text}")
        endif()
        list(APPEND ids ${id})
    endforeach()
    set(${var} ${ids} PARENT_SCOPE)
    set(${var}_NAMES ${names} PARENT_SCOPE)
    # An edit of the header checks again.
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
endfunction()

# Refuses filters of one module whose ids clash: a number or a name of a
# filter's IDS that the framework, another filter of the module or another
# line of its own header has too (their resources meet in one module, their
# classes in one source, the module's list; two names of one number are two
# controls on one id, one of which shows nothing).
function(hx_check_filter_ids module)
    hx_read_ids(framework ${HX_FRAMEWORK_IDS})
    # Every id so far, at one place of three lists: its name, its number, its owner.
    set(names ${framework_NAMES})
    set(numbers ${framework})
    set(owners)
    foreach(name ${framework_NAMES})
        list(APPEND owners "the framework")
    endforeach()
    set(seen)
    foreach(dir ${ARGN})
        get_property(name GLOBAL PROPERTY HX_FILTER_${dir}_NAME)
        get_property(header GLOBAL PROPERTY HX_FILTER_${dir}_IDS)
        if(dir IN_LIST seen)
            message(FATAL_ERROR "${module}: filter ${name} is listed twice")
        endif()
        list(APPEND seen ${dir})
        if(NOT header)
            continue()
        endif()
        hx_read_ids(ids ${header})
        foreach(id_name id IN ZIP_LISTS ids_NAMES ids)
            list(FIND names ${id_name} at)
            if(at GREATER_EQUAL 0)
                list(GET owners ${at} owner)
                message(FATAL_ERROR "${module}: ${id_name} of filter ${name} is defined by ${owner} too")
            endif()
            list(FIND numbers ${id} at)
            if(at GREATER_EQUAL 0)
                list(GET owners ${at} owner)
                list(GET names ${at} other)
                message(FATAL_ERROR "${module}: id ${id} is ${other} of ${owner} and ${id_name} of filter ${name}")
            endif()
            list(APPEND names ${id_name})
            list(APPEND numbers ${id})
            list(APPEND owners "filter ${name}")
        endforeach()
    endforeach()
endfunction()

# `var`: the sources of `kind` (CORE or SOURCES) of the filters in `folders`.
function(hx_filter_sources var kind)
    set(sources)
    foreach(folder ${ARGN})
        hx_load_filter(dir ${folder})
        get_property(own GLOBAL PROPERTY HX_FILTER_${dir}_${kind})
        list(APPEND sources ${own})
    endforeach()
    set(${var} ${sources} PARENT_SCOPE)
endfunction()

# For `module`, of the filters in `folders`: checks their ids and generates
# into the build folder its list of filters with its information text INFO
# (HX_MODULE_LIST) and, given DESCRIPTION, its resource script
# (HX_MODULE_RC: the version, with the module's file name and that
# description, and the framework's cursors) and its export definition
# (HX_MODULE_DEF). Each filter's own resources go through a pass of their
# own (hx_filter_resources), so that no filter sees another's macros.
#
#   hx_filter_module(module INFO text [DESCRIPTION text] FILTERS folders...)
function(hx_filter_module module)
    cmake_parse_arguments(M "" "INFO;DESCRIPTION" "FILTERS" ${ARGN})
    set(dirs)
    foreach(folder ${M_FILTERS})
        hx_load_filter(dir ${folder})
        list(APPEND dirs ${dir})
    endforeach()
    hx_check_filter_ids(${module} ${dirs})
    set(resources FALSE)
    if(DEFINED M_DESCRIPTION)
        set(resources TRUE)
    endif()
    set(HX_MODULE ${module})
    set(HX_MODULE_FILE ${module}.dll)
    # As C and resource string literals.
    foreach(text INFO DESCRIPTION)
        string(REPLACE "\\" "\\\\" M_${text} "${M_${text}}")
        string(REPLACE "\"" "\\\"" HX_MODULE_${text} "${M_${text}}")
    endforeach()
    set(HX_FILTER_INCLUDES)
    set(HX_FILTER_APPENDS)
    foreach(dir ${dirs})
        foreach(property CLASS HEADER)
            get_property(${property} GLOBAL PROPERTY HX_FILTER_${dir}_${property})
        endforeach()
        string(APPEND HX_FILTER_INCLUDES "#include \"${HEADER}\"\n")
        string(APPEND HX_FILTER_APPENDS "    registry.Append(Allocate<${CLASS}>());\n")
    endforeach()
    set(out ${CMAKE_BINARY_DIR}/generated/${module})
    configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Module.cpp.in ${out}/Module.cpp @ONLY)
    set(HX_MODULE_LIST ${out}/Module.cpp PARENT_SCOPE)
    if(resources)
        configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/Module.rc.in ${out}/${module}.rc @ONLY)
        configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../plugin/Exports.def.in ${out}/${module}.def @ONLY)
        # windres reports no includes: name them.
        set_source_files_properties(${out}/${module}.rc PROPERTIES OBJECT_DEPENDS "${HX_FRAMEWORK_RESOURCE_INPUTS}")
        set(HX_MODULE_RC ${out}/${module}.rc PARENT_SCOPE)
        set(HX_MODULE_DEF ${out}/${module}.def PARENT_SCOPE)
    endif()
endfunction()

# `var`: the resource scripts of the filters in `folders`, each to be
# compiled by itself, with the framework's ids and its own folder in reach.
function(hx_filter_resources var)
    set(scripts)
    foreach(folder ${ARGN})
        hx_load_filter(dir ${folder})
        get_property(rc GLOBAL PROPERTY HX_FILTER_${dir}_RC)
        get_property(ids GLOBAL PROPERTY HX_FILTER_${dir}_IDS)
        if(rc)
            # windres reports no includes: name them.
            set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${HX_FRAMEWORK_RESOURCE_INPUTS};${ids}")
            list(APPEND scripts ${rc})
        endif()
    endforeach()
    set(${var} ${scripts} PARENT_SCOPE)
endfunction()
