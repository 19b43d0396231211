; The Windows installer of Quillpost: a per-user install, without administrator rights,
; into %LOCALAPPDATA%\Programs\Quillpost. Built by scripts/package with
;   makensis -DVERSION=x.y.z -DBIN=<folder of the binaries> -DICON=<qpost.ico> -DOUT=<folder>
; /S installs or uninstalls silently; /REMOVENOTES with the silent uninstaller also removes
; the notes, which otherwise stay in HKCU\Software\Corkbase.
Unicode true
Target amd64-unicode

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Quillpost"
!define PUBLISHER "Quillpost"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillpost"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define NOTES_KEY "Software\Corkbase"
; Quillpost.Notes, the notes on the screen for scripts: qpost.exe is the class's local server.
!define NOTES_CLSID "{D4419A71-D6F3-407A-8874-505884CD9E98}"
!define CLASSES "Software\Classes"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT}\Quillpost-${VERSION}-x64-setup.exe"
InstallDir "$LOCALAPPDATA\Programs\Quillpost"
RequestExecutionLevel user
SetCompressor /SOLID lzma
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Quillpost setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\qpost.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Quillpost now"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running qpost is asked to end as its Exit ends it (it saves the notes), and given ten
; seconds to do so: its files can then be replaced or removed. One that has not ended
; (waiting for an answer, or hung) would write the notes back and keep its files in use, so
; nothing is changed then: the person is told why, and a silent run exits with 3.
!macro CloseQuillpost
  FindWindow $0 "QuillpostIcon"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=10000
    StrCpy $1 0
    ${Do}
      FindWindow $0 "QuillpostIcon"
      ${If} $0 = 0
      ${OrIf} $1 >= 50
        ${Break}
      ${EndIf}
      Sleep 200
      IntOp $1 $1 + 1
    ${Loop}
    ${If} $0 <> 0
      MessageBox MB_ICONSTOP "Quillpost is still running: it did not end when asked, perhaps because it is waiting for an answer. Nothing has been changed. Close Quillpost, then run this again." /SD IDOK
      SetErrorLevel 3
      Abort
    ${EndIf}
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext current
FunctionEnd

Section "Quillpost" SecProgram
  SectionIn RO
  !insertmacro CloseQuillpost
  SetOutPath "$INSTDIR"
  File "${BIN}\qpost.exe"
  File "${BIN}\Corkbase2.dll"
  ; The library registers itself for this user, from where it is installed.
  ClearErrors
  RegDLL "$INSTDIR\Corkbase2.dll"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Quillpost could not register its note library $INSTDIR\Corkbase2.dll." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  ; As qpost writes it at start; the classes are the 64-bit program's.
  SetRegView 64
  WriteRegStr HKCU "${CLASSES}\CLSID\${NOTES_CLSID}" "" "Quillpost Notes"
  WriteRegStr HKCU "${CLASSES}\CLSID\${NOTES_CLSID}\LocalServer32" "" '"$INSTDIR\qpost.exe"'
  WriteRegStr HKCU "${CLASSES}\CLSID\${NOTES_CLSID}\ProgID" "" "Quillpost.Notes"
  WriteRegStr HKCU "${CLASSES}\Quillpost.Notes" "" "Quillpost Notes"
  WriteRegStr HKCU "${CLASSES}\Quillpost.Notes\CLSID" "" "${NOTES_CLSID}"
  SetRegView lastused
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Quillpost.lnk" "$INSTDIR\qpost.exe" "" "$INSTDIR\qpost.exe" 0
  ; Written again by the next section when it is chosen: an update can turn it off.
  DeleteRegValue HKCU "${RUN_KEY}" "Quillpost"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qpost.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start Quillpost when I sign in" SecRun
  WriteRegStr HKCU "${RUN_KEY}" "Quillpost" '"$INSTDIR\qpost.exe"'
SectionEnd

Section "un.Quillpost" UnSecProgram
  SectionIn RO
  !insertmacro CloseQuillpost
  ; Removes exactly what registration wrote.
  UnRegDLL "$INSTDIR\Corkbase2.dll"
  SetRegView 64
  ; qpost writes the class for whichever copy started last: removed only when it names this
  ; copy, per user and, where activation reads only machine-wide classes (Wine), there too.
  ReadRegStr $0 HKCU "${CLASSES}\CLSID\${NOTES_CLSID}\LocalServer32" ""
  ${If} $0 == '"$INSTDIR\qpost.exe"'
    DeleteRegKey HKCU "${CLASSES}\CLSID\${NOTES_CLSID}"
    DeleteRegKey HKCU "${CLASSES}\Quillpost.Notes"
  ${EndIf}
  ReadRegStr $0 HKLM "${CLASSES}\CLSID\${NOTES_CLSID}\LocalServer32" ""
  ${If} $0 == '"$INSTDIR\qpost.exe"'
    DeleteRegKey HKLM "${CLASSES}\CLSID\${NOTES_CLSID}"
    DeleteRegKey HKLM "${CLASSES}\Quillpost.Notes"
  ${EndIf}
  SetRegView lastused
  Delete "$INSTDIR\qpost.exe"
  Delete "$INSTDIR\Corkbase2.dll"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Quillpost.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Quillpost"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; After the program section: qpost saves its notes as it ends.
Section /o "un.Also remove my notes" UnSecNotes
  DeleteRegKey HKCU "${NOTES_KEY}"
SectionEnd

Function un.onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVENOTES" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${UnSecNotes} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
