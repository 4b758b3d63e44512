; The installer for Windows users, made by `make release` (cmake/Release.cmake):
;   makensis -DVERSION=x.y.z -DDLL=<stripped DLL> -DOUTFILE=<setup.exe> installer.nsi
; It puts gen_g15_velm.dll into the Plugins folder of the player's folder, an uninstaller beside
; it, and one entry into the system's list of installed programs. Switches (README-Windows.txt):
; /S and /D=<player's folder> for the installer, /S and /REMOVESETTINGS for the uninstaller.
;
; Exit codes: 0 done, 1 cancelled by the user, 2 failed, 3 the player is running, 4 the folder
; cannot be written even with administrator rights, 5 those rights were refused.

Unicode true
SetCompressor /SOLID lzma
; The installed DLL takes the time of the install rather than the build's, so that the
; installer's bytes depend on the sources alone.
SetDateSave off
; Administrator rights are asked for only when the chosen folder cannot be written without
; them: the installer then starts itself again, elevated, for the work (RunElevated below).
RequestExecutionLevel user
AllowSkipFiles off
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define PRODUCT "Velm's G15 Plugin"
!define PUBLISHER "the gen_g15_velm authors"
!define DLL_NAME "gen_g15_velm.dll"
!define UNINSTALLER "gen_g15_velm-uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\gen_g15_velm"
!define SETTINGS_FILE "VelmG15.ini"
!define SETTINGS_FOLDER "VelmG15"
; The player's main window class: while such a window exists, the player has the DLL loaded.
!define PLAYER_CLASS "Winamp v1.x"
!define PLAYER_EXE "winamp.exe"
; The plug-in is made for the 5.x players; an older one gets a warning.
!define PLAYER_MIN_MAJOR 5
!define PLAYER_KEY "Software\Winamp"
!define PLAYER_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Winamp"
!define EXIT_FAILED 2
!define EXIT_PLAYER_RUNNING 3
!define EXIT_NO_RIGHTS 4
!define EXIT_RIGHTS_REFUSED 5

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} for Winamp, setup"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 ${PUBLISHER}; MIT licence"

Var PluginsFolder
; 1 in the copy started with administrator rights by RunElevated; it never starts another.
Var ElevatedCopy
Var RemoveSettings

; (A line continued with a backslash keeps the next line's blanks: texts go on unindented.)
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs the plug-in into the Plugins folder of \
Winamp's folder: below is the one Setup found. Choose another to install for another copy of \
Winamp."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Winamp's folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE CheckPlayerFolder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; What the installer and the uninstaller share: NSIS wants the uninstaller's functions named
; with "un.", so each is defined twice through these macros.

; Asks the user to close the player while its main window exists. In silent mode, or when the
; user cancels, the run ends at once with EXIT_PLAYER_RUNNING: callers run this before they
; change anything.
!macro DefineWaitForPlayerToClose un
Function ${un}WaitForPlayerToClose
    retry:
    FindWindow $0 "${PLAYER_CLASS}"
    IntCmp $0 0 closed
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Winamp is running, and it keeps the plug-in \
loaded.$\r$\n$\r$\nClose Winamp, then choose Retry." /SD IDCANCEL IDRETRY retry
    SetErrorLevel ${EXIT_PLAYER_RUNNING}
    Quit
    closed:
FunctionEnd
!macroend
!insertmacro DefineWaitForPlayerToClose ""
!insertmacro DefineWaitForPlayerToClose "un."

; $0 = 1 when this process can make a file in the folder $0 names (or, where that does not
; exist yet, in the nearest folder above it that does), else 0. Changes nothing.
!macro DefineCanWrite un
Function ${un}CanWrite
    ${DoUntil} ${FileExists} "$0\*.*"
        StrCpy $1 $0
        ${GetParent} $1 $0
        ${If} $0 == ""
            StrCpy $0 1  ; no folder of the path exists: let the work itself tell
            Return
        ${EndIf}
    ${Loop}
    ClearErrors
    FileOpen $1 "$0\gen_g15_velm-write-test.tmp" w
    ${If} ${Errors}
        StrCpy $0 0
        Return
    ${EndIf}
    FileClose $1
    Delete "$0\gen_g15_velm-write-test.tmp"
    StrCpy $0 1
FunctionEnd
!macroend
!insertmacro DefineCanWrite ""
!insertmacro DefineCanWrite "un."

; Starts this program again with administrator rights (Windows asks the user) and the
; arguments in $0, waits for it and puts its exit code in $0 (EXIT_RIGHTS_REFUSED when it
; could not be started so). A SHELLEXECUTEINFO of 15 fields, 60 bytes: SEE_MASK_NOCLOSEPROCESS, verb runas.
!macro DefineRunElevated un
Function ${un}RunElevated
    System::Call '*(i 60, i 0x40, p $HWNDPARENT, w "runas", w "$EXEPATH", w "$0", p 0, i 1, \
        p 0, p 0, p 0, p 0, i 0, p 0, p 0) p .r1'
    System::Call 'shell32::ShellExecuteExW(p r1) i .r2'
    ${If} $2 = 0
        System::Free $1
        StrCpy $0 ${EXIT_RIGHTS_REFUSED}
        Return
    ${EndIf}
    System::Call '*$1(i, i, p, p, p, p, p, i, p, p, p, p, i, p, p .r2)'
    System::Free $1
    System::Call 'kernel32::WaitForSingleObject(p r2, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(p r2, *i .r0)'
    System::Call 'kernel32::CloseHandle(p r2)'
FunctionEnd
!macroend
!insertmacro DefineRunElevated ""
!insertmacro DefineRunElevated "un."

!macro DefineReadSwitches un
Function ${un}ReadSwitches
    ${GetParameters} $0
    StrCpy $ElevatedCopy 0
    ClearErrors
    ${GetOptions} $0 "/ELEVATED" $1
    ${IfNot} ${Errors}
        StrCpy $ElevatedCopy 1
    ${EndIf}
    StrCpy $RemoveSettings 0
    ClearErrors
    ${GetOptions} $0 "/REMOVESETTINGS" $1
    ${IfNot} ${Errors}
        StrCpy $RemoveSettings 1
    ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineReadSwitches ""
!insertmacro DefineReadSwitches "un."

; The player's folder as the player records it: the current user's key first, then the
; machine's uninstall entry for the player; the first of them that holds the player's program,
; else where the player installs itself (Program Files (x86) on 64-bit Windows, since
; $PROGRAMFILES is the 32-bit one).
Function FindPlayerFolder
    ReadRegStr $0 HKCU "${PLAYER_KEY}" ""
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${PLAYER_EXE}"
        StrCpy $INSTDIR $0
        Return
    ${EndIf}
    ; "C:\Program Files (x86)\Winamp\UninstWA.exe", in quotes or not, maybe with arguments.
    ReadRegStr $0 HKLM "${PLAYER_UNINSTALL_KEY}" "UninstallString"
    StrCpy $1 $0 1
    ${If} $1 == '"'
        StrCpy $0 $0 "" 1
        StrCpy $2 0
        ${Do}
            StrCpy $1 $0 1 $2
            ${IfThen} $1 == '"' ${|} ${ExitDo} ${|}
            ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
            IntOp $2 $2 + 1
        ${Loop}
        StrCpy $0 $0 $2
    ${EndIf}
    ${GetParent} $0 $0
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\${PLAYER_EXE}"
        StrCpy $INSTDIR $0
        Return
    ${EndIf}
    StrCpy $INSTDIR "$PROGRAMFILES\Winamp"
FunctionEnd

Function .onInit
    Call ReadSwitches
    Call WaitForPlayerToClose
    ; /D=<folder> has set $INSTDIR already.
    ${If} $INSTDIR == ""
        Call FindPlayerFolder
    ${EndIf}
FunctionEnd

; Leaving the folder page: warns of a folder without the player, or with an older player.
Function CheckPlayerFolder
    ${IfNot} ${FileExists} "$INSTDIR\${PLAYER_EXE}"
        ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONEXCLAMATION "$INSTDIR holds no \
${PLAYER_EXE}: Winamp does not seem to be installed there, and no Winamp will load the plug-in \
from there.$\r$\n$\r$\nInstall into this folder anyway?" /SD IDYES IDYES`
            Abort
        ${EndIf}
        Return
    ${EndIf}
    ClearErrors
    GetDLLVersion "$INSTDIR\${PLAYER_EXE}" $0 $1
    ${If} ${Errors}
        Return  ; no version resource: the player's version cannot be told
    ${EndIf}
    IntOp $2 $0 >> 16
    IntOp $3 $0 & 0xFFFF
    ${If} $2 < ${PLAYER_MIN_MAJOR}
        ${IfNot} ${Cmd} `MessageBox MB_YESNO|MB_ICONEXCLAMATION "This folder holds Winamp \
$2.$3; the plug-in is made for Winamp ${PLAYER_MIN_MAJOR} or later and may not work with it.\
$\r$\n$\r$\nInstall anyway?" /SD IDYES IDYES`
            Abort
        ${EndIf}
    ${EndIf}
FunctionEnd

; The uninstall entry: in the machine's list where this process may write it, else in the
; user's own (a user's install into a folder of their own). SHCTX follows the context. $R1 and
; $R2 say whether this install made the Plugins folder and the player's folder.
Function WriteUninstallEntry
    SetShellVarContext all
    ClearErrors
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} for Winamp"
    ${If} ${Errors}
        SetShellVarContext current
    ${Else}
        ; One entry only: a user's entry from an earlier install gives way to the machine's.
        DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${EndIf}
    ; Folders that an earlier install into the same folder made stay the uninstaller's to remove.
    ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $INSTDIR
        ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "PluginsFolderCreated"
        IntOp $R1 $R1 | $0
        ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "PlayerFolderCreated"
        IntOp $R2 $R2 | $0
    ${EndIf}
    ${GetSize} "$PluginsFolder" "/M=gen_g15_velm* /S=0K /G=0" $0 $1 $2
    ClearErrors
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} for Winamp"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$PluginsFolder\${UNINSTALLER}"'
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
        '"$PluginsFolder\${UNINSTALLER}" /S'
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "PluginsFolderCreated" $R1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "PlayerFolderCreated" $R2
    ${If} ${Errors}
        DetailPrint "Could not write the entry in the list of installed programs."
        SetErrorLevel ${EXIT_FAILED}
    ${EndIf}
FunctionEnd

Section "Install"
    Call WaitForPlayerToClose
    StrCpy $PluginsFolder "$INSTDIR\Plugins"
    StrCpy $0 $PluginsFolder
    Call CanWrite
    ${If} $0 = 0
        ${If} $ElevatedCopy = 1
            DetailPrint "$PluginsFolder cannot be written, even with administrator rights."
            SetErrorLevel ${EXIT_NO_RIGHTS}
            Abort
        ${EndIf}
        DetailPrint "Installing with administrator rights, which $PluginsFolder needs."
        StrCpy $0 "/S /ELEVATED /D=$INSTDIR"
        Call RunElevated
        ${If} $0 <> 0
            DetailPrint "The install with administrator rights failed (exit code $0)."
            SetErrorLevel $0
            Abort
        ${EndIf}
        Return
    ${EndIf}

    StrCpy $R1 0
    StrCpy $R2 0
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $R2 1
    ${EndIf}
    ${IfNot} ${FileExists} "$PluginsFolder\*.*"
        StrCpy $R1 1
    ${EndIf}
    SetOutPath $PluginsFolder
    File "/oname=${DLL_NAME}" "${DLL}"
    WriteUninstaller "$PluginsFolder\${UNINSTALLER}"
    Call WriteUninstallEntry
SectionEnd

Function un.onInit
    Call un.ReadSwitches
    Call un.WaitForPlayerToClose
FunctionEnd

; Removes the uninstall entry in root (HKLM or HKCU) if it is this install's, first noting in
; $R1 and $R2 which folders that install made.
!macro RemoveUninstallEntry root
    ReadRegStr $0 ${root} "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == $R0
        ReadRegDWORD $R1 ${root} "${UNINSTALL_KEY}" "PluginsFolderCreated"
        ReadRegDWORD $R2 ${root} "${UNINSTALL_KEY}" "PlayerFolderCreated"
        DeleteRegKey ${root} "${UNINSTALL_KEY}"
    ${EndIf}
!macroend

; $INSTDIR is the uninstaller's folder: the Plugins folder.
Section "Uninstall"
    Call un.WaitForPlayerToClose
    ${If} $RemoveSettings = 0
    ${AndIf} ${Cmd} `MessageBox MB_YESNO|MB_ICONQUESTION "Remove the plug-in's settings too?\
$\r$\n$\r$\n${SETTINGS_FILE} in the Plugins folder and the folder \
$APPDATA\${SETTINGS_FOLDER}: keep them to find them again after another install." \
/SD IDNO IDYES`
        StrCpy $RemoveSettings 1
    ${EndIf}

    StrCpy $0 $INSTDIR
    Call un.CanWrite
    ${If} $0 = 0
        ${If} $ElevatedCopy = 1
            DetailPrint "$INSTDIR cannot be written, even with administrator rights."
            SetErrorLevel ${EXIT_NO_RIGHTS}
            Abort
        ${EndIf}
        DetailPrint "Uninstalling with administrator rights, which $INSTDIR needs."
        StrCpy $0 "/S /ELEVATED"
        ${If} $RemoveSettings = 1
            StrCpy $0 "$0 /REMOVESETTINGS"
        ${EndIf}
        StrCpy $0 "$0 _?=$INSTDIR"
        Call un.RunElevated
        ${If} $0 <> 0
            DetailPrint "The uninstall with administrator rights failed (exit code $0)."
            SetErrorLevel $0
            Abort
        ${EndIf}
    ${Else}
        Delete /REBOOTOK "$INSTDIR\${DLL_NAME}"
        Delete /REBOOTOK "$INSTDIR\${UNINSTALLER}"
        ${If} $RemoveSettings = 1
            Delete "$INSTDIR\${SETTINGS_FILE}"
        ${EndIf}
        ${GetParent} $INSTDIR $R0
        StrCpy $R1 0
        StrCpy $R2 0
        !insertmacro RemoveUninstallEntry HKLM
        !insertmacro RemoveUninstallEntry HKCU
        ; RMDir leaves a folder that holds anything, such as the settings kept; and none can
        ; go while it is the working folder.
        SetOutPath $TEMP
        ${If} $R1 = 1
            RMDir $INSTDIR
        ${EndIf}
        ${If} $R2 = 1
            RMDir $R0
        ${EndIf}
    ${EndIf}

    ; The user's own settings, which a copy with administrator rights may not see: they are in
    ; the profile of the user who started the uninstall.
    ${If} $RemoveSettings = 1
    ${AndIf} $ElevatedCopy = 0
        SetShellVarContext current
        RMDir /r "$APPDATA\${SETTINGS_FOLDER}"
    ${EndIf}
SectionEnd
