/* Resource ids of the User Interface options dialog (template 142). */
#ifndef VB_RES_UIDIALOGIDS_H
#define VB_RES_UIDIALOGIDS_H

#define IDD_UI 142

#define IDC_UI_OK 1
#define IDC_UI_CANCEL 2
#define IDC_UI_CLOSE_TO_TRAY 1010
#define IDC_UI_MINIMIZE_TO_TRAY 1026
#define IDC_UI_USE_PASSWORD 1034
#define IDC_UI_PASSWORD 1035
#define IDC_UI_START_WITH_WINDOWS 1069
#define IDC_UI_ICON_PER_WINDOW 1070
#define IDC_UI_MIN_BUTTON_HIDE 1071
#define IDC_UI_RESTORE_AT_POINTER 1073
/* The Language list and its label. */
#define IDC_UI_LANGUAGE 1072
#define IDC_UI_LANGUAGE_LABEL 1900
/* The Theme list and its label. */
#define IDC_UI_THEME 1080
#define IDC_UI_THEME_LABEL 1901

#endif
