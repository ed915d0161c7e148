// Ids of the Tone dialog, written here only: the build refuses a number or a
// name that the framework or another filter of a module has too.
#pragma once

#define IDD_TONE                    140

#define IDC_TONE_BRIGHTNESS_SLIDER  1200
#define IDC_TONE_BRIGHTNESS_EDIT    1201
#define IDC_TONE_BRIGHTNESS_SPIN    1202
#define IDC_TONE_CONTRAST_SLIDER    1203
#define IDC_TONE_CONTRAST_EDIT      1204
#define IDC_TONE_CONTRAST_SPIN      1205
#define IDC_TONE_RESET              1206
