/* Resource ids of the main dialog (template 101) and of the resources it
   loads: the program icon, the finder icon and cursor, the one-item menu and
   the tray picture. Plain #defines, read by both C++ and the resource
   compiler. */
#ifndef VB_RES_MAINDIALOGIDS_H
#define VB_RES_MAINDIALOGIDS_H

/* The program icon has the lowest icon id so that it is the first icon of
   the file: ExtractIconA(module, file, 0) returns it. */
#define IDI_APP 1

#define IDD_MAIN 101
#define IDI_FINDER 104
#define IDC_FINDER_CURSOR 105
#define IDM_ONE_ITEM 109

/* The single item of the one-item menu; no command handler knows it. */
#define IDM_ONE_ITEM_ENTRY 40002

/* 86 x 56 picture of the notification area, shown by the Close to Systray
   notice. */
#ifndef IDB_TRAY_PICTURE
#define IDB_TRAY_PICTURE 1000
/* The same picture drawn for 144 and 192 DPI. */
#define IDB_TRAY_PICTURE_144 1001
#define IDB_TRAY_PICTURE_192 1002
#endif

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_MAIN_HIDE_ME 1
#define IDC_MAIN_EXIT 2
#define IDC_MAIN_LIST 1000
#define IDC_MAIN_ABOUT 1001
#define IDC_MAIN_OPTIONS 1003
#define IDC_MAIN_VIEW_HIDDEN 1006
/* Never visible, never reached by Tab: they only lend their ids to the
   "Hide Active" and "Popup Menu" hotkeys. */
#define IDC_MAIN_HOTKEY_HIDE_ACTIVE 1009
#define IDC_MAIN_HOTKEY_POPUP_MENU 1010
/* The finder tool's picture (icon IDI_FINDER). */
#define IDC_MAIN_FINDER 1011
/* Opens the Rules dialog. */
#define IDC_MAIN_RULES 1020

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_MAIN_LABEL1 1900
#define IDC_MAIN_LABEL2 1901
#endif
