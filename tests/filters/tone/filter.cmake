# Tone, the second filter of the tests' module with a dialog filter: two amounts, a preview, reset.
hx_filter(tone CLASS ToneFilter HEADER ToneFilter.h SOURCES ToneFilter.cpp
    RC tone_dialog.rc IDS ToneIds.h)
