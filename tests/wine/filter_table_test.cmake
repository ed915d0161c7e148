# The build refuses a filter's table that breaks a rule (table/FilterTable.h),
# whether declared const or constexpr, naming the rule and the binding: a
# source with the case's table is compiled by the Windows compiler and must
# fail with the case's message, or compile where the message is empty. A
# case: "amounts|preview key|message", over keys a -10..10, b 0..100 (5 when
# missing), preview, wide -40000..40000 and, where the amounts say BADKEY, a
# key whose fallback lies outside its limits.
#   cmake -DSOURCE=<project> -DWORK=<scratch folder> -DCXX=<compiler> -P filter_table_test.cmake
cmake_minimum_required(VERSION 3.20)
set(seventeen)
foreach(i RANGE 16)
    string(APPEND seventeen "{kA, ${i}, ${i}, 0},")
endforeach()
set(cases
    "{kA, 1, 2, 3}, {kB, 4, 5, 0, 5}|kPreview|"  # accepted
    "{kA, 1, 2, 3}, {9, 4, 5, 6}|kPreview|CheckAmount<1, 2>.*an_amount_names_no_key_of_the_settings"
    "{kA, 1, 2, 3}, {kA, 4, 5, 6}|kPreview|CheckAmount<1, 2>.*a_key_is_bound_to_two_amounts"
    "{kPreview, 1, 2, 3}|kPreview|CheckAmount<0, 1>.*the_preview_key_is_bound_as_an_amount"
    "{kA, 1, 2, 3}|4|the_preview_key_names_no_key_of_the_settings"
    "${seventeen}|-1|more amounts than a settings dialog holds"
    "{kA, 1, 2, 3}, {kWide, 4, 5, 6}|kPreview|CheckAmount<1, 2>.*an_amount_spans_more_than_65535"
    "{kB, 1, 2, 3, 0}|kPreview|CheckAmount<0, 1>.*an_amount_has_no_page_step"
    "BADKEY|-1|CheckFallback<1>.*a_keys_fallback_lies_outside_its_limits")
foreach(case ${cases})
    string(REPLACE "|" ";" case "${case}")
    list(GET case 0 amounts)
    list(GET case 1 preview)
    list(GET case 2 expected)
    set(keys "{\"a\", 0, -10, 10}, {\"b\", 5, 0, 100}, {\"preview\", 0, INT32_MIN, INT32_MAX}, {\"wide\", 0, -40000, 40000}")
    if(amounts STREQUAL "BADKEY")
        set(keys "{\"a\", 0, -10, 10}, {\"bad\", 11, -10, 10}")
        set(amounts "{kA, 1, 2, 3}")
    endif()
    foreach(declared const constexpr)
        # The settings of a table are read as it is built, so they are
        # constexpr; declared otherwise only where they are the case.
        set(settings constexpr)
        if(keys MATCHES "bad")
            set(settings ${declared})
        endif()
        file(WRITE ${WORK}/table.cpp "#include \"table/FilterTable.h\"\nnamespace {\n"
             "enum { kA, kB, kPreview, kWide };\n"
             "struct Rows {\n    explicit Rows(const std::int32_t*) {}\n"
             "    void operator()(const Bgra32*, Bgra32*, std::int32_t) const {}\n};\n"
             "constexpr SettingsKey kKeys[] = {${keys}};\n"
             "${settings} FilterSettings kSettings(\"S\", kKeys);\n"
             "constexpr AmountBinding kAmounts[] = {${amounts}};\n"
             "}  // namespace\n"
             "${declared} FilterTable kTable(kSettings, FilterRows::Of<Rows>(), 1, kAmounts, ${preview}, 0);\n")
        execute_process(COMMAND ${CXX} -std=c++20 -fsyntax-only -DWIN32_LEAN_AND_MEAN -I${SOURCE}
                                -I${SOURCE}/resources ${WORK}/table.cpp
                        RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE error)
        string(REGEX REPLACE "[ \n]+" " " error "${error}")
        if(expected STREQUAL "" AND NOT result EQUAL 0)
            message(SEND_ERROR "${declared} table {${amounts}} was refused: ${error}")
        elseif(NOT expected STREQUAL "" AND (result EQUAL 0 OR NOT error MATCHES "${expected}"))
            message(SEND_ERROR "${declared} table {${amounts}}: expected \"${expected}\", got: ${error}")
        endif()
    endforeach()
endforeach()
file(REMOVE_RECURSE ${WORK})
