// Ids of the framework, shared by its .rc files and its code. A filter keeps
// its own ids in its folder, clear of these: the build refuses a number or a
// name of a filter that is here too (cmake/Filters.cmake).
#pragma once

// The preview pane's pointers
#define IDC_HAND_OPEN           107
#define IDC_HAND_CLOSED         108

// Controls every filter dialog carries (ui/FilterDialog.h)
#define IDC_PREVIEW_PANE        1005
#define IDC_PREVIEW_CHECK       1006
