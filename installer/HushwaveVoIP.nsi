; Hushwave VoIP setup. Built by installer/CMakeLists.txt, which passes:
;   VERSION  the product version (0.8.0)
;   TARGET   x86-unicode, or amd64-unicode for a 64-bit build of the program
;   EXE DLL CHM LICENSE ICON  the files to pack and show
;   OUTFILE  the setup program to write
;
; The install is per user and never asks for elevation: the program runs
; asInvoker and keeps everything it writes under HKEY_CURRENT_USER, so it
; goes to the user's own programs folder rather than Program Files, which a
; standard user cannot write to. The virtual audio driver is not part of it.

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "define ${name} on the makensis command line"
  !endif
!macroend
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE TARGET
!insertmacro REQUIRE_DEFINE EXE
!insertmacro REQUIRE_DEFINE DLL
!insertmacro REQUIRE_DEFINE CHM
!insertmacro REQUIRE_DEFINE LICENSE
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE OUTFILE

Target ${TARGET}
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Hushwave VoIP"
!define COMPANY "Hushwave"
!define PROGRAM "HushwaveVoIP.exe"
!define LIBRARY "hsh.dll"
!define HELPFILE "HushwaveVoIP.CHM"
!define UNINSTALLER "uninstall.exe"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "SOFTWARE\Hushwave\Hushwave VoIP"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "${PRODUCT}"
; Held by the program for as long as it runs (see app/AudioCaptureApp.h).
!define PROGRAM_MUTEX "Global\Hushwave VoIP-{088FA840-B10D-11D3-BC36-006067709674}"
; Exit code of a setup or uninstall refused because the program runs.
!define EXIT_PROGRAM_RUNNING 3

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A reinstall goes where the registered copy is, unless /D= says otherwise.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"

!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The setup's own file properties.
VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "CompanyName" "${COMPANY}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "LegalCopyright" "Copyright © 2026 ${COMPANY}. All rights reserved."

; While the program runs its files are in use and it may rewrite its settings
; at any moment: setup and uninstall both refuse. Silent runs end with a
; non-zero exit code instead of a message box.
!macro REFUSE_WHILE_RUNNING un
Function ${un}RefuseWhileRunning
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${PROGRAM_MUTEX}") p.r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is running.$\r$\n$\r$\nExit it (right-click its icon in the notification area, then Exit) and try again." /SD IDOK
    SetErrorLevel ${EXIT_PROGRAM_RUNNING}
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

Function .onInit
  Call RefuseWhileRunning
FunctionEnd

Function un.onInit
  Call un.RefuseWhileRunning
FunctionEnd

Section "${PRODUCT}"
  SectionIn RO

  ; A copy registered in another folder is replaced by this one: its files
  ; go, and an automatic start at logon now starts this copy.
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} $R0 != $INSTDIR
    Delete "$R0\${PROGRAM}"
    Delete "$R0\${LIBRARY}"
    Delete "$R0\${HELPFILE}"
    Delete "$R0\${UNINSTALLER}"
    RMDir "$R0"
    ReadRegStr $R1 HKCU "${RUN_KEY}" "${RUN_VALUE}"
    ${If} $R1 != ""
      WriteRegStr HKCU "${RUN_KEY}" "${RUN_VALUE}" '"$INSTDIR\${PROGRAM}" /minimize'
    ${EndIf}
  ${EndIf}

  SetOutPath "$INSTDIR"
  File "/oname=${PROGRAM}" "${EXE}"
  File "/oname=${LIBRARY}" "${DLL}"
  File "/oname=${HELPFILE}" "${CHM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; SetOutPath above makes the install folder the shortcut's working folder.
  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0 \
    SW_SHOWNORMAL "" "Noise cancellation between your microphone and your VoIP program"

  ; The current user's Apps (Add/Remove Programs) entry.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "http://www.hushwave.example"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\${PROGRAM}"
  Delete "$INSTDIR\${LIBRARY}"
  Delete "$INSTDIR\${HELPFILE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Not /r: anything else in the folder is the user's.
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"

  DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  ; The company key only when no other product of ours keeps settings there.
  DeleteRegKey /ifempty HKCU "SOFTWARE\Hushwave"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
