; The installer's own texts in Japanese (see English.nsh).
LangString VB_LANG_TITLE ${LANG_JAPANESE} "インストーラーの言語"
LangString VB_LANG_INFO ${LANG_JAPANESE} "言語を選択してください。"
LangString VB_FINISH_RUN ${LANG_JAPANESE} "${PRODUCT} を今すぐ起動する"
LangString VB_STILL_RUNNING ${LANG_JAPANESE} "${PRODUCT} はまだ実行中で、終了を要求しても終了しませんでした。$\r$\n$\r$\n通知領域のメニュー (終了) またはタスク マネージャーで終了してから、[再試行] を選んでください。[キャンセル] を選ぶと、何も変更せずにここで中止します。"
LangString VB_NOTHING_CHANGED ${LANG_JAPANESE} "${PRODUCT} はまだ実行中です。何も変更されていません。"
LangString VB_REMOVE_SETTINGS ${LANG_JAPANESE} "設定を削除する"
