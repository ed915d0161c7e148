// Control ids and resource numbers shared by the .rc files and the code.
#pragma once

// Resources
#define IDD_RGBCOLOR            119
#define IDC_HAND_OPEN           107
#define IDC_HAND_CLOSED         108

// Controls every filter dialog carries
#define IDC_PREVIEW_PANE        1005
#define IDC_PREVIEW_CHECK       1006

// RGB Color dialog
#define IDC_RED_SLIDER          1053
#define IDC_RED_EDIT            1054
#define IDC_RED_SPIN            1055
#define IDC_GREEN_SLIDER        1056
#define IDC_GREEN_EDIT          1057
#define IDC_GREEN_SPIN          1058
#define IDC_BLUE_SLIDER         1059
#define IDC_BLUE_EDIT           1060
#define IDC_BLUE_SPIN           1061
#define IDC_RESET               1062
