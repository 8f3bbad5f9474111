; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer, made by scripts/release:
;   makensis -DVERSION=x.y.z -DICON=<.ico> -DSTAGE=<folder with taluvex.exe, LICENSE.txt,
;            README.txt> -DOUTFILE=<setup.exe> taluvex.nsi
; Per user, no administrator rights. Silent: setup.exe /S [/AUTOSTART=0] [/D=folder]
; (/D last, unquoted, as NSIS wants it); uninstall.exe /S.
Unicode true
; The program is 64-bit only; so is its installer (no WOW64 redirection either).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define PUBLISHER "Taluvex developers"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Taluvex"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; The class of the program's windows: closing the main one ends it, as
; log-off does.
!define FORM_CLASS "TaluvexForm"

Name "Taluvex"
Caption "Taluvex ${VERSION} Setup"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Taluvex"
InstallDirRegKey HKCU "${UNINST_KEY}" "InstallLocation"
BrandingText "Taluvex ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Taluvex"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Taluvex ${VERSION} Setup"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "Taluvex developers; GPL-3.0-or-later"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\taluvex.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Taluvex"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Asks a running Taluvex to end through its main window's close, as log-off
; does, and waits for it: its files cannot be replaced or removed while it
; runs. A window that stays (a message box of its own open) is left to the
; user: retry, or stop here with nothing changed.
!macro CLOSE_RUNNING un
Function ${un}CloseRunning
    StrCpy $R1 0
    ${Do}
        FindWindow $R0 "${FORM_CLASS}" ""
        ${If} $R0 = 0
            ; The window is gone; give the process a moment to end.
            Sleep 300
            Return
        ${EndIf}
        ${If} $R1 >= 40
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Taluvex is running and did not close.$\r$\nClose it, then choose Retry." /SD IDCANCEL IDRETRY +3
            SetErrorLevel 2
            Quit
            StrCpy $R1 0
        ${EndIf}
        SendMessage $R0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
        Sleep 250
        IntOp $R1 $R1 + 1
    ${Loop}
FunctionEnd
!macroend
!insertmacro CLOSE_RUNNING ""
!insertmacro CLOSE_RUNNING "un."

Section "Taluvex" SecMain
    SectionIn RO
    Call CloseRunning
    SetOutPath "$INSTDIR"
    File "${STAGE}\taluvex.exe"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Taluvex.lnk" "$INSTDIR\taluvex.exe" "" "$INSTDIR\taluvex.exe" 0

    WriteRegStr HKCU "${UNINST_KEY}" "DisplayName" "Taluvex"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\taluvex.exe,0"
    WriteRegStr HKCU "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINST_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "start Taluvex at login, hidden in the tray" SecAutostart
    ; Quoted: unquoted, a folder with blanks in its name would give the
    ; program another argument text, and it would start shown.
    WriteRegStr HKCU "${RUN_KEY}" "Taluvex" '"$INSTDIR\taluvex.exe" /AUTO'
SectionEnd

Section "-no autostart"
    ; Installed again without the option: no value from before stays.
    ${IfNot} ${SectionIsSelected} ${SecAutostart}
        DeleteRegValue HKCU "${RUN_KEY}" "Taluvex"
    ${EndIf}
SectionEnd

; /AUTOSTART=0 leaves the option off in a silent install; /AUTOSTART=1 is the default.
Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AUTOSTART=" $R1
    ${IfNot} ${Errors}
        ${If} $R1 == "0"
            !insertmacro UnselectSection ${SecAutostart}
        ${ElseIf} $R1 != "1"
            MessageBox MB_ICONSTOP "Unknown value of /AUTOSTART: $R1 (0 or 1)." /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.CloseRunning
    ; The program may take a moment to let go of its file.
    StrCpy $R1 0
    ${Do}
        Delete "$INSTDIR\taluvex.exe"
        ${IfNot} ${FileExists} "$INSTDIR\taluvex.exe"
            ${Break}
        ${EndIf}
        ${If} $R1 >= 20
            MessageBox MB_ICONSTOP "$INSTDIR\taluvex.exe cannot be removed: is Taluvex still running?" /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
        Sleep 250
        IntOp $R1 $R1 + 1
    ${Loop}
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: what the user put there stays.
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\Taluvex.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Taluvex"
    DeleteRegKey HKCU "${UNINST_KEY}"
SectionEnd
