# RGB Color: the channel arithmetic and its loops, the settings, the dialog.
hx_filter(rgbcolor CLASS RgbColorFilter HEADER RgbColorFilter.h
    CORE ChannelMath.cpp ChannelMathSse2.cpp ChannelMathAvx2.cpp CpuFeatures.cpp
    SOURCES RgbColorFilter.cpp RgbColorDialog.cpp
    RC rgbcolor_dialog.rc IDS RgbColorIds.h)

# i686 code may not assume SSE2 (x86-64 always has it): only each loop's own
# file gets its instruction set, and the filter calls a loop after asking the CPU.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i686|x86_64|AMD64)$")
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/ChannelMathAvx2.cpp PROPERTIES COMPILE_OPTIONS -mavx2)
endif()
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/ChannelMathSse2.cpp PROPERTIES COMPILE_OPTIONS -msse2)
endif()
