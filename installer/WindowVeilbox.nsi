; Window Veilbox installer (NSIS 3, 64-bit Unicode stub).
;
; Built by tools/make-dist.sh, which passes:
;   VB_VERSION  the program version, four numbers (1.0.0.0)
;   VB_STAGE    folder holding bin/Veilbox.exe and license/license.txt, as the program expects them
;   VB_ICON     the program icon
;   VB_OUTFILE  the setup program to write
;
; Command line of the setup program:
;   /S              silent: no pages, the program is not started at the end
;   /CURRENTUSER    install for this user only, even when elevated
;   /D=<folder>     install folder (must come last, NSIS rule)
; Command line of uninstall.exe:
;   /S              silent; the user's settings are kept
;   /REMOVESETTINGS also delete HKCU\Software\Quillfen\Veilbox (the settings page tick box)
; Both end with exit code 2, having changed nothing, when a running copy does not end within
; 10 s of being asked to and the user chooses Cancel (silent mode always does).
;
; Languages: English, German, French, Spanish, Japanese, Simplified Chinese and Russian. The
; setup starts in the language of Windows' display (else English) and offers the others; the
; uninstaller speaks the language the setup was run in. NSIS brings its own texts for each; the
; texts of this script are in installer/lang/<Language>.nsh, one file per language.
;
; Per machine (Program Files, HKLM, all users' Start menu) when the user is an administrator,
; otherwise per user (%LOCALAPPDATA%\Programs, HKCU, the user's Start menu).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel highest

!ifndef VB_VERSION | VB_STAGE | VB_ICON | VB_OUTFILE
  !error "Run tools/make-dist.sh: it defines VB_VERSION, VB_STAGE, VB_ICON and VB_OUTFILE"
!endif

!define PRODUCT      "Window Veilbox"
!define PUBLISHER    "Quillfen"
!define EXE          "Veilbox.exe"
; The main dialog of a running copy: its class and exact title.
!define MAIN_CLASS   "#32770"
!define MAIN_TITLE   "Window Veilbox"
!define UNINST_KEY   "Software\Microsoft\Windows\CurrentVersion\Uninstall\WindowVeilbox"
!define SETTINGS_KEY "Software\Quillfen\Veilbox"
!define STARTUP_LINK "Window Veilbox.lnk"
; How long a running copy may take to end after it was asked to, in milliseconds.
!define QUIT_MS      10000

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

Name "${PRODUCT}"
OutFile "${VB_OUTFILE}"
BrandingText "${PUBLISHER} ${PRODUCT} ${VB_VERSION}"

VIProductVersion "${VB_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VB_VERSION}"
VIAddVersionKey "ProductVersion" "${VB_VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

; ---------------------------------------------------------------------------------------------
; Pages

!define MUI_ICON "${VB_ICON}"
!define MUI_UNICON "${VB_ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "$(VB_FINISH_RUN)"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${VB_STAGE}/license/license.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The language chosen is kept with the Apps entry: an update asks no more, and the uninstaller
; speaks it. Every language is offered, whatever the code page of Windows (a Unicode setup).
!define MUI_LANGDLL_REGISTRY_ROOT SHCTX
!define MUI_LANGDLL_REGISTRY_KEY "${UNINST_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"
!define MUI_LANGDLL_ALLLANGUAGES
!define MUI_LANGDLL_WINDOWTITLE "$(VB_LANG_TITLE)"
!define MUI_LANGDLL_INFO "$(VB_LANG_INFO)"

; English first: it is the language of any text a language file lacks.
!macro VB_LANGUAGE NAME
  !insertmacro MUI_LANGUAGE "${NAME}"
  !include /CHARSET=UTF8 "${__FILEDIR__}\lang\${NAME}.nsh"
!macroend
!insertmacro VB_LANGUAGE "English"
!insertmacro VB_LANGUAGE "German"
!insertmacro VB_LANGUAGE "French"
!insertmacro VB_LANGUAGE "Spanish"
!insertmacro VB_LANGUAGE "Japanese"
!insertmacro VB_LANGUAGE "SimpChinese"
!insertmacro VB_LANGUAGE "Russian"
!insertmacro MUI_RESERVEFILE_LANGDLL

; ---------------------------------------------------------------------------------------------
; Shared by the installer and the uninstaller (NSIS needs an "un." copy of each function).

!macro VB_SHARED_FUNCTIONS UN

; Asks a running copy to quit and waits until it has ended: its main window is gone and $R1 can
; be opened for writing. The request itself is bounded (Veilbox.exe gives up on a copy that does
; not answer within 5 s), and so is the wait: when the copy has not ended QUIT_MS after the
; request, the user is told and chooses Retry (ask and wait again) or Cancel. Cancel, and silent
; mode, which cannot ask, end the setup with exit code 2 before it has changed anything.
;   $R0  the Veilbox.exe to run with the control word (skipped when missing)
;   $R1  the installed Veilbox.exe that is about to be replaced or deleted
;   $R2  the control word: "update" or "uninstall"
Function ${UN}QuitRunningCopy
  Push $R3
  Push $R4
  ${Do}
    System::Call 'kernel32::GetTickCount() i .R3'
    ${If} ${FileExists} "$R0"
      ExecWait '"$R0" $R2'
    ${EndIf}
    ${Do}
      Call ${UN}RunningCopyEnded
      Pop $R4
      ${If} $R4 == 1
        ${Break}
      ${EndIf}
      System::Call 'kernel32::GetTickCount() i .R4'
      IntOp $R4 $R4 - $R3
      ${If} $R4 >= ${QUIT_MS}
        StrCpy $R4 0
        ${Break}
      ${EndIf}
      Sleep 100
    ${Loop}
    ${If} $R4 == 1
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(VB_STILL_RUNNING)" /SD IDCANCEL IDRETRY quit_retry
    DetailPrint "$(VB_NOTHING_CHANGED)"
    SetErrorLevel 2
    Quit
  quit_retry:
  ${Loop}
  Pop $R4
  Pop $R3
FunctionEnd

; Pushes 1 when no copy runs any more: no main window, and $R1 is missing or can be opened for
; writing; else 0.
Function ${UN}RunningCopyEnded
  Push $R5
  FindWindow $R5 "${MAIN_CLASS}" "${MAIN_TITLE}"
  ${If} $R5 != 0
    StrCpy $R5 0
  ${ElseIfNot} ${FileExists} "$R1"
    StrCpy $R5 1
  ${Else}
    ClearErrors
    FileOpen $R5 "$R1" a
    ${If} ${Errors}
      StrCpy $R5 0
    ${Else}
      FileClose $R5
      StrCpy $R5 1
    ${EndIf}
  ${EndIf}
  Exch $R5
FunctionEnd

; Sets $0 to 1 when the command line holds the option on the stack, else 0.
Function ${UN}HasOption
  Exch $R0
  Push $R1
  ${GetParameters} $R1
  ClearErrors
  ${GetOptions} $R1 $R0 $R1
  ${If} ${Errors}
    StrCpy $0 0
  ${Else}
    StrCpy $0 1
  ${EndIf}
  Pop $R1
  Pop $R0
FunctionEnd

!macroend

!insertmacro VB_SHARED_FUNCTIONS ""
!insertmacro VB_SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------------------------
; Installer

Function .onInit
  ; Per machine needs an administrator; /CURRENTUSER asks for a per-user install regardless.
  Push "/CURRENTUSER"
  Call HasOption
  UserInfo::GetAccountType
  Pop $1
  ${If} $0 == 0
  ${AndIf} $1 == "Admin"
    SetShellVarContext all
    StrCpy $2 "$PROGRAMFILES64\${PRODUCT}"
  ${Else}
    SetShellVarContext current
    StrCpy $2 "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
  ; An update goes where the last install went, unless /D= chose a folder.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${UNINST_KEY}" "InstallLocation"
    ${If} $INSTDIR == ""
      StrCpy $INSTDIR $2
    ${EndIf}
  ${EndIf}
  ; Asks for the language unless silent or an earlier install chose one (SHCTX is set above).
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO

  ; Before anything is replaced, a running copy quits and gives back every window it held.
  ; This package's own copy asks (it also ends a portable copy that runs from elsewhere): its
  ; request is bounded, where an older installed copy's might wait for ever on a stuck copy.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${VB_STAGE}/bin/${EXE}"
  StrCpy $R0 "$PLUGINSDIR\${EXE}"
  StrCpy $R1 "$INSTDIR\bin\${EXE}"
  StrCpy $R2 "update"
  Call QuitRunningCopy

  ; The program expects <root>\bin\Veilbox.exe and <root>\license\license.txt.
  SetOutPath "$INSTDIR\license"
  File "${VB_STAGE}/license/license.txt"
  SetOutPath "$INSTDIR\bin"
  File "${VB_STAGE}/bin/${EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The shortcut's working folder is the current output folder, bin.
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\bin\${EXE}" "" "$INSTDIR\bin\${EXE}" 0

  ; The entry of "Apps & features" (HKLM per machine, HKCU per user).
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayVersion" "${VB_VERSION}"
  WriteRegStr SHCTX "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\bin\${EXE},0"
  WriteRegStr SHCTX "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINST_KEY}" "Installer Language" $LANGUAGE
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller

; 1 when the uninstaller removes a per-machine install.
Var MachineWide

Section "un.${PRODUCT}" SecUnProgram
  SectionIn RO

  ; The running copy quits first and shows every window it held.
  StrCpy $R0 "$INSTDIR\bin\${EXE}"
  StrCpy $R1 $R0
  StrCpy $R2 "uninstall"
  Call un.QuitRunningCopy

  ; The program's "start with Windows" shortcut may be in either Startup folder.
  SetShellVarContext current
  Delete "$SMSTARTUP\${STARTUP_LINK}"
  SetShellVarContext all
  Delete "$SMSTARTUP\${STARTUP_LINK}"
  ${If} $MachineWide == 0
    SetShellVarContext current
  ${EndIf}

  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  ; Only our own files go; a folder that holds anything else stays.
  Delete "$INSTDIR\bin\${EXE}"
  Delete "$INSTDIR\license\license.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR\bin"
  RMDir "$INSTDIR\license"
SectionEnd

; Off unless ticked on the components page or /REMOVESETTINGS is given.
Section /o "un.$(VB_REMOVE_SETTINGS)" SecRemoveSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
SectionEnd

; Last of all, so that a vanished install folder means the whole uninstall is done.
Section "-un.Finish"
  ; The entry goes before the folder: once the folder is gone, the uninstall is complete.
  DeleteRegKey SHCTX "${UNINST_KEY}"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ; The install was per machine when the machine-wide entry names this folder.
  ReadRegStr $0 HKLM "${UNINST_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $MachineWide 1
    SetShellVarContext all
  ${Else}
    StrCpy $MachineWide 0
    SetShellVarContext current
  ${EndIf}
  ; The language of the setup that made this install (asked for when not known, unless silent).
  !insertmacro MUI_UNGETLANGUAGE
  Push "/REMOVESETTINGS"
  Call un.HasOption
  ${If} $0 == 1
    !insertmacro SelectSection ${SecRemoveSettings}
  ${EndIf}
FunctionEnd
