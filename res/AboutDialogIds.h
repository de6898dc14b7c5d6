/* Resource ids of the About dialog: template 135, and template 138, which
   adds the licence text area. */
#ifndef VB_RES_ABOUTDIALOGIDS_H
#define VB_RES_ABOUTDIALOGIDS_H

#define IDD_ABOUT 135
#define IDD_ABOUT_LICENCE 138

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_ABOUT_OK 1
/* Rich edit control with the licence text (template 138 only). */
#define IDC_ABOUT_LICENCE_TEXT 1000
#define IDC_ABOUT_TITLE 1002
#define IDC_ABOUT_EMAIL_LINK 1003
#define IDC_ABOUT_PROJECT_LINK 1004
#define IDC_ABOUT_COPYRIGHT 1005
#define IDC_ABOUT_TOTAL_MEMORY 1006
#define IDC_ABOUT_AVAILABLE_MEMORY 1007
#define IDC_ABOUT_PAGEFILE 1008
#define IDC_ABOUT_RUN_TIME 1009
#define IDC_ABOUT_WEB_LINK 1010
#define IDC_ABOUT_COMPANY 1012

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_ABOUT_LABEL1 1900
#define IDC_ABOUT_LABEL2 1901
#define IDC_ABOUT_LABEL3 1902
#define IDC_ABOUT_LABEL4 1903
#define IDC_ABOUT_LABEL5 1904
#define IDC_ABOUT_LABEL6 1905
#define IDC_ABOUT_LABEL7 1906
#define IDC_ABOUT_LABEL8 1907
#define IDC_ABOUT_LABEL9 1908
#endif
