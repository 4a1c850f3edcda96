; The same install, written for NSIS, as a yardstick for our stub's size and
; start-up. makensis -DAPP_FILE=... -DPAYLOAD_DIR=... -DLICENCE=... -DOUTFILE=...
; Classic pages, ANSI, like ours; stored uncompressed so that the file size
; minus the payload is the stub's own overhead (-DCOMPRESSED: solid LZMA).
Unicode false
!ifdef COMPRESSED
  SetCompressor /SOLID lzma
!else
  SetCompress off
!endif
Name "Corvanta"
Caption "Corvanta Setup"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Tolmera"
RequestExecutionLevel admin
LicenseData "${LICENCE}"
LicenseForceSelection radiobuttons "Yes,I Accept" "NO,I Do'nt Accept"

Page license
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Corvanta"

Section
  SetOutPath "$INSTDIR"
  File "/oname=Tolmera.exe" "${APP_FILE}"
  File "${PAYLOAD_DIR}/misuc.dat"
  File "${PAYLOAD_DIR}/readme.chm"
  File "${PAYLOAD_DIR}/orderform.htm"
  File "${PAYLOAD_DIR}/Tolmera.xml"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Corvanta"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "SOFTWARE\tolmera" "exepath" "$INSTDIR\"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$DESKTOP\Corvanta.lnk" "$INSTDIR\Tolmera.exe"
  CreateShortCut "$DESKTOP\Readme.lnk" "$INSTDIR\readme.chm"
  CreateShortCut "$STARTMENU\Corvanta.lnk" "$INSTDIR\Tolmera.exe"
  CreateDirectory "$SMPROGRAMS\Tolmera"
  CreateShortCut "$SMPROGRAMS\Tolmera\Corvanta.lnk" "$INSTDIR\Tolmera.exe"
  CreateShortCut "$SMPROGRAMS\Tolmera\Readme.lnk" "$INSTDIR\readme.chm"
  CreateShortCut "$SMPROGRAMS\Tolmera\Uninstall.lnk" "$INSTDIR\uninstall.exe"
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\Tolmera.exe"
  Delete "$INSTDIR\misuc.dat"
  Delete "$INSTDIR\readme.chm"
  Delete "$INSTDIR\orderform.htm"
  Delete "$INSTDIR\Tolmera.xml"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$DESKTOP\Corvanta.lnk"
  Delete "$DESKTOP\Readme.lnk"
  Delete "$STARTMENU\Corvanta.lnk"
  Delete "$SMPROGRAMS\Tolmera\Corvanta.lnk"
  Delete "$SMPROGRAMS\Tolmera\Readme.lnk"
  Delete "$SMPROGRAMS\Tolmera\Uninstall.lnk"
  RMDir "$SMPROGRAMS\Tolmera"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "SOFTWARE\tolmera"
SectionEnd
