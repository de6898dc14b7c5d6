/* Resource ids of the Hidden Windows dialog (template 106). */
#ifndef VB_RES_HIDDENDIALOGIDS_H
#define VB_RES_HIDDENDIALOGIDS_H

#define IDD_HIDDEN 106

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_HIDDEN_DONE 1
#define IDC_HIDDEN_LIST 1000
#define IDC_HIDDEN_SHOW_ALL 1001

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_HIDDEN_LABEL1 1900
#endif
