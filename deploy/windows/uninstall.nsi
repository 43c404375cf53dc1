; The uninstaller, made on its own so that it carries its own version information: scripts/windows
; runs makensis on it (VERSION, SOURCE, UNFILES: the list of what to remove, OUTFILE) and then the
; result, which only writes uninstall.exe beside itself; zuroruve.nsi installs that file.
;
; It removes what the installer installed and nothing else, never the user's files, and changes
; nothing while a ZURORUVE program runs. Installed for the user alone when the user's own registry
; names its folder, else for everyone.

!include "common.nsh" ; makensis works in the script's folder
!include MUI2.nsh

OutFile "${OUTFILE}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} uninstaller"
RequestExecutionLevel highest
SilentInstall silent

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!insertmacro CHECK_RUNNING "un."

Function .onInit
    WriteUninstaller "$EXEDIR\uninstall.exe"
    SetErrorLevel 0 ; Quit here would otherwise end with 2, as aborted
    Quit
FunctionEnd

Section
SectionEnd

Function un.onInit
    SetRegView 64
    ReadRegStr $0 HKCU "${REMEMBERED}" "InstallDir"
    ${If} $0 == $INSTDIR
        SetShellVarContext current
    ${Else}
        SetShellVarContext all
    ${EndIf}
    Call un.CheckRunning
FunctionEnd

Section "Uninstall"
    Call un.CheckRunning ; again: one may have been started since
    Delete "$SMPROGRAMS\ZURORUVE.lnk"
    Delete "$SMPROGRAMS\ZELM Report Viewer.lnk"
    Delete "$DESKTOP\ZURORUVE.lnk"
    !include "${UNFILES}"
    Delete "$INSTDIR\share\metainfo\org.zuroruve.Zuroruve.metainfo.xml"
    RMDir "$INSTDIR\share\metainfo"
    RMDir "$INSTDIR\share"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR" ; only when empty: what else is there stays
    DeleteRegKey SHCTX "${UNINSTALL}"
    DeleteRegKey SHCTX "${REMEMBERED}"
SectionEnd
