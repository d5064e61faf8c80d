; Zenthar setup: the window and console programs, the help page, the Start menu, the uninstall
; entry, and an uninstaller that takes away everything the setup or the program wrote.
; Built by `make dist`: makensis -DBUILD_DIR=<build tree> -DOUTFILE=<setup.exe> installer/Zenthar.nsi
; Silent: Setup.exe /S [/D=folder] [/DESKTOP=1] [/STARTUP=1];  uninstall.exe /S keeps the data folder.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!ifndef BUILD_DIR
  !error "BUILD_DIR must name the build tree (makensis -DBUILD_DIR=...)"
!endif
!include "${BUILD_DIR}/generated/version.nsh"   ; ZENTHAR_VERSION, from the project's one version
!ifndef OUTFILE
  !define OUTFILE "${BUILD_DIR}/Zenthar-Setup-${ZENTHAR_VERSION}.exe"
!endif

!define PRODUCT      "Zenthar"
!define PUBLISHER    "Zenthar"
!define UNINST_KEY   "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zenthar"
!define RUN_KEY      "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Zenthar"
; The programs keep their ignore list, undo files and backups in %APPDATA%\Zenthar whatever folder
; they start in; the shortcuts start them there too, so that the folder exists from the setup on.
!define DATA_DIR     "$APPDATA\Zenthar"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

Name "${PRODUCT} ${ZENTHAR_VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Zenthar"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${ZENTHAR_VERSION}"
VIProductVersion "${ZENTHAR_VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${ZENTHAR_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${ZENTHAR_VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_ICON   "${NSISDIR}/Contrib/Graphics/Icons/modern-install.ico"
!define MUI_UNICON "${NSISDIR}/Contrib/Graphics/Icons/modern-uninstall.ico"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Zenthar.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Zenthar now"
!define MUI_FINISHPAGE_RUN_FUNCTION StartInDataFolder
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var RunData   ; the start-with-Windows data, exactly as the program's own option writes it

; The program writes its own full path, in quotes when the path holds a blank.
!macro QuoteIfBlank RESULT PATH
  Push $0
  Push $1
  StrCpy ${RESULT} "${PATH}"
  StrCpy $0 0
  ${Do}
    StrCpy $1 "${PATH}" 1 $0
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    ${If} $1 == " "
      StrCpy ${RESULT} '"${PATH}"'
      ${ExitDo}
    ${EndIf}
    IntOp $0 $0 + 1
  ${Loop}
  Pop $1
  Pop $0
!macroend

Section "Zenthar (required)" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BUILD_DIR}/Zenthar.exe"
  File "${BUILD_DIR}/zenthar-cli.exe"
  File "${BUILD_DIR}/generated/ZentharHelp.html"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${DATA_DIR}"
  ; A shortcut takes the current output folder as its working folder.
  SetOutPath "${DATA_DIR}"
  CreateDirectory "$SMPROGRAMS\Zenthar"
  CreateShortCut "$SMPROGRAMS\Zenthar\Zenthar.lnk" "$INSTDIR\Zenthar.exe" "" "$INSTDIR\Zenthar.exe" 0
  CreateShortCut "$SMPROGRAMS\Zenthar\Zenthar Help.lnk" "$INSTDIR\ZentharHelp.html"
  CreateShortCut "$SMPROGRAMS\Zenthar\Uninstall Zenthar.lnk" "$INSTDIR\uninstall.exe" "" "$INSTDIR\uninstall.exe" 0
  SetOutPath "$INSTDIR"

  WriteRegStr   HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr   HKLM "${UNINST_KEY}" "DisplayVersion" "${ZENTHAR_VERSION}"
  WriteRegStr   HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr   HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Zenthar.exe,0"
  WriteRegStr   HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr   HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr   HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  SetShellVarContext all
  SetOutPath "${DATA_DIR}"
  CreateShortCut "$DESKTOP\Zenthar.lnk" "$INSTDIR\Zenthar.exe" "" "$INSTDIR\Zenthar.exe" 0
  SetOutPath "$INSTDIR"
SectionEnd

Section /o "Start Zenthar with Windows" SecStartup
  !insertmacro QuoteIfBlank $RunData "$INSTDIR\Zenthar.exe"
  ; As the program writes it where no logon task can be kept: the window starts in the tray.
  WriteRegStr HKLM "${RUN_KEY}" "Zenthar" "$RunData /tray"
SectionEnd

; Unticking the option on an upgrade takes the old value away, as the program's own switch does.
Section "-startup off"
  ${IfNot} ${SectionIsSelected} ${SecStartup}
    DeleteRegValue HKLM "${RUN_KEY}" "Zenthar"
  ${EndIf}
SectionEnd

Function .onInit
  SetShellVarContext all
  ; An upgrade keeps what the user chose: the start-with-Windows option stays as it is.
  ReadRegStr $0 HKLM "${RUN_KEY}" "Zenthar"
  ${If} $0 != ""
    !insertmacro SelectSection ${SecStartup}
  ${EndIf}
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/DESKTOP=" $2
  ${IfNot} ${Errors}
    ${If} $2 == "1"
      !insertmacro SelectSection ${SecDesktop}
    ${Else}
      !insertmacro UnselectSection ${SecDesktop}
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $1 "/STARTUP=" $2
  ${IfNot} ${Errors}
    ${If} $2 == "1"
      !insertmacro SelectSection ${SecStartup}
    ${Else}
      !insertmacro UnselectSection ${SecStartup}
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartInDataFolder
  SetOutPath "${DATA_DIR}"
  Exec '"$INSTDIR\Zenthar.exe"'
  SetOutPath "$INSTDIR"
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\Zenthar.exe"
  Delete "$INSTDIR\zenthar-cli.exe"
  Delete "$INSTDIR\ZentharHelp.html"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Zenthar\Zenthar.lnk"
  Delete "$SMPROGRAMS\Zenthar\Zenthar Help.lnk"
  Delete "$SMPROGRAMS\Zenthar\Uninstall Zenthar.lnk"
  RMDir "$SMPROGRAMS\Zenthar"
  Delete "$DESKTOP\Zenthar.lnk"

  DeleteRegValue HKLM "${RUN_KEY}" "Zenthar"
  DeleteRegKey HKLM "${SETTINGS_KEY}"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; Scheduled scans the program made would start a program that is gone.
  Delete "$WINDIR\Tasks\Zenthar*.job"

  ; The data folder holds the user's backups and ignore list: kept unless the user says otherwise
  ; (and always kept in silent mode).
  IfFileExists "${DATA_DIR}\*.*" 0 done
  MessageBox MB_YESNO|MB_ICONQUESTION "Keep your Zenthar data (registry backups, undo files and ignore list) in ${DATA_DIR}?" /SD IDYES IDYES done
  RMDir /r "${DATA_DIR}"
  done:
SectionEnd
