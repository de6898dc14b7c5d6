/* Resource ids of the dialog that edits one rule (template 161). */
#ifndef VB_RES_RULEEDITDIALOGIDS_H
#define VB_RES_RULEEDITDIALOGIDS_H

#define IDD_RULE_EDIT 161

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_RULE_OK 1
#define IDC_RULE_CANCEL 2
#define IDC_RULE_EXE 1000
#define IDC_RULE_CLASS 1001
#define IDC_RULE_TITLE 1002
#define IDC_RULE_APPEARS 1003
#define IDC_RULE_MINIMISED 1004
#define IDC_RULE_COUNT 1005
#define IDC_RULE_CLOSE_BOX 1006
#define IDC_RULE_HOTKEY 1007
#define IDC_RULE_HOTKEY_ONLY 1008
#define IDC_RULE_RUN 1009

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_RULE_LABEL1 1900
#define IDC_RULE_LABEL2 1901
#define IDC_RULE_LABEL3 1902
#define IDC_RULE_LABEL4 1903
#define IDC_RULE_LABEL5 1904
#define IDC_RULE_LABEL6 1905
#define IDC_RULE_LABEL7 1906
#endif
