; The game's installer and uninstaller: what a publisher ships as install.exe
; beside Launcher.exe. NSIS 3; build with
;
;   makensis -DGAME_FILES=<directory holding Quor.exe> -DOUTFILE=<install.exe> Quorvale.nsi
;
; and -DUNATTENDED for a silent variant, without a wizard (the tests' Wine has
; no screen), -DCANCEL for a silent one that gives up before it tells the
; launcher anything, as a cancelled installation does.
;
; What the launcher needs of it, in the order it must happen:
;   1. the game's files in the directory the player chose;
;   2. then, and only then, the file marlock.ini in the root of the drive that
;      holds Windows, "DestinationPath=<directory>" and CR LF, in the ANSI code
;      page. The launcher reads it once the installer has ended, records the
;      directory in WIN.INI ([Quorvale] Path) and deletes it.
; The uninstaller must remove that WIN.INI entry, or the launcher never runs
; the installer again.

!ifndef GAME_FILES
    !error "GAME_FILES is not defined: makensis -DGAME_FILES=<directory holding Quor.exe>"
!endif
!ifndef OUTFILE
    !error "OUTFILE is not defined: makensis -DOUTFILE=<path of install.exe>"
!endif
!ifdef CANCEL
    !ifndef UNATTENDED
        !define UNATTENDED
    !endif
!endif

!define PRODUCT "Quorvale"
!define DESCRIPTOR "marlock.ini"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The launcher starts the game with "<directory>\Quor.exe" in quotes: with the
; 11 bytes that adds, its command line of at most 259 bytes leaves 248 for the
; directory. The uninstaller needs a shorter one still: Windows refuses a path
; of more than 259 bytes, and "\uninstall.exe" takes 14 of them, leaving 245.
!define MAX_DIRECTORY_BYTES 245

; ANSI: runs on Windows 95, and every text below, the descriptor included, is
; in the ANSI code page, so StrLen counts bytes.
Unicode false
SetCompressor /SOLID lzma
; The files' own times would make every build differ.
SetDateSave off

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "C:\Games\${PRODUCT}"
; Real installers ask for it; on Vista to 11 this is where the launcher's
; plain start of install.exe is refused (740) and it goes through the shell.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

!ifdef UNATTENDED
    SilentInstall silent
!endif

!include "LogicLib.nsh"
!include "MUI2.nsh"

!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Sets the error flag, after saying why, when $INSTDIR is too long for the
; game to be started or removed from it.
Function CheckDirectory
    ClearErrors
    StrLen $0 $INSTDIR
    ${If} $0 > ${MAX_DIRECTORY_BYTES}
        MessageBox MB_OK|MB_ICONSTOP "This directory is $0 characters long. ${PRODUCT} can be installed \
            only in a directory of at most ${MAX_DIRECTORY_BYTES} characters, or Windows cannot start it \
            or remove it: please choose a shorter one." /SD IDOK
        SetErrors
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call CheckDirectory
    ${If} ${Errors}
        Abort ; stays on the page
    ${EndIf}
FunctionEnd

!ifdef UNATTENDED
; The launcher passes no arguments and so no /D=: the tests name the
; directory in the environment, which the launcher passes on, and read a log
; of what ran, as they do for their stand-in installer.
Function .onInit
    ReadEnvStr $0 TEST_INSTALL_DIR
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
FunctionEnd

Function Log ; appends "installer <what>" from $R9 to the file named by TEST_LOG
    ReadEnvStr $R8 TEST_LOG
    ${If} $R8 != ""
        FileOpen $R7 $R8 a
        FileSeek $R7 0 END
        FileWrite $R7 "installer $R9$\n"
        FileClose $R7
    ${EndIf}
FunctionEnd
!define LOG "!insertmacro LOG"
!macro LOG TEXT
    StrCpy $R9 "${TEXT}"
    Call Log
!macroend
!else
!define LOG "!insertmacro NOLOG"
!macro NOLOG TEXT
!macroend
!endif

Section "Game"
    ${LOG} "cmdline=$CMDLINE"
    ${LOG} "started_from=$EXEDIR"
    ${LOG} "directory=$INSTDIR"
    ; In silent mode the directory page never ran.
    Call CheckDirectory
    ${If} ${Errors}
        ${LOG} "refused=too long"
        Abort
    ${EndIf}

    ; 1. The game's files, the uninstaller and its Add/Remove Programs entry.
    SetOutPath "$INSTDIR"
    File "${GAME_FILES}\Quor.exe"
    ClearErrors
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${If} ${Errors}
        ; Without it the player could never remove the game, nor its WIN.INI
        ; entry: give up before the launcher is told anything.
        MessageBox MB_OK|MB_ICONSTOP "Cannot write $INSTDIR\uninstall.exe." /SD IDOK
        ${LOG} "failed=uninstall.exe"
        Abort
    ${EndIf}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

!ifdef CANCEL
    ${LOG} "cancelled=before the descriptor"
    Abort
!endif

    ; 2. Only now the descriptor: the launcher trusts it as soon as it sees
    ; it. In the root of the drive Windows is on, which need not be C:.
    StrCpy $1 $WINDIR 1
    ClearErrors
    FileOpen $0 "$1:\${DESCRIPTOR}" w
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Cannot write $1:\${DESCRIPTOR}: the game will not start." /SD IDOK
        Abort
    ${EndIf}
    FileWrite $0 "DestinationPath=$INSTDIR$\r$\n"
    FileClose $0
    ${LOG} "descriptor=$1:\${DESCRIPTOR}"
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\Quor.exe"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; Without the entry the next start of the launcher runs the installer
    ; again. Vista to 11 send a standard user's write to WIN.INI (the
    ; launcher has no manifest) to a copy in the VirtualStore, which is what
    ; the launcher then reads: both must go.
    DeleteINIStr "$WINDIR\win.ini" "${PRODUCT}" "Path"
    StrCpy $0 $WINDIR "" 2 ; the Windows directory without its drive
    ${If} ${FileExists} "$LOCALAPPDATA\VirtualStore$0\win.ini"
        DeleteINIStr "$LOCALAPPDATA\VirtualStore$0\win.ini" "${PRODUCT}" "Path"
    ${EndIf}

    ; A descriptor left behind (the launcher keeps it when it cannot record
    ; it) would be read by the next first run even if that installation
    ; were cancelled, and name a directory that no longer holds the game.
    StrCpy $1 $WINDIR 1
    Delete "$1:\${DESCRIPTOR}"
SectionEnd
