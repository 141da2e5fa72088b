; Installer of the Gyrelle screen saver, built by CMake (target
; gyrelle_installer) with makensis:
;   makensis -DVERSION=2.2 -DSCR=path/Gyrelle.scr -DICON=path/gyrelle.ico -DOUTFILE=path/setup.exe gyrelle.nsi
;
; Gyrelle.scr goes to the system folder, where the Screen Saver Settings
; list finds it by its file type; the uninstaller sits in Program Files and
; is registered in Add/Remove Programs. The .scr is a 64-bit program, so the
; installer is one too: it sees the real system folder and registry.
;
; The installer runs elevated, and the elevated account need not be the
; user's: a standard user types an administrator's password, or IT deploys
; as SYSTEM. So it changes the machine only (the system folder, HKLM) and
; writes nothing under HKEY_CURRENT_USER: choosing Gyrelle as the screen
; saver is left to the user, in the Screen Saver Settings or with "Install"
; on the .scr's context menu, which run as the user.
;
; A Gyrelle that runs (a saver, the Settings' preview, on any desktop)
; cannot be overwritten, but Windows lets a running program be renamed: the
; old file is moved aside and deleted at the next restart, and the new one
; takes its place at once. Where even that fails, the new file takes the
; name at the next restart. Either way the installer asks for a restart
; (exit code 3010 when silent) and Add/Remove Programs names the version
; that Gyrelle.scr is or will be after it.

!ifndef VERSION | SCR | ICON | OUTFILE
!error "VERSION, SCR, ICON and OUTFILE must be defined on the makensis command line"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Gyrelle Screen Saver"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "Software\Orvanti\${PRODUCT}"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "Orvanti"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright Orvanti"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_TEXT "Gyrelle is installed for every user of this computer.$\r$\n$\r$\nTo make it your screen saver, choose Gyrelle in the Screen Saver Settings, or right-click Gyrelle.scr in the system folder and choose Install."

!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Gyrelle screen saver" SectionSaver
    SetOutPath "$SYSDIR"
    ClearErrors
    Delete "$SYSDIR\Gyrelle.scr"
    ${If} ${Errors}
        ; Running: moved aside under a fresh name, deleted at the restart.
        GetTempFileName $0 "$SYSDIR"
        Delete $0
        ClearErrors
        Rename "$SYSDIR\Gyrelle.scr" $0
        ${If} ${Errors}
            StrCpy $1 "$SYSDIR\Gyrelle.scr.new"
        ${Else}
            Delete /REBOOTOK $0
            StrCpy $1 "$SYSDIR\Gyrelle.scr"
        ${EndIf}
    ${Else}
        StrCpy $1 "$SYSDIR\Gyrelle.scr"
    ${EndIf}
    ClearErrors
    File "/oname=$1" "${SCR}"
    ${If} ${Errors}
        ; Nothing else changes: Add/Remove Programs keeps the old version.
        Abort "Gyrelle.scr could not be written to $SYSDIR."
    ${EndIf}
    ${If} $1 != "$SYSDIR\Gyrelle.scr"
        Rename /REBOOTOK $1 "$SYSDIR\Gyrelle.scr"
    ${EndIf}

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Orvanti"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Gyrelle.scr,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$SYSDIR" "/M=Gyrelle.scr /S=0K /G=0" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3010  ; ERROR_SUCCESS_REBOOT_REQUIRED, for deployment tools
    ${EndIf}
FunctionEnd

Section "Uninstall"
    ; Stop naming a saver that is no longer there, in every profile loaded
    ; now: the logged-on users', whoever the elevated account is. The
    ; Screen Saver Settings may have stored the short form of the path.
    GetFullPathName /SHORT $1 "$SYSDIR\Gyrelle.scr"
    StrCpy $2 0
    ${Do}
        EnumRegKey $3 HKU "" $2
        ${IfThen} $3 == "" ${|} ${ExitDo} ${|}
        IntOp $2 $2 + 1
        ReadRegStr $0 HKU "$3\${DESKTOP_KEY}" "SCRNSAVE.EXE"
        ${If} $0 == "$SYSDIR\Gyrelle.scr"
        ${OrIf} $0 == $1
            DeleteRegValue HKU "$3\${DESKTOP_KEY}" "SCRNSAVE.EXE"
        ${EndIf}
        ; The settings are saved per user.
        DeleteRegKey HKU "$3\${SETTINGS_KEY}"
        DeleteRegKey /ifempty HKU "$3\Software\Orvanti"
    ${Loop}

    ; A running Gyrelle is deleted at the next restart.
    Delete /REBOOTOK "$SYSDIR\Gyrelle.scr"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ; An administrator or an earlier version may have left settings for the
    ; whole machine.
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Orvanti"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Function un.onUninstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3010
    ${EndIf}
FunctionEnd
