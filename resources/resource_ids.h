// Resource identifiers and command numbers shared by vellarn.rc and the Windows layer.
#pragma once

#define IDI_VELLARN 128
#define IDD_FLOATING_WINDOW 102
#define IDM_CONTEXT_MENU 130
#define IDD_CONTROL_DIALOG 131

// Context menu commands.
#define IDC_LENS_COLOUR 32771
#define IDC_MODEL_PLACEHOLDER 32772  // the placeholder item of the model list
#define IDC_MODEL_FIRST 32773        // the k-th model file gets IDC_MODEL_FIRST + k
#define IDC_MODEL_LAST 33772         // model commands up to here are handled (1,000 files)
// Past the model commands, so that it is not taken for the second model file's.
#define IDC_SHOW_CONTROLS 33773
#define IDC_OPEN_MODEL 33774
#define IDC_EXIT 57665

// Control dialog trackbars.
#define IDC_TURN_X 1000
#define IDC_TILT 1001
#define IDC_TEMPLE_LEFT 1002
#define IDC_TEMPLE_RIGHT 1003
#define IDC_RENDER_SIZE 1004
#define IDC_TRANSPARENCY 1005
#define IDC_TURN_Y 1006

// Texts the program shows (string table; each in Japanese and in English).
#define IDS_MODEL_FILTER 2000    // the open-file dialog's filters: description|pattern|...||
#define IDS_NOT_A_MODEL 2001     // a dropped file of another kind
#define IDS_UNNAMABLE_FILE 2002  // a file the program cannot keep the name of
#define IDS_DEVICE_FAILED 2100   // DirectX could not be brought up
#define IDS_OPEN_FAILED 2101     // a model could not be opened; %1 is its name
