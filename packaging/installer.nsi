; The Windows installer: puts the module into the plug-in folder that After Effects
; and Premiere Pro share, for all users, writes an uninstaller beside it and lists it
; among the system's installed programs. A later version installs over an earlier one
; in place: the folder, the uninstaller and the list entry keep their names.
;
;   makensis -DVERSION=1.0.0 -DBUILD=1 -DMODULE=<Trevane_Velmora.aex> -DOUTFILE=<setup.exe>
;            [-DOFX_BINARY=<Velmora.ofx.bundle/Contents/Win64/Velmora.ofx>] installer.nsi
;
; With OFX_BINARY it also installs the OFX bundle into the standard OFX folder of
; Common Files, where OFX hosts look, and the uninstaller removes it.
;
; /S installs silently; the uninstaller takes /S as well.

Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ManifestSupportedOS all

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define PRODUCT "Velmora"
!define PUBLISHER "Trevane"
!define MODULE_FILE "Trevane_Velmora.aex"
!define UNINSTALLER "Uninstall Velmora.exe"
; Without the version, so that an upgrade replaces the entry instead of adding one.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Trevane Velmora"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
; The hosts look for plug-ins in the 64-bit Program Files only. An earlier
; installation is upgraded where it is.
!define HOSTS_PLUGIN_FOLDER "$PROGRAMFILES64\Adobe\Common\Plug-ins\7.0\MediaCore"
!define HAND_COPIED_MODULE "${HOSTS_PLUGIN_FOLDER}\${MODULE_FILE}"
InstallDir "${HOSTS_PLUGIN_FOLDER}\Trevane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION}.${BUILD}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Copyright 2026 ${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

!define CLOSE_HOSTS "Close After Effects and Premiere Pro before you continue: a host that is running keeps the module open."

!define MUI_WELCOMEPAGE_TEXT "Setup will install ${PRODUCT} ${VERSION}, the colour-correction effect for After Effects and Premiere Pro, for all users of this computer.$\r$\n$\r$\n${CLOSE_HOSTS}$\r$\n$\r$\nClick Next to continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "${PRODUCT} ${VERSION} is installed in$\r$\n$INSTDIR$\r$\n$\r$\nStart After Effects or Premiere Pro: the effect is under Effect > Trevane > Trevane Velmora (in Premiere Pro: Video Effects > Trevane)."
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "${PRODUCT} will be removed from the folder below.$\r$\n${CLOSE_HOSTS}"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A host that has loaded the module keeps it from being replaced or deleted. Ask the
; user to close the hosts and retry, rather than fail halfway; a silent run gives up
; with nothing changed.
!macro WAIT_UNTIL_FREE file
  ${If} ${FileExists} "${file}"
    ${Do}
      ClearErrors
      FileOpen $0 "${file}" a
      ${IfNot} ${Errors}
        FileClose $0
        ${Break}
      ${EndIf}
      ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${file} is in use.$\r$\n$\r$\n${CLOSE_HOSTS}" /SD IDCANCEL IDRETRY`
        SetErrorLevel 2
        Abort "The module is in use by a host."
      ${EndIf}
    ${Loop}
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

!ifdef OFX_BINARY
!define OFX_BUNDLE "$COMMONFILES64\OFX\Plugins\Velmora.ofx.bundle"
!define OFX_FILE "${OFX_BUNDLE}\Contents\Win64\Velmora.ofx"
!endif

Section "Velmora"
  !insertmacro WAIT_UNTIL_FREE "$INSTDIR\${MODULE_FILE}"
!ifdef OFX_BINARY
  !insertmacro WAIT_UNTIL_FREE "${OFX_FILE}"
!endif
  ; A copy installed by hand into the hosts' folder itself would be loaded beside this
  ; one and list the effect twice.
  !insertmacro WAIT_UNTIL_FREE "${HAND_COPIED_MODULE}"
  Delete "${HAND_COPIED_MODULE}"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  File "/oname=${MODULE_FILE}" "${MODULE}"
!ifdef OFX_BINARY
  SetOutPath "${OFX_BUNDLE}\Contents\Win64"
  File "/oname=Velmora.ofx" "${OFX_BINARY}"
  SetOutPath "$INSTDIR"
!endif
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The folder may hold other effects of the same maker: only this product's files go,
; and the folder only when nothing else is left in it. The entry goes last, so that an
; interrupted removal can be run again from the list.
Section "Uninstall"
  !insertmacro WAIT_UNTIL_FREE "$INSTDIR\${MODULE_FILE}"
  Delete "$INSTDIR\${MODULE_FILE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
!ifdef OFX_BINARY
  ; The bundle's folders only when nothing else is in them; the OFX folder stays.
  !insertmacro WAIT_UNTIL_FREE "${OFX_FILE}"
  Delete "${OFX_FILE}"
  RMDir "${OFX_BUNDLE}\Contents\Win64"
  RMDir "${OFX_BUNDLE}\Contents"
  RMDir "${OFX_BUNDLE}"
!endif
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
