; The installer's own texts in Spanish (see English.nsh).
LangString VB_LANG_TITLE ${LANG_SPANISH} "Idioma del instalador"
LangString VB_LANG_INFO ${LANG_SPANISH} "Seleccione un idioma."
LangString VB_FINISH_RUN ${LANG_SPANISH} "Iniciar ${PRODUCT} ahora"
LangString VB_STILL_RUNNING ${LANG_SPANISH} "${PRODUCT} sigue en ejecución y no se cerró cuando se le pidió.$\r$\n$\r$\nCiérrelo desde su menú del área de notificación (Salir) o con el Administrador de tareas y, a continuación, elija Reintentar. Cancelar se detiene aquí sin cambiar nada."
LangString VB_NOTHING_CHANGED ${LANG_SPANISH} "${PRODUCT} sigue en ejecución; no se ha cambiado nada."
LangString VB_REMOVE_SETTINGS ${LANG_SPANISH} "Quitar mi configuración"
