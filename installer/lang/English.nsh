; The installer's own texts in English, the source of every other language's file beside this
; one. Each file sets every string below for its language; ${PRODUCT} stays as it is, and $\r$\n
; is a line break. Buttons and places are named as Windows names them in that language.
LangString VB_LANG_TITLE ${LANG_ENGLISH} "Installer Language"
LangString VB_LANG_INFO ${LANG_ENGLISH} "Please select a language."
LangString VB_FINISH_RUN ${LANG_ENGLISH} "Start ${PRODUCT} now"
LangString VB_STILL_RUNNING ${LANG_ENGLISH} "${PRODUCT} is still running and did not end when asked to.$\r$\n$\r$\nEnd it from its tray menu (Exit) or with Task Manager, then choose Retry. Cancel stops here and changes nothing."
LangString VB_NOTHING_CHANGED ${LANG_ENGLISH} "${PRODUCT} is still running; nothing was changed."
LangString VB_REMOVE_SETTINGS ${LANG_ENGLISH} "Remove my settings"
