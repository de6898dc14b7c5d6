/* Resource ids of the Enter Password dialog (template 157). */
#ifndef VB_RES_PASSWORDDIALOGIDS_H
#define VB_RES_PASSWORDDIALOGIDS_H

#define IDD_PASSWORD 157

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_PASSWORD_OK 1
#define IDC_PASSWORD_CANCEL 2
#define IDC_PASSWORD_EDIT 1000

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_PASSWORD_LABEL1 1900
#endif
