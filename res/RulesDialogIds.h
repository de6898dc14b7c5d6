/* Resource ids of the Rules dialog (template 160). */
#ifndef VB_RES_RULESDIALOGIDS_H
#define VB_RES_RULESDIALOGIDS_H

#define IDD_RULES 160

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_RULES_OK 1
#define IDC_RULES_CANCEL 2
#define IDC_RULES_LIST 1000
#define IDC_RULES_ADD 1001
#define IDC_RULES_EDIT 1002
#define IDC_RULES_REMOVE 1003
#define IDC_RULES_UP 1004
#define IDC_RULES_DOWN 1005

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_RULES_LABEL1 1900
#endif
