; Installer of the Gyrelle screen saver, built by CMake (target
; gyrelle_installer) with makensis:
;   makensis -DVERSION=2.2 -DSCR=path/Gyrelle.scr -DICON=path/gyrelle.ico -DOUTFILE=path/setup.exe gyrelle.nsi
;
; Gyrelle.scr goes to the system folder, where the Screen Saver Settings
; list finds it by its file type; the uninstaller sits in Program Files and
; is registered in Add/Remove Programs. The .scr is a 64-bit program, so the
; installer is one too: it sees the real system folder and registry.

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
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the Screen Saver Settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenScreenSaverSettings

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "Gyrelle screen saver" SectionSaver
    SectionIn RO
    SetOutPath "$SYSDIR"
    File "/oname=Gyrelle.scr" "${SCR}"

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

; What the Screen Saver Settings' own "Apply" does: the saver's path for
; the current user, and the saver switched on.
Section "Make Gyrelle the current screen saver" SectionCurrent
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\Gyrelle.scr"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
    ; SPI_SETSCREENSAVEACTIVE, on, SPIF_SENDCHANGE: tell running programs.
    System::Call "user32::SystemParametersInfoW(i 17, i 1, p 0, i 2)"
SectionEnd

Function OpenScreenSaverSettings
    ; The same as "Install" on the .scr's context menu.
    ExecShell "" "rundll32.exe" 'desk.cpl,InstallScreenSaver "$SYSDIR\Gyrelle.scr"'
FunctionEnd

Section "Uninstall"
    ; Stop naming a saver that is no longer there. The Screen Saver Settings
    ; may have stored the short form of the path.
    ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    GetFullPathName /SHORT $1 "$SYSDIR\Gyrelle.scr"
    ${If} $0 == "$SYSDIR\Gyrelle.scr"
    ${OrIf} $0 == $1
        DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}

    Delete "$SYSDIR\Gyrelle.scr"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ; The settings are saved per user; an administrator or an earlier
    ; version may have left them for the whole machine too. Other users'
    ; keys are out of reach here.
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Orvanti"
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Orvanti"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
