; The Windows setup program: per user, without administrator rights, so that the settings
; file beside the program stays writable.
; makensis -DVERSION=x.y.z -DEXE=LumenKorvo.exe -DREADME=README.md -DICON=app.ico -DOUTFILE=setup.exe installer.nsi
; Switches: /S silent; /FILETYPES also opens the file types with the program (silent too);
; /KEEPSETTINGS (uninstaller) keeps the settings file. A silent uninstall removes it.

; 64-bit like the program it installs.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "nsDialogs.nsh"
!include "WinMessages.nsh"

!define PRODUCT "LUMEN KORVO 2000"
!define EXE_NAME "LumenKorvo.exe"
!define SETTINGS_FILE "LUMEN KORVO.ini"
; The list the player remembers beside its settings, and the one it replaced.
!define REMEMBERED_LIST "LUMEN KORVO.m3u8"
!define REMEMBERED_LIST_BEFORE "LUMEN KORVO.1.m3u8"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define CLASSES "Software\Classes"
; The same type names the program's own registration writes.
!define AUDIO_TYPE "LUMEN KORVO MPEG Audio File"
!define LIST_TYPE "LUMEN KORVO Playlist File"
!define AUDIO_ICON 13
!define LIST_ICON 14
!define FILETYPES_TEXT "Open MP3, MP2, MP1, PLS and M3U files with ${PRODUCT}"
!define FILETYPES_TITLE "File types"
!define FILETYPES_SUBTITLE "Which files should open with ${PRODUCT} when you double-click them?"
!define FILETYPES_NOTE "This changes the file types for you only. The player's preferences can register them again later."
!define SETTINGS_QUESTION "Delete your ${PRODUCT} settings (${SETTINGS_FILE}) and its remembered playlist too?"
; The player's main window, asked to close before anything is removed.
!define MAIN_WINDOW_CLASS "LUMEN KORVOMainWindow"
!define CLOSE_WAIT_MS 5000
!define /ifndef SYNCHRONIZE 0x00100000
!define CLOSE_ROUNDS 8
!define STILL_RUNNING_TEXT "${PRODUCT} is still running and did not close. Close it, then uninstall again. Nothing was removed."
!define STILL_RUNNING_EXIT 2

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "LegalCopyright" "${PRODUCT} developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom FileTypesPage FileTypesPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE_NAME}"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "/oname=${EXE_NAME}" "${EXE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE_NAME}" "" "$INSTDIR\${EXE_NAME}" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT} developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE_NAME},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

!macro RegisterType TYPE ICON_INDEX
  WriteRegStr HKCU "${CLASSES}\${TYPE}" "" "${TYPE}"
  WriteRegStr HKCU "${CLASSES}\${TYPE}\DefaultIcon" "" "$INSTDIR\${EXE_NAME},${ICON_INDEX}"
  WriteRegStr HKCU "${CLASSES}\${TYPE}\Shell" "" ""
  WriteRegStr HKCU "${CLASSES}\${TYPE}\Shell\open" "" ""
  WriteRegStr HKCU "${CLASSES}\${TYPE}\Shell\open\command" "" '"$INSTDIR\${EXE_NAME}" "%1"'
!macroend

Section /o "${FILETYPES_TEXT}" SecFileTypes
  !insertmacro RegisterType "${AUDIO_TYPE}" ${AUDIO_ICON}
  !insertmacro RegisterType "${LIST_TYPE}" ${LIST_ICON}
  WriteRegStr HKCU "${CLASSES}\.mp1" "" "${AUDIO_TYPE}"
  WriteRegStr HKCU "${CLASSES}\.mp2" "" "${AUDIO_TYPE}"
  WriteRegStr HKCU "${CLASSES}\.mp3" "" "${AUDIO_TYPE}"
  WriteRegStr HKCU "${CLASSES}\.pls" "" "${LIST_TYPE}"
  WriteRegStr HKCU "${CLASSES}\.m3u" "" "${LIST_TYPE}"
  ; SHCNE_ASSOCCHANGED: the shell shows the new icons at once.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Var FileTypesBox

; The optional page: one box, ticked when /FILETYPES was given.
Function FileTypesPage
  !insertmacro MUI_HEADER_TEXT "${FILETYPES_TITLE}" "${FILETYPES_SUBTITLE}"
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateCheckbox} 0 0 100% 12u "${FILETYPES_TEXT}"
  Pop $FileTypesBox
  ${If} ${SectionIsSelected} ${SecFileTypes}
    ${NSD_Check} $FileTypesBox
  ${EndIf}
  ${NSD_CreateLabel} 0 20u 100% 24u "${FILETYPES_NOTE}"
  Pop $0
  ${NSD_SetFocus} $FileTypesBox
  nsDialogs::Show
FunctionEnd

Function FileTypesPageLeave
  ${NSD_GetState} $FileTypesBox $0
  ${If} $0 == ${BST_CHECKED}
    SectionSetFlags ${SecFileTypes} ${SF_SELECTED}
  ${Else}
    SectionSetFlags ${SecFileTypes} 0
  ${EndIf}
FunctionEnd

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/FILETYPES" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecFileTypes} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

; Asks every running player to close (WM_CLOSE) and waits up to 5 s for each to end, so that
; its settings are written before they are removed. $0: 1 when none runs any more.
Function un.ClosePlayers
  StrCpy $0 0
  StrCpy $1 0
  ${Do}
    FindWindow $2 "${MAIN_WINDOW_CLASS}"
    ${If} $2 == 0
      StrCpy $0 1
      Return
    ${EndIf}
    ; more players than this, or one that keeps coming back, is not waited for
    ${If} $1 >= ${CLOSE_ROUNDS}
      Return
    ${EndIf}
    IntOp $1 $1 + 1
    System::Call 'user32::GetWindowThreadProcessId(p $2, *i .r3)'
    System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i $3) p .r4'
    System::Call 'user32::PostMessage(p $2, i ${WM_CLOSE}, p 0, p 0)'
    ${If} $4 P<> 0
      System::Call 'kernel32::WaitForSingleObject(p $4, i ${CLOSE_WAIT_MS}) i .r5'
      System::Call 'kernel32::CloseHandle(p $4)'
      ${If} $5 != 0
        Return
      ${EndIf}
    ${Else}
      ; no hold on the process: watch its window instead
      StrCpy $5 0
      ${DoWhile} $5 < ${CLOSE_WAIT_MS}
        IsWindow $2 0 gone
        Sleep 100
        IntOp $5 $5 + 100
      ${Loop}
      Return
      gone:
    ${EndIf}
  ${Loop}
FunctionEnd

; Nothing has been removed yet: say so and stop (silently: exit code 2).
Function un.StopStillRunning
  MessageBox MB_OK|MB_ICONSTOP "${STILL_RUNNING_TEXT}" /SD IDOK
  SetErrorLevel ${STILL_RUNNING_EXIT}
  Quit
FunctionEnd

; An extension is given back only while it still names this program's type: its default value
; goes, and the key only when no value or subkey of another program is left in it.
!macro UnregisterExtension ROOT EXT TYPE
  ReadRegStr $0 ${ROOT} "${CLASSES}\${EXT}" ""
  ${If} $0 == "${TYPE}"
    DeleteRegValue ${ROOT} "${CLASSES}\${EXT}" ""
    EnumRegValue $1 ${ROOT} "${CLASSES}\${EXT}" 0
    EnumRegKey $2 ${ROOT} "${CLASSES}\${EXT}" 0
    ${If} $1 == ""
    ${AndIf} $2 == ""
      DeleteRegKey ${ROOT} "${CLASSES}\${EXT}"
    ${EndIf}
  ${EndIf}
!macroend

; The setup program writes the user's classes; the preferences' registration writes the
; machine's when it may (HKEY_CLASSES_ROOT), else the user's.
!macro UnregisterTypes ROOT
  !insertmacro UnregisterExtension ${ROOT} ".mp1" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ${ROOT} ".mp2" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ${ROOT} ".mp3" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ${ROOT} ".pls" "${LIST_TYPE}"
  !insertmacro UnregisterExtension ${ROOT} ".m3u" "${LIST_TYPE}"
  DeleteRegKey ${ROOT} "${CLASSES}\${AUDIO_TYPE}"
  DeleteRegKey ${ROOT} "${CLASSES}\${LIST_TYPE}"
!macroend

Section "Uninstall"
  SetShellVarContext current
  Call un.ClosePlayers
  ${If} $0 != 1
    Call un.StopStillRunning
  ${EndIf}
  Delete "$INSTDIR\${EXE_NAME}"
  ; a player started meanwhile holds its file
  ${If} ${FileExists} "$INSTDIR\${EXE_NAME}"
    Call un.StopStillRunning
  ${EndIf}
  Delete "$INSTDIR\README.txt"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/KEEPSETTINGS" $R1
  ${If} ${Errors}
  ${AndIf} ${FileExists} "$INSTDIR\${SETTINGS_FILE}"
    MessageBox MB_YESNO|MB_ICONQUESTION "${SETTINGS_QUESTION}" /SD IDYES IDNO keep
    Delete "$INSTDIR\${SETTINGS_FILE}"
    Delete "$INSTDIR\${REMEMBERED_LIST}"
    Delete "$INSTDIR\${REMEMBERED_LIST_BEFORE}"
    keep:
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro UnregisterTypes HKCU
  !insertmacro UnregisterTypes HKLM
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
