// Resources of the framework tests' own executables.
#pragma once

#define IDD_UI_TEST             200  // pane 1005, check box 1006, a number field, OK, Cancel
#define IDD_UI_TEST_NO_PANE     201  // the same without the pane
#define IDC_UI_TEST_NUMBER      1100
