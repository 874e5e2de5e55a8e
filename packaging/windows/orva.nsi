; The ORVA installer: a per-user installation that needs no administrator
; rights, into %LOCALAPPDATA%\Programs\ORVA, with Start-menu shortcuts and an
; entry in the list of installed programs. The uninstaller removes the
; programs it installed and keeps the user's data (%LOCALAPPDATA%\ORVA).
; makensis -DVERSION=... -DSAIDA=<setup.exe> -DICONE=<.ico> -DLISTA=<arquivos.nsh> -DTAMANHO_KB=... orva.nsi
; arquivos.nsh (written by scripts/windows.sh from the staged program folder)
; defines the macros that install and remove exactly the staged files.
; A 64-bit installer for 64-bit programs (and for a Wine without 32-bit support).
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "${LISTA}"

!macro ORVA_MARCA pasta
  FileOpen $0 "${pasta}\ORVA-instalado.txt" w
  FileWrite $0 "Programas do ORVA instalados por usuario.$\r$\n"
  FileWrite $0 "Os dados (orva.mdb, comprovantes, copias de seguranca) ficam em %LOCALAPPDATA%\ORVA.$\r$\n"
  FileClose $0
!macroend

!define UNINSTKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ORVA"

Name "ORVA ${VERSION}"
OutFile "${SAIDA}"
InstallDir "$LOCALAPPDATA\Programs\ORVA"
InstallDirRegKey HKCU "${UNINSTKEY}" "InstallLocation"
Icon "${ICONE}"
UninstallIcon "${ICONE}"
BrandingText "ORVA ${VERSION}"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1046 "ProductName" "ORVA"
VIAddVersionKey /LANG=1046 "FileDescription" "Instalação do ORVA"
VIAddVersionKey /LANG=1046 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1046 "CompanyName" "Equipe ORVA"
VIAddVersionKey /LANG=1046 "LegalCopyright" "Equipe ORVA"

!include "MUI2.nsh"
!define MUI_ICON "${ICONE}"
!define MUI_UNICON "${ICONE}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Orva.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Abrir o ORVA"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "PortugueseBR"

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

Section "ORVA"
  SetOutPath "$INSTDIR"
  !insertmacro ORVA_ARQUIVOS_INSTALA
  ; The mark that makes the programs keep their data in the user's own
  ; folder, not beside the programs.
  !insertmacro ORVA_MARCA "$INSTDIR"
  !insertmacro ORVA_MARCA "$INSTDIR\ClienteOrvaDATP"
  WriteUninstaller "$INSTDIR\Desinstalar.exe"

  CreateShortcut "$SMPROGRAMS\ORVA.lnk" "$INSTDIR\Orva.exe" "" "$INSTDIR\Orva.exe" 0
  CreateShortcut "$SMPROGRAMS\Cliente ORVA.lnk" "$INSTDIR\ClienteOrvaDATP\ClienteORVA.exe" "" \
    "$INSTDIR\ClienteOrvaDATP\ClienteORVA.exe" 0

  WriteRegStr HKCU "${UNINSTKEY}" "DisplayName" "ORVA"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTKEY}" "Publisher" "Equipe ORVA"
  WriteRegStr HKCU "${UNINSTKEY}" "DisplayIcon" "$INSTDIR\Orva.exe,0"
  WriteRegStr HKCU "${UNINSTKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTKEY}" "UninstallString" '"$INSTDIR\Desinstalar.exe"'
  WriteRegStr HKCU "${UNINSTKEY}" "QuietUninstallString" '"$INSTDIR\Desinstalar.exe" /S'
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "NoRepair" 1
  WriteRegDWORD HKCU "${UNINSTKEY}" "EstimatedSize" ${TAMANHO_KB}
SectionEnd

Section "Uninstall"
  ; Only what the installer put here goes: a database, receipts or backups
  ; in this folder (a copy used as a program folder) stay.
  !insertmacro ORVA_ARQUIVOS_REMOVE
  Delete "$INSTDIR\ORVA-instalado.txt"
  Delete "$INSTDIR\ClienteOrvaDATP\ORVA-instalado.txt"
  Delete "$INSTDIR\Desinstalar.exe"
  !insertmacro ORVA_PASTAS_REMOVE
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\ORVA.lnk"
  Delete "$SMPROGRAMS\Cliente ORVA.lnk"
  DeleteRegKey HKCU "${UNINSTKEY}"
SectionEnd
