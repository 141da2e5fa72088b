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
; The machine is never left without a working saver: the new file is
; written beside the old one (Gyrelle.scr.new) first, and only a whole new
; file takes the name. A write that fails (a full disk, a scanner holding
; the file, a permission) or a swap that fails leaves the old Gyrelle.scr,
; or puts it back, and changes nothing else; where even putting it back
; fails, the new file takes the name at the next restart. A Gyrelle.scr.new
; that no rename at the restart names is what a failed write left.
;
; A Gyrelle that runs (a saver, the Settings' preview, on any desktop)
; cannot be overwritten, but Windows lets a running program be renamed: the
; old file is moved aside and deleted at the next restart, and the new one
; takes its place at once. Where even that fails, the new file takes the
; name at the next restart. Either way the installer asks for a restart
; (exit code 3010 when silent) and Add/Remove Programs names the version
; that Gyrelle.scr is or will be after it. An uninstall before that restart
; cancels it, so the saver does not come back unlisted; an install before
; the restart that an uninstall left its own deletion to cancels that.

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
!define INSTALLED "$SYSDIR\Gyrelle.scr"
!define STAGED "$SYSDIR\Gyrelle.scr.new"
; Windows keeps the renames and deletions waiting for the restart in one
; multi-string value: pairs of the file's name ("\??\" first) and its new
; one ("!" first when it replaces a file there), empty for a deletion.
!define PENDING_KEY "SYSTEM\CurrentControlSet\Control\Session Manager"
!define PENDING_VALUE "PendingFileRenameOperations"

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

; One setup at a time: a second installer or uninstaller started while one
; runs (two deployments, a double click) would interleave their renames. It
; leaves at once, changing nothing (exit 2), with a message where one can
; be shown. A mutex made by another account (SYSTEM deploying) may refuse
; this one access: that is the same answer.
!macro ONE_SETUP_AT_A_TIME
    System::Call 'kernel32::CreateMutexW(p 0, i 0, w "Global\${PRODUCT} Setup") p .r0 ?e'
    Pop $1
    ${If} $1 = 183  ; ERROR_ALREADY_EXISTS
    ${OrIf} $1 = 5  ; ERROR_ACCESS_DENIED
        MessageBox MB_OK|MB_ICONSTOP "Another setup of ${PRODUCT} is running. Try again once it has finished." /SD IDOK
        Abort
    ${EndIf}
!macroend

; Walks the renames and deletions waiting for the restart; takes two
; arguments from the stack: "look" or "cancel" on top, then a file. With
; "cancel" it drops Gyrelle's pairs: the renames to Gyrelle.scr (and
; deletes the new files they were to bring), except the file's own (this
; install's, waiting for the restart); Gyrelle.scr's deletion; and the
; deletions of Uninstall.exe and its folder that an uninstall run in place
; leaves. Other programs' pairs stay as they were, in their order. With
; "look" it changes nothing. Either way it leaves on the stack 1 when a
; pair names Gyrelle.scr.new (an earlier upgrade's file waits there), else 0.
!macro PENDING_GYRELLE un
Function ${un}PendingGyrelle
    System::Store S
    Pop $R5  ; look, cancel
    Pop $R6  ; the rename that stays
    StrCpy $R7 0
    ; HKEY_LOCAL_MACHINE; KEY_QUERY_VALUE, and KEY_SET_VALUE to cancel
    StrCpy $R8 1
    ${IfThen} $R5 == "cancel" ${|} StrCpy $R8 3 ${|}
    System::Call 'advapi32::RegOpenKeyExW(p 0x80000002, w "${PENDING_KEY}", i 0, i R8, *p .r0) i .r1'
    ${If} $1 = 0
        System::Call 'advapi32::RegQueryValueExW(p r0, w "${PENDING_VALUE}", p 0, *i .r2, p 0, *i 0 r3) i .r1'
        ${If} $1 = 0
        ${AndIf} $2 = 7  ; REG_MULTI_SZ
        ${AndIf} $3 > 0
            System::Alloc $3
            Pop $4
            System::Alloc $3
            Pop $5
            System::Call 'advapi32::RegQueryValueExW(p r0, w "${PENDING_VALUE}", p 0, p 0, p r4, *i r3 r3) i .r1'
            ${IfThen} $1 <> 0 ${|} StrCpy $3 0 ${|}  ; changed meanwhile: left alone
            IntPtrOp $8 $4 + $3  ; the end
            StrCpy $6 $4         ; the next pair
            StrCpy $7 $5         ; where the kept pairs end
            StrCpy $9 0          ; pairs dropped
            ${DoWhile} $6 P< $8
                ; R0: the file, R1: its new name (R2, R3: where each starts)
                StrCpy $R2 $6
                System::Call 'kernel32::lstrcpynW(w .R0, p R2, i ${NSIS_MAX_STRLEN})'
                ${IfThen} $R0 == "" ${|} ${ExitDo} ${|}  ; the list's end
                System::Call 'kernel32::lstrlenW(p R2) i .R4'
                IntOp $R4 $R4 + 1
                IntOp $R4 $R4 * 2
                IntPtrOp $R3 $R2 + $R4
                System::Call 'kernel32::lstrcpynW(w .R1, p R3, i ${NSIS_MAX_STRLEN})'
                System::Call 'kernel32::lstrlenW(p R3) i .R4'
                IntOp $R4 $R4 + 1
                IntOp $R4 $R4 * 2
                IntPtrOp $6 $R3 + $R4
                ${IfThen} $R0 == "\??\${STAGED}" ${|} StrCpy $R7 1 ${|}
                StrCpy $R9 0  ; Gyrelle's, to drop
                ${If} $R1 == "!\??\${INSTALLED}"
                ${OrIf} $R1 == "\??\${INSTALLED}"
                    ${IfThen} $R0 != "\??\$R6" ${|} StrCpy $R9 1 ${|}
                ${ElseIf} $R0 == "\??\${INSTALLED}"
                ${OrIf} $R0 == "\??\$INSTDIR\Uninstall.exe"
                ${OrIf} $R0 == "\??\$INSTDIR"
                    StrCpy $R9 2
                ${EndIf}
                ${If} $R5 == "cancel"
                ${AndIf} $R9 <> 0
                    IntOp $9 $9 + 1
                    StrCpy $R0 $R0 "" 4
                    ${If} $R9 = 1
                    ${AndIf} $R0 != "${INSTALLED}"
                        Delete $R0
                    ${EndIf}
                ${Else}
                    IntPtrOp $R4 $6 - $R2
                    System::Call 'kernel32::RtlMoveMemory(p r7, p R2, p R4)'
                    IntPtrOp $7 $7 + $R4
                ${EndIf}
            ${Loop}
            ${If} $9 > 0
                ${If} $7 P= $5
                    System::Call 'advapi32::RegDeleteValueW(p r0, w "${PENDING_VALUE}")'
                ${Else}
                    System::Call '*$7(&i2 0)'  ; the list's end
                    IntPtrOp $R4 $7 + 2
                    IntPtrOp $R4 $R4 - $5
                    System::Call 'advapi32::RegSetValueExW(p r0, w "${PENDING_VALUE}", i 0, i 7, p r5, i R4)'
                ${EndIf}
            ${EndIf}
            System::Free $4
            System::Free $5
        ${EndIf}
        System::Call 'advapi32::RegCloseKey(p r0)'
    ${EndIf}
    Push $R7
    System::Store L
FunctionEnd
!macroend
!insertmacro PENDING_GYRELLE ""
!insertmacro PENDING_GYRELLE "un."

; The new file while it is written, for .onInstFailed to remove: a write
; that fails part way (a full disk) stops the installer at once.
Var Staged

Function .onInit
    !insertmacro ONE_SETUP_AT_A_TIME
FunctionEnd

Section "Gyrelle screen saver" SectionSaver
    SetOutPath "$SYSDIR"
    ; An earlier upgrade's file that still waits for the restart keeps its
    ; name; this one then takes a fresh one. A Gyrelle.scr.new that nothing
    ; waits for is what a failed write left: it is replaced. Something else
    ; in the way (a folder, say) fails the write.
    StrCpy $0 "${STAGED}"
    Push ""
    Push look
    Call PendingGyrelle
    Pop $1
    ${IfThen} $1 = 1 ${|} GetTempFileName $0 "$SYSDIR" ${|}
    StrCpy $Staged $0
    ; "try": a file that cannot be opened is an error here, not a question.
    SetOverwrite try
    ClearErrors
    File "/oname=$0" "${SCR}"
    SetOverwrite on
    ${IfThen} ${Errors} ${|} Abort "Gyrelle.scr could not be written to $SYSDIR; the installed saver is unchanged." ${|}

    ; The new file takes the name now; or at the restart when even moving
    ; the old one aside is refused (another program holds it open), or when
    ; the new one cannot take the name and the old one cannot be put back.
    StrCpy $1 ""
    StrCpy $2 now
    ${If} ${FileExists} "${INSTALLED}"
        ; Moved aside under a fresh name; a running one can be renamed.
        GetTempFileName $1 "$SYSDIR"
        Delete $1
        ClearErrors
        Rename "${INSTALLED}" $1
        ${If} ${Errors}
            StrCpy $1 ""
            StrCpy $2 restart
        ${EndIf}
    ${EndIf}
    ${If} $2 == now
        ClearErrors
        Rename $0 "${INSTALLED}"
        ${If} ${Errors}
            ClearErrors
            ${IfThen} $1 != "" ${|} Rename $1 "${INSTALLED}" ${|}
            ${If} $1 == ""
            ${OrIfNot} ${Errors}
                Abort "Gyrelle.scr could not be replaced in $SYSDIR; the installed saver is unchanged."
            ${EndIf}
            DetailPrint "Neither the new Gyrelle.scr nor the old one could take its name: the new one takes it at the next restart."
            StrCpy $2 restart
        ${EndIf}
    ${EndIf}
    ; Asks for the restart where it waits for one.
    ${IfThen} $2 == restart ${|} Rename /REBOOTOK $0 "${INSTALLED}" ${|}
    StrCpy $Staged ""
    ; What an earlier upgrade or uninstall left for the restart would
    ; replace or delete the new file then, or the uninstaller written below.
    Push $0
    Push cancel
    Call PendingGyrelle
    Pop $2
    ; The old file, if it runs, goes at the restart.
    ${IfThen} $1 != "" ${|} Delete /REBOOTOK $1 ${|}

    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Orvanti"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$SYSDIR\Gyrelle.scr,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    ; "_?=" (last, unquoted) runs the uninstaller in place, so that its
    ; exit code reaches the caller; without it, it starts a copy of itself
    ; and returns 0 at once.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$SYSDIR" "/M=Gyrelle.scr /S=0K /G=0" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInstFailed
    ${IfThen} $Staged != "" ${|} Delete $Staged ${|}
FunctionEnd

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

    ; An upgrade's file waiting for the restart would bring the saver back
    ; then, unlisted.
    Push ""
    Push cancel
    Call un.PendingGyrelle
    Pop $0
    Delete "${STAGED}"
    ; A running Gyrelle is deleted at the next restart.
    Delete /REBOOTOK "${INSTALLED}"
    Delete "$INSTDIR\Uninstall.exe"
    ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
        ; Run in place (_?=), it cannot delete itself: it and its folder go
        ; at the next restart, which nothing else needs (MOVEFILE_DELAY_UNTIL_REBOOT).
        System::Call 'kernel32::MoveFileExW(w "$INSTDIR\Uninstall.exe", p 0, i 4)'
        System::Call 'kernel32::MoveFileExW(w "$INSTDIR", p 0, i 4)'
    ${EndIf}
    RMDir "$INSTDIR"
    ; An administrator or an earlier version may have left settings for the
    ; whole machine.
    DeleteRegKey HKLM "${SETTINGS_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Orvanti"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

Function un.onInit
    !insertmacro ONE_SETUP_AT_A_TIME
FunctionEnd

Function un.onUninstSuccess
    ${If} ${RebootFlag}
        SetErrorLevel 3010
    ${EndIf}
FunctionEnd
