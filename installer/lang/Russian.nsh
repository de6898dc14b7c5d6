; The installer's own texts in Russian (see English.nsh).
LangString VB_LANG_TITLE ${LANG_RUSSIAN} "Язык программы установки"
LangString VB_LANG_INFO ${LANG_RUSSIAN} "Выберите язык."
LangString VB_FINISH_RUN ${LANG_RUSSIAN} "Запустить ${PRODUCT}"
LangString VB_STILL_RUNNING ${LANG_RUSSIAN} "${PRODUCT} всё ещё работает и не завершился по запросу.$\r$\n$\r$\nЗавершите его из его меню в области уведомлений (Выход) или с помощью диспетчера задач, затем нажмите «Повторить». «Отмена» останавливает всё здесь, ничего не меняя."
LangString VB_NOTHING_CHANGED ${LANG_RUSSIAN} "${PRODUCT} всё ещё работает; ничего не изменено."
LangString VB_REMOVE_SETTINGS ${LANG_RUSSIAN} "Удалить мои настройки"
