/* Resource ids of the Change Key Bindings dialog (template 145). */
#ifndef VB_RES_KEYBINDINGSDIALOGIDS_H
#define VB_RES_KEYBINDINGSDIALOGIDS_H

#define IDD_KEY_BINDINGS 145

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDC_KEYS_OK 1
#define IDC_KEYS_CANCEL 2
#define IDC_KEYS_LIST 1000
#define IDC_KEYS_ASSIGN 1001
/* Sunken statics: the selected action's combination and the name of the
   action whose combination the pressed one equals. */
#define IDC_KEYS_CURRENT 1003
#define IDC_KEYS_COLLIDES 1004
/* Edit box that captures key presses instead of text. */
#define IDC_KEYS_CAPTURE 1005

/* The labels: each text of the dialog has its own id, so that a catalogue can name it. */
#define IDC_KEYS_LABEL1 1900
#define IDC_KEYS_LABEL2 1901
#endif
