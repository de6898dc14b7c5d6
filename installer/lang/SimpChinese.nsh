; The installer's own texts in Simplified Chinese (see English.nsh).
LangString VB_LANG_TITLE ${LANG_SIMPCHINESE} "安装程序语言"
LangString VB_LANG_INFO ${LANG_SIMPCHINESE} "请选择一种语言。"
LangString VB_FINISH_RUN ${LANG_SIMPCHINESE} "立即启动 ${PRODUCT}"
LangString VB_STILL_RUNNING ${LANG_SIMPCHINESE} "${PRODUCT} 仍在运行，请求结束后没有结束。$\r$\n$\r$\n请从它的通知区域菜单(退出)或用任务管理器结束它，然后选择“重试”。选择“取消”将在此停止，不做任何更改。"
LangString VB_NOTHING_CHANGED ${LANG_SIMPCHINESE} "${PRODUCT} 仍在运行；未做任何更改。"
LangString VB_REMOVE_SETTINGS ${LANG_SIMPCHINESE} "删除我的设置"
