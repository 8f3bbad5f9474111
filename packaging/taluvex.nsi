; SPDX-License-Identifier: GPL-3.0-or-later
; The Windows installer, made by scripts/release:
;   makensis -DVERSION=x.y.z -DICON=<.ico> -DSTAGE=<folder with taluvex.exe, LICENSE.txt,
;            README.txt> -DOUTFILE=<setup.exe> [-DSIGN=<command signing its argument>] taluvex.nsi
; Per user, no administrator rights. Silent: setup.exe /S [/AUTOSTART=0|1] [/D=folder]
; (/D last, unquoted, as NSIS wants it); uninstall.exe /S, which waits for the
; removal and returns its status.
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
; Task Manager's Startup tab keeps its on/off for the Run value here.
!define APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
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

; Asks a running Taluvex started from $INSTDIR to end through its main
; window's close, as log-off does, and waits for it: its files cannot be
; replaced or removed while it runs. Copies started from elsewhere (a portable
; one) are left alone. A window that stays (a message box of its own open) is
; left to the user: retry, or stop here with nothing changed (status 2).
!macro CLOSE_RUNNING un
; $R0: the first window of the program's class whose process runs
; $INSTDIR\taluvex.exe, or 0.
Function ${un}FindOurWindow
    Push $R2
    Push $R3
    Push $R4
    StrCpy $R0 0
    ${Do}
        FindWindow $R0 "${FORM_CLASS}" "" 0 $R0
        ${If} $R0 = 0
            ${Break}
        ${EndIf}
        StrCpy $R4 ""
        System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
        ; PROCESS_QUERY_LIMITED_INFORMATION
        System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i R2) p .R3'
        ${If} $R3 != 0
            System::Call 'kernel32::QueryFullProcessImageNameW(p R3, i 0, w .R4, *i ${NSIS_MAX_STRLEN})'
            System::Call 'kernel32::CloseHandle(p R3)'
        ${EndIf}
        ${If} $R4 == "$INSTDIR\taluvex.exe"
            ${Break}
        ${EndIf}
    ${Loop}
    Pop $R4
    Pop $R3
    Pop $R2
FunctionEnd

Function ${un}CloseRunning
    StrCpy $R1 0
    ${Do}
        Call ${un}FindOurWindow
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

Var MadeParent

Section "Taluvex" SecMain
    SectionIn RO
    Call CloseRunning
    ; A folder made for the program (often %LOCALAPPDATA%\Programs) goes
    ; with it when the uninstaller leaves it empty.
    ${GetParent} "$INSTDIR" $MadeParent
    ${If} ${FileExists} "$MadeParent\*.*"
        StrCpy $MadeParent ""
    ${EndIf}
    SetOutPath "$INSTDIR"
    File "${STAGE}\taluvex.exe"
    File "${STAGE}\LICENSE.txt"
    File "${STAGE}\README.txt"
    ; uninstall.exe is this setup again: under that name it runs the
    ; uninstaller proper and waits for it (see Uninstall below).
    CopyFiles /SILENT "$EXEPATH" "$INSTDIR\uninstall.exe"
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
    ; Kept from the first install through updates.
    ${If} $MadeParent != ""
        WriteRegStr HKCU "${UNINST_KEY}" "MadeParentFolder" "$MadeParent"
    ${EndIf}
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Section "start Taluvex at login, hidden in the tray" SecAutostart
    ; Quoted: unquoted, a folder with blanks in its name would give the
    ; program another argument text, and it would start shown.
    WriteRegStr HKCU "${RUN_KEY}" "Taluvex" '"$INSTDIR\taluvex.exe" /AUTO'
    ; The Startup tab's on/off (StartupApproved) is the user's and stays as it is.
SectionEnd

Section "-no autostart"
    ; Installed again without the option: no value from before stays.
    ${IfNot} ${SectionIsSelected} ${SecAutostart}
        DeleteRegValue HKCU "${RUN_KEY}" "Taluvex"
    ${EndIf}
SectionEnd

; /AUTOSTART=0 or 1 sets the option. Without it a first install has it on and
; an update keeps what is there now: the Run value present or not.
Function .onInit
    ${If} $EXEFILE == "uninstall.exe"
        Call Uninstall
    ${EndIf}
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AUTOSTART=" $R1
    ${If} ${Errors}
        ReadRegStr $R2 HKCU "${UNINST_KEY}" "InstallLocation"
        ClearErrors
        ReadRegStr $R3 HKCU "${RUN_KEY}" "Taluvex"
        ${If} $R2 != ""
        ${AndIf} ${Errors}
            !insertmacro UnselectSection ${SecAutostart}
        ${EndIf}
    ${ElseIf} $R1 == "0"
        !insertmacro UnselectSection ${SecAutostart}
    ${ElseIf} $R1 != "1"
        MessageBox MB_ICONSTOP "Unknown value of /AUTOSTART: $R1 (0 or 1)." /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

!ifdef SIGN
; The uninstaller is made here, so it is signed here, before it goes in.
!uninstfinalize '"${SIGN}" "%1"' = 0
!endif

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
    Delete "$SMPROGRAMS\Taluvex.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "Taluvex"
    DeleteRegValue HKCU "${APPROVED_KEY}" "Taluvex"
    DeleteRegKey HKCU "${UNINST_KEY}"
    ; uninstall.exe and the folder are left to the one that started this.
SectionEnd

; Run as uninstall.exe: NSIS's own uninstaller would copy itself to Temp, start
; the copy and return at once, status 0, before anything is removed. Instead
; this writes the uninstaller to Temp, runs it on this folder (_?=, which it
; takes as is), waits, and ends with its status: 0 removed, 1 cancelled, 2
; nothing changed. This file and the folder go just after it has ended.
Function Uninstall
    ReadRegStr $R7 HKCU "${UNINST_KEY}" "MadeParentFolder"
    InitPluginsDir
    WriteUninstaller "$PLUGINSDIR\uninstall.exe"
    ${GetParameters} $R0
    ClearErrors
    ExecWait '"$PLUGINSDIR\uninstall.exe" $R0 _?=$EXEDIR' $R9
    ${If} ${Errors}
        StrCpy $R9 2
    ${EndIf}
    ${If} $R9 = 0
        StrCpy $INSTDIR "$EXEDIR"
        Call RemoveSelf
    ${EndIf}
    SetErrorLevel $R9
    Quit
FunctionEnd

; A running program's file cannot be deleted (nor moved: NSIS keeps its own
; file open), so a hidden cmd deletes this one, $INSTDIR and $R7 (the folder
; the install made for it, or "") when empty, once this process has ended.
Function RemoveSelf
    ; Not the folder being removed.
    SetOutPath "$TEMP"
    System::Call 'kernel32::GetCurrentProcessId() i .R2'
    StrCpy $R3 "$EXEPATH"
    ; A batch file, which deletes itself last: cmd reads its input until the
    ; pipe's only write end, this process's, closes as it ends; then it
    ; deletes, trying again while the file is still busy. Only empty folders
    ; go: what the user put there stays.
    StrCpy $R4 "$TEMP\taluvex-uninstall-$R2.cmd"
    FileOpen $R6 "$R4" w
    FileWrite $R6 '@echo off$\r$\nset /p x=$\r$\nset n=0$\r$\n:again$\r$\n'
    FileWrite $R6 'del /f /q "$R3" 2>nul$\r$\nif not exist "$R3" goto gone$\r$\n'
    FileWrite $R6 'set /a n+=1$\r$\nif %n% geq 20 goto gone$\r$\nping -n 2 127.0.0.1 >nul$\r$\ngoto again$\r$\n'
    FileWrite $R6 ':gone$\r$\nrd "$INSTDIR" 2>nul$\r$\n'
    ${If} $R7 != ""
        FileWrite $R6 'rd "$R7" 2>nul$\r$\n'
    ${EndIf}
    FileWrite $R6 'del /f /q "%~f0"$\r$\n'
    FileClose $R6
    StrCpy $R6 '"$SYSDIR\cmd.exe" /d /q /s /c ""$R4""'
    ; Standard handles this process inherited stay out of it: a caller reading
    ; them would wait for the cmd too.
    ${For} $R5 -12 -10
        System::Call 'kernel32::GetStdHandle(i R5) p .R0'
        System::Call 'kernel32::SetHandleInformation(p R0, i 1, i 0)'
    ${Next}
    System::Call 'kernel32::CreatePipe(*p .R1, *p .R2, p 0, i 0)'
    ; HANDLE_FLAG_INHERIT, for the read end alone
    System::Call 'kernel32::SetHandleInformation(p R1, i 1, i 1)'
    ; STARTUPINFOW, 64-bit layout: STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW,
    ; SW_HIDE, standard input from the pipe.
    System::Call '*(i 104, i 0, p 0, p 0, p 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0x101, &i2 0, &i2 0, i 0, p 0, p R1, p 0, p 0) p .R3'
    System::Call '*(p 0, p 0, i 0, i 0) p .R4'
    ; CREATE_NO_WINDOW
    System::Call 'kernel32::CreateProcessW(p 0, w R6, p 0, p 0, i 1, i 0x08000000, p 0, w "$TEMP", p R3, p R4) i .R0'
    ${If} $R0 != 0
        System::Call '*$R4(p .R5, p .R6)'
        System::Call 'kernel32::CloseHandle(p R5)'
        System::Call 'kernel32::CloseHandle(p R6)'
    ${EndIf}
    System::Free $R3
    System::Free $R4
    System::Call 'kernel32::CloseHandle(p R1)'
    ; The write end $R2 stays open until this process ends.
FunctionEnd
