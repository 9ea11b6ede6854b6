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

!define PRODUCT "LUMEN KORVO 2000"
!define EXE_NAME "LumenKorvo.exe"
!define SETTINGS_FILE "LUMEN KORVO.ini"
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
!define SETTINGS_QUESTION "Delete your ${PRODUCT} settings (${SETTINGS_FILE}) too?"

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

; An extension is given back only while it still names this program's type.
!macro UnregisterExtension EXT TYPE
  ReadRegStr $0 HKCU "${CLASSES}\${EXT}" ""
  ${If} $0 == "${TYPE}"
    DeleteRegKey HKCU "${CLASSES}\${EXT}"
  ${EndIf}
!macroend

Section "Uninstall"
  SetShellVarContext current
  Delete "$INSTDIR\${EXE_NAME}"
  Delete "$INSTDIR\README.txt"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/KEEPSETTINGS" $R1
  ${If} ${Errors}
  ${AndIf} ${FileExists} "$INSTDIR\${SETTINGS_FILE}"
    MessageBox MB_YESNO|MB_ICONQUESTION "${SETTINGS_QUESTION}" /SD IDYES IDNO keep
    Delete "$INSTDIR\${SETTINGS_FILE}"
    keep:
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"

  !insertmacro UnregisterExtension ".mp1" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ".mp2" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ".mp3" "${AUDIO_TYPE}"
  !insertmacro UnregisterExtension ".pls" "${LIST_TYPE}"
  !insertmacro UnregisterExtension ".m3u" "${LIST_TYPE}"
  DeleteRegKey HKCU "${CLASSES}\${AUDIO_TYPE}"
  DeleteRegKey HKCU "${CLASSES}\${LIST_TYPE}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
