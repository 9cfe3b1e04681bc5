; Installer of kwf-tqv for Windows: the program folder in Program Files, a Start-menu entry and
; an uninstaller. makensis -DVERSION=1.0.6 -DSTAGE=<folder of the portable copy> -DOUTFILE=<setup.exe>
; Silent with /S.
Unicode true
Target amd64-unicode
!include "MUI2.nsh"

Name "KWF TQV ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\kwf-tqv"
InstallDirRegKey HKLM "Software\kwf-tqv" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kwf-tqv"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Section "KWF TQV"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}\*.*"
  WriteUninstaller "$INSTDIR\desinstaller.exe"
  CreateDirectory "$SMPROGRAMS\KWF TQV"
  CreateShortcut "$SMPROGRAMS\KWF TQV\KWF TQV.lnk" "$INSTDIR\kwf-tqv.exe"
  CreateShortcut "$SMPROGRAMS\KWF TQV\Guide de l'utilisateur.lnk" "$INSTDIR\KWF_TQV.doc"
  CreateShortcut "$SMPROGRAMS\KWF TQV\Désinstaller KWF TQV.lnk" "$INSTDIR\desinstaller.exe"
  WriteRegStr HKLM "Software\kwf-tqv" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "KWF TQV"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Service technique"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kwf-tqv.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\desinstaller.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\desinstaller.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  RMDir /r "$SMPROGRAMS\KWF TQV"
  ; The program's own files only: a configuration saved beside it by an administrator stays.
  Delete "$INSTDIR\kwf-tqv.exe"
  Delete "$INSTDIR\kwf-tqvctl.exe"
  Delete "$INSTDIR\KWF_TQV.doc"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  RMDir /r "$INSTDIR\platforms"
  RMDir /r "$INSTDIR\styles"
  RMDir /r "$INSTDIR\translations"
  Delete "$INSTDIR\desinstaller.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\kwf-tqv"
SectionEnd
