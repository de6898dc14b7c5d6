/* Resource ids of the close and minimise to tray dialogs: the yes/no query
   (templates 136 and 140) and the Close to Systray notice (template 141). */
#ifndef VB_RES_TRAYDIALOGIDS_H
#define VB_RES_TRAYDIALOGIDS_H

#define IDD_QUERY 136
/* The query with a second text box below the first. */
#define IDD_QUERY_TWO_TEXTS 140
#define IDD_CLOSE_TO_TRAY 141

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_QUERY_YES 6
#define IDC_QUERY_NO 7
#define IDC_QUERY_SECOND_TEXT 1016
#define IDC_QUERY_TEXT 1017
#define IDC_QUERY_DONT_REMIND 1018

#define IDC_CLOSE_TRAY_OK 1
#define IDC_CLOSE_TRAY_DONT_SHOW 1018

/* The notice's picture, 86 x 56 pixels. */
#ifndef IDB_TRAY_PICTURE
#define IDB_TRAY_PICTURE 1000
/* The same picture drawn for 144 and 192 DPI. */
#define IDB_TRAY_PICTURE_144 1001
#define IDB_TRAY_PICTURE_192 1002
#endif

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_CLOSE_TRAY_LABEL1 1900
#endif
