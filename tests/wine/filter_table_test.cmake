# The build refuses a filter's table that breaks a rule (table/FilterTable.h),
# whether declared const or constexpr, with GCC and with clang: a source with
# the case's table is compiled by each and must fail naming the rule and the
# binding (GCC: the check's instance) or the rule and the key (clang, which
# shows a call's arguments), or compile where the rule is empty. A case:
# "amounts|preview key|reset|template|rule|binding|key", over keys a -10..10,
# b 0..100 (5 when missing), preview, wide -40000..40000, spans of 65536 and
# 65535, two 2..9 and, where the amounts say a word, a table of its own.
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -DCXX=<compiler> -DCLANG=<clang++> -P filter_table_test.cmake
cmake_minimum_required(VERSION 3.20)
include(${CMAKE_CURRENT_LIST_DIR}/../expect_refusal.cmake)
set(seventeen)
foreach(i RANGE 16)
    string(APPEND seventeen "{kA, ${i}, ${i}, 0},")
endforeach()
set(cases
    "{kA, 11, 12, 13}, {kB, 14, 15, 0, 5}|kPreview|20|1|||"  # accepted
    "{kA, 11, 12, 13}, {9, 14, 15, 16}|kPreview|0|1|an_amount_names_no_key_of_the_settings|CheckAmount<1, |"
    "{kA, 11, 12, 13}, {kA, 14, 15, 16}|kPreview|0|1|a_key_is_bound_to_two_amounts|CheckAmount<1, |a"
    "{kPreview, 11, 12, 13}|kPreview|0|1|the_preview_key_is_bound_as_an_amount|CheckAmount<0, |preview"
    "{kA, 11, 12, 13}|7|0|1|the_preview_key_names_no_key_of_the_settings||"
    "{kA, 11, 12, 13}|kTwo|0|1|the_preview_keys_limits_do_not_hold_0_and_1||two"
    "${seventeen}|-1|0|1|more amounts than a settings dialog holds||"
    "{kA, 11, 12, 13}, {kWide, 14, 15, 16}|kPreview|0|1|an_amount_spans_more_than_65535|CheckAmount<1, |wide"
    "{kSpan65536, 11, 12, 13}|kPreview|0|1|an_amount_spans_more_than_65535|CheckAmount<0, |span"
    "{kSpan65535, 11, 12, 13}|kPreview|0|1|||"  # the widest span a thumb's 16 bits tell apart
    "{kB, 11, 12, 13, 0}|kPreview|0|1|an_amount_has_no_page_step|CheckAmount<0, |b"
    "{kA, 11, 12, 13}, {kB, 14, 12, 0}|kPreview|0|1|a_control_id_is_bound_twice|CheckAmount<1, |b"
    "{kA, 11, 12, 11}|kPreview|0|1|a_control_id_is_bound_twice|CheckAmount<0, |a"
    "{kA, 11, 12, 13}|kPreview|12|1|a_control_id_is_bound_twice|CheckAmount<0, |a"
    "{kA, 11, 1006, 13}|kPreview|0|1|a_control_id_is_bound_twice|CheckAmount<0, |a"
    "{kA, 11, 12, 13}|kPreview|2|1|a_control_id_is_bound_twice||"
    "{kA, 0, 12, 13}|kPreview|0|1|a_control_id_lies_outside_1_to_65535|CheckAmount<0, |a"
    "{kA, 11, 65536, 13}|kPreview|0|1|a_control_id_lies_outside_1_to_65535|CheckAmount<0, |a"
    "{kA, 11, 12, 13}|kPreview|0|0|the_template_id_lies_outside_1_to_65535||"
    "{kA, 11, 12, 13}|kPreview|0|65536|the_template_id_lies_outside_1_to_65535||"
    "ABOVE|-1|0|1|a_keys_fallback_lies_outside_its_limits|CheckFallback<1>|above"
    "BELOW|-1|0|1|a_keys_fallback_lies_outside_its_limits|CheckFallback<1>|below"
    "EDITED|kPreview|0|1|assign.*templateId||")

# clang finds the Windows compiler's headers where that compiler says it looks.
execute_process(COMMAND ${CXX} -std=c++20 -xc++ -E -v - INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE search)
string(REGEX REPLACE ".*search starts here:\n(.*)End of search list.*" "\\1" search "${search}")
string(REGEX REPLACE "[ \n]+" ";" search "${search}")
set(clang_includes)
foreach(dir ${search})
    get_filename_component(dir ${dir} REALPATH)
    # Not GCC's own builtin headers: clang has its own.
    if(dir MATCHES "/c\\+\\+" OR NOT dir MATCHES "/lib/gcc/")
        list(APPEND clang_includes -isystem ${dir})
    endif()
endforeach()
set(GCC ${CXX})
set(clang ${CLANG} -target i686-w64-mingw32 -nostdinc++ ${clang_includes})

foreach(case ${cases})
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 amounts)
    list(GET case 1 preview)
    list(GET case 2 reset)
    list(GET case 3 template)
    list(GET case 4 rule)
    list(GET case 5 binding)
    list(GET case 6 key)
    set(keys "{\"a\", 0, -10, 10}, {\"b\", 5, 0, 100}, {\"preview\", 0, INT32_MIN, INT32_MAX}, \
{\"wide\", 0, -40000, 40000}, {\"span\", 0, 0, 65536}, {\"span\", 0, 0, 65535}, {\"two\", 2, 2, 9}")
    set(after "")
    if(amounts STREQUAL "ABOVE")
        set(keys "{\"a\", 0, -10, 10}, {\"above\", 11, -10, 10}")
        set(amounts "{kA, 11, 12, 13}")
    elseif(amounts STREQUAL "BELOW")
        set(keys "{\"a\", 0, -10, 10}, {\"below\", -11, -10, 10}")
        set(amounts "{kA, 11, 12, 13}")
    elseif(amounts STREQUAL "EDITED")
        set(amounts "{kA, 11, 12, 13}")
        set(after "int Edit() { FilterTable copy = kTable; copy.templateId = 2; return copy.templateId; }\n")
    endif()
    foreach(declared const constexpr)
        # The settings of a table are read as it is built, so they are
        # constexpr; declared otherwise only where they are the case.
        set(settings constexpr)
        if(keys MATCHES "above|below")
            set(settings ${declared})
        endif()
        file(WRITE ${WORK}/table.cpp "#include \"table/FilterTable.h\"\nnamespace {\n"
             "enum { kA, kB, kPreview, kWide, kSpan65536, kSpan65535, kTwo };\n"
             "struct Rows {\n    explicit Rows(const std::int32_t*) {}\n"
             "    void operator()(const Bgra32*, Bgra32*, std::int32_t) const {}\n};\n"
             "constexpr SettingsKey kKeys[] = {${keys}};\n"
             "${settings} FilterSettings kSettings = FilterSettings::Of(\"S\", kKeys);\n"
             "constexpr AmountBinding kAmounts[] = {${amounts}};\n"
             "}  // namespace\n"
             "${declared} FilterTable kTable =\n"
             "    FilterTable::Of(kSettings, FilterRows::Of<Rows>(), ${template}, kAmounts, ${preview}, ${reset});\n"
             "${after}")
        foreach(name GCC clang)
            execute_process(COMMAND ${${name}} -std=c++20 -fsyntax-only -DWIN32_LEAN_AND_MEAN -I${SOURCE}
                                    -I${SOURCE}/resources ${WORK}/table.cpp
                            RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
            set(expected "${binding}.*${rule}")
            if(rule STREQUAL "")
                set(expected "")
            elseif(name STREQUAL "clang" AND NOT key STREQUAL "")
                set(expected "${rule}.*&\"${key}\"\\[0\\]")
            elseif(name STREQUAL "clang")
                set(expected "${rule}")
            endif()
            hx_expect_refusal("${name}: ${declared} table {${amounts}}" "${expected}" "${result}" "${error}")
        endforeach()
    endforeach()
endforeach()
file(REMOVE_RECURSE ${WORK})
