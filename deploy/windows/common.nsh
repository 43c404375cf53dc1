; What the installer (zuroruve.nsi) and the uninstaller (uninstall.nsi) share: names, version
; information, and the check that no ZURORUVE program runs while they change files.

Unicode true
Target amd64-unicode ; a 64-bit Windows (or Wine) may not run the default 32-bit stub
; bzip2: ten times as fast to pack as LZMA, for 2 MB more (10 MB in all)
SetCompressor /SOLID bzip2
ManifestDPIAware true

!include LogicLib.nsh
!include FileFunc.nsh

!define NAME "ZURORUVE"
!define PUBLISHER "ZURORUVE developers"
!define UNINSTALL "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZURORUVE"
!define REMEMBERED "Software\ZURORUVE"
; The mutex each ZURORUVE window program holds while it runs (core/startup.h).
!define RUNNING "ZURORUVE-running"

Name "${NAME} ${VERSION}"
BrandingText "${NAME} ${VERSION}"

!define MUI_ICON "${SOURCE}/app/zuroruve.ico"
!define MUI_UNICON "${SOURCE}/app/zuroruve.ico"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright 2026 The ZURORUVE developers"

Var Running

; Sets Running to 1 where the mutex of that name exists: opened, or denied to this user (another
; user's program holds it).
!macro MUTEX_HELD NAME
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${NAME}") p .s ?e'
    Pop $1 ; the last error
    Pop $0 ; the handle
    ${If} $0 P<> 0
        System::Call 'kernel32::CloseHandle(p r0)'
        StrCpy $Running 1
    ${ElseIf} $1 = 5 ; ERROR_ACCESS_DENIED
        StrCpy $Running 1
    ${EndIf}
!macroend

; UN is "" for the installer, "un." for the uninstaller. Returns once no ZURORUVE program runs: a
; window program holds the mutex (whichever copy, in any session), and any program started from
; $INSTDIR\bin keeps its Qt library open, which then cannot be opened for writing (a sharing
; violation). The user is asked to close them, Retry or Cancel; silent, or on Cancel, it ends with
; exit status 2 and nothing changed.
!macro CHECK_RUNNING UN
Function ${UN}CheckRunning
    ${Do}
        StrCpy $Running 0
        !insertmacro MUTEX_HELD "Global\${RUNNING}"
        !insertmacro MUTEX_HELD "Local\${RUNNING}"
        ${If} ${FileExists} "$INSTDIR\bin\Qt6Core.dll"
            ; GENERIC_WRITE, every sharing mode, OPEN_EXISTING
            System::Call 'kernel32::CreateFileW(w "$INSTDIR\bin\Qt6Core.dll", i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .s ?e'
            Pop $1
            Pop $0
            ${If} $0 P= -1
                ${IfThen} $1 = 32 ${|} StrCpy $Running 1 ${|} ; ERROR_SHARING_VIOLATION
            ${Else}
                System::Call 'kernel32::CloseHandle(p r0)'
            ${EndIf}
        ${EndIf}
        ${If} $Running = 0
            Return
        ${EndIf}
        ${IfNot} ${Silent}
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "A ZURORUVE program is running: ZURORUVE, \
                ZELM Report Viewer, or zelm-download or zelm-decode from $INSTDIR\bin.$\r$\n$\r$\n\
                Close it, then choose Retry. Cancel leaves everything as it is." IDRETRY next
        ${EndIf}
        SetErrorLevel 2
        Quit
        next:
    ${Loop}
FunctionEnd
!macroend
