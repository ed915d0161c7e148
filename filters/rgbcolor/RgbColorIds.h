// Ids of the RGB Color dialog, shared by its template and its code; the
// build checks them against the framework's and the module's other filters'.
#pragma once

#define IDD_RGBCOLOR            119

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
