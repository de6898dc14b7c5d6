; The installer's own texts in French (see English.nsh).
LangString VB_LANG_TITLE ${LANG_FRENCH} "Langue du programme d'installation"
LangString VB_LANG_INFO ${LANG_FRENCH} "Veuillez choisir une langue."
LangString VB_FINISH_RUN ${LANG_FRENCH} "Lancer ${PRODUCT} maintenant"
LangString VB_STILL_RUNNING ${LANG_FRENCH} "${PRODUCT} est toujours en cours d'exécution et ne s'est pas arrêté à la demande.$\r$\n$\r$\nQuittez-le depuis son menu de la zone de notification (Quitter) ou avec le Gestionnaire des tâches, puis choisissez Réessayer. Annuler s'arrête ici sans rien modifier."
LangString VB_NOTHING_CHANGED ${LANG_FRENCH} "${PRODUCT} est toujours en cours d'exécution ; rien n'a été modifié."
LangString VB_REMOVE_SETTINGS ${LANG_FRENCH} "Supprimer mes paramètres"
