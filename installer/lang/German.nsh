; The installer's own texts in German (see English.nsh).
LangString VB_LANG_TITLE ${LANG_GERMAN} "Sprache des Installationsprogramms"
LangString VB_LANG_INFO ${LANG_GERMAN} "Bitte wählen Sie eine Sprache aus."
LangString VB_FINISH_RUN ${LANG_GERMAN} "${PRODUCT} jetzt starten"
LangString VB_STILL_RUNNING ${LANG_GERMAN} "${PRODUCT} wird noch ausgeführt und wurde auf Anforderung nicht beendet.$\r$\n$\r$\nBeenden Sie es über sein Menü im Infobereich (Beenden) oder mit dem Task-Manager, und wählen Sie dann „Wiederholen“. „Abbrechen“ hört hier auf und ändert nichts."
LangString VB_NOTHING_CHANGED ${LANG_GERMAN} "${PRODUCT} wird noch ausgeführt; es wurde nichts geändert."
LangString VB_REMOVE_SETTINGS ${LANG_GERMAN} "Meine Einstellungen entfernen"
