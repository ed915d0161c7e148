# Native build of the platform-free logic: unit tests (optionally under
# ASan/UBSan), fuzzers (clang) and benchmarks.
option(HX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(HX_FUZZ "Build the libFuzzer targets (needs clang)" OFF)
option(HX_BENCH "Build the native benchmarks" OFF)

if(NOT CMAKE_BUILD_TYPE)
    set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
add_compile_options(-Wall -Wextra)
if(HX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

add_library(hxcore STATIC ${HX_CORE_SOURCES})
target_include_directories(hxcore PUBLIC ${CMAKE_SOURCE_DIR})

enable_testing()
add_subdirectory(tests/native)
if(HX_FUZZ)
    add_subdirectory(tests/fuzz)
endif()
if(HX_BENCH)
    add_subdirectory(bench)
endif()
