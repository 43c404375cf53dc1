; The Windows installer. scripts/windows runs makensis on it with VERSION, SOURCE (the source
; tree), FILES (the list of what to install from the program folder, as the portable zip holds
; it), UNINSTALLER (uninstall.exe, made first from uninstall.nsi) and OUTFILE.
;
; For everyone (administrator rights): <Program Files>\ZURORUVE; for the user alone, without
; administrator rights: %LOCALAPPDATA%\Programs\ZURORUVE. Either way the programs go to its bin
; folder and beside that folder share\metainfo\org.zuroruve.Zuroruve.metainfo.xml, as on Linux,
; which tells the programs they are installed: they keep the user's files in %APPDATA%\ZURORUVE.
; Nothing is changed while a ZURORUVE program runs. Command line: /S silent, /AllUsers or
; /CurrentUser, /DesktopShortcut (silent only; the finish page offers it otherwise), /D=folder.

!include "common.nsh" ; makensis works in the script's folder

; Administrators are asked once by Windows and then choose; other users install for themselves.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "ZURORUVE"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${REMEMBERED}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${REMEMBERED}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallDir"
!define MULTIUSER_NOUNINSTALL ; the uninstaller is uninstall.nsi's
!include MultiUser.nsh
!include MUI2.nsh

OutFile "${OUTFILE}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} setup"

Var UserFiles ; where the programs keep the user's files

!define MUI_WELCOMEPAGE_TEXT "Setup installs ZURORUVE ${VERSION}: the window that reads out ZELM \
    data loggers, ZELM Report Viewer for the kept downloads, and zelm-download and zelm-decode \
    for the command prompt.$\r$\n$\r$\nClose every ZURORUVE program before you go on.\
    $\r$\n$\r$\n$_CLICK"
!define MUI_LICENSEPAGE_BUTTON $(^NextBtn)
!define MUI_LICENSEPAGE_TEXT_BOTTOM "ZURORUVE is free software: you may use it for any purpose, \
    and share and change it on these terms."
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Install ZURORUVE for everyone who uses this computer \
    (into Program Files), or for you alone, without administrator rights (into your own \
    programs folder). Either way each user's files are kept in their own folder."
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "ZURORUVE is installed. It keeps your files (its settings, every \
    download, the decoded reports) in your own folder:$\r$\n$\r$\n$UserFiles$\r$\n$\r$\n\
    Uninstalling ZURORUVE leaves that folder as it is."
!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\zuroruve.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ZURORUVE"
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Put ZURORUVE on the desktop"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION DesktopShortcut
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/LICENSE"
!define MULTIUSER_PAGE_CUSTOMFUNCTION_SHOW FocusOnChoice
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

!insertmacro CHECK_RUNNING ""

Function .onInit
    SetRegView 64
    !insertmacro MULTIUSER_INIT
    ReadEnvStr $UserFiles APPDATA
    StrCpy $UserFiles "$UserFiles\ZURORUVE"
    Call CheckRunning
FunctionEnd

; The choice takes the focus, not Cancel, so that Return goes on.
Function FocusOnChoice
    ${If} $MultiUser.InstallMode == "AllUsers"
        ${NSD_SetFocus} $MultiUser.InstallModePage.AllUsers
    ${Else}
        ${NSD_SetFocus} $MultiUser.InstallModePage.CurrentUser
    ${EndIf}
FunctionEnd

Function DesktopShortcut
    SetOutPath "$INSTDIR\bin" ; the shortcut's working folder
    CreateShortcut "$DESKTOP\ZURORUVE.lnk" "$INSTDIR\bin\zuroruve.exe"
FunctionEnd

Section "ZURORUVE"
    Call CheckRunning ; again: one may have been started since
    SetOutPath "$INSTDIR\bin"
    !include "${FILES}"
    SetOutPath "$INSTDIR\share\metainfo"
    File "${SOURCE}/deploy/linux/org.zuroruve.Zuroruve.metainfo.xml"
    SetOutPath "$INSTDIR"
    File "/oname=uninstall.exe" "${UNINSTALLER}"

    SetOutPath "$INSTDIR\bin" ; the shortcuts' working folder
    CreateShortcut "$SMPROGRAMS\ZURORUVE.lnk" "$INSTDIR\bin\zuroruve.exe"
    CreateShortcut "$SMPROGRAMS\ZELM Report Viewer.lnk" "$INSTDIR\bin\zelm-view.exe"
    ${If} ${Silent}
        ${GetParameters} $0
        ClearErrors
        ${GetOptions} $0 "/DesktopShortcut" $1
        ${IfNot} ${Errors}
            Call DesktopShortcut
        ${EndIf}
    ${EndIf}

    ; In HKLM for everyone, in HKCU for the user alone.
    WriteRegStr SHCTX "${REMEMBERED}" "InstallDir" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL}" "DisplayName" "${NAME}"
    WriteRegStr SHCTX "${UNINSTALL}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL}" "DisplayIcon" "$INSTDIR\bin\zuroruve.exe,0"
    WriteRegStr SHCTX "${UNINSTALL}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL}" "URLInfoAbout" "https://zuroruve.org/"
    WriteRegStr SHCTX "${UNINSTALL}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr SHCTX "${UNINSTALL}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD SHCTX "${UNINSTALL}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL}" "EstimatedSize" $0
SectionEnd
