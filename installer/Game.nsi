; The game's installer and uninstaller: what a publisher ships beside
; Launcher.exe, under the title's InstallerName. NSIS 3; the win32 preset
; builds it (installer/CMakeLists.txt) with
;
;   makensis -DTITLE_NSH=<build>/title/title.nsh -DTITLE_CODEPAGE=<its code page>
;            -DFILES_NSH=<files.nsh> -DICON=<icon.ico> -DOUTFILE=<InstallerName> Game.nsi
;
; title.nsh (cmake/title/) gives every name: the game's, its program, the
; descriptor and its key, the WIN.INI entry, the default directory and the
; longest one, its texts in the title's code page; languages.nsh beside it,
; which it includes, each language's name and texts in UTF-8. files.nsh
; (installer/files.sh) copies the game's files and removes them again.
;
; What the launcher needs of it, in the order it must happen:
;   1. the game's files in the directory the player chose;
;   2. then, and only then, the descriptor, a file in the root of the drive
;      that holds Windows: "<DescriptorKey>=<directory>" and CR LF, in the
;      ANSI code page. The launcher reads it once the installer has ended,
;      records the directory in WIN.INI ([ProfileSection] ProfileKey) and
;      deletes it.
; The uninstaller must remove that WIN.INI entry, or the launcher never runs
; the installer again.

; ANSI: runs on Windows 95, and every text below, the descriptor included, is
; in the ANSI code page, so StrLen counts bytes.
Unicode false

!macro REQUIRED NAME
    !ifndef ${NAME}
        !error "${NAME} is not defined: makensis -DTITLE_NSH=<title.nsh> -DTITLE_CODEPAGE=<code page> -DFILES_NSH=<files.nsh> -DICON=<icon.ico> -DOUTFILE=<installer> Game.nsi"
    !endif
!macroend
!insertmacro REQUIRED TITLE_NSH
!insertmacro REQUIRED TITLE_CODEPAGE
!insertmacro REQUIRED FILES_NSH
!insertmacro REQUIRED ICON
!insertmacro REQUIRED OUTFILE
; NSIS turns its texts into those of its English pages' code page, 1252,
; which must hold them.
!include /CHARSET=CP${TITLE_CODEPAGE} "${TITLE_NSH}"
!include "${FILES_NSH}"

!define PRODUCT "${TITLE_NAME}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

SetCompressor /SOLID lzma
; The files' own times would make every build differ.
SetDateSave off

; The pages read a single & as a shortcut's mark, the captions do not. With
; languages the name is the one of the language NSIS shows its pages in.
!if ${TITLE_LANGUAGE_COUNT} > 0
Name "$(TITLE_GAME_NAME)" "$(TITLE_GAME_NAME_PAGES)"
!else
Name "${PRODUCT}" "${TITLE_NAME_DOUBLED_AMPERSANDS}"
!endif
OutFile "${OUTFILE}"
InstallDir "${TITLE_DIRECTORY}"
; The game's, not the installer builder's: no line naming it at the bottom.
BrandingText " "
; Real installers ask for it; on Vista to 11 this is where the launcher's
; plain start of the installer is refused (740) and it goes through the shell.
RequestExecutionLevel admin
ShowInstDetails nevershow
ShowUninstDetails nevershow

!include "LogicLib.nsh"
!include "MUI2.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
; The title's languages, each with NSIS's pages and the game's name in it
; (languages.nsh): NSIS shows the one of the player's Windows, English where
; none is. The Add/Remove Programs entry and the WIN.INI entry keep the
; title's own name and section in every language, so the uninstaller finds
; them whichever language it runs in.
!if ${TITLE_LANGUAGE_COUNT} > 0
    LangString TITLE_GAME_NAME ${LANG_ENGLISH} "${TITLE_NAME}"
    LangString TITLE_GAME_NAME_PAGES ${LANG_ENGLISH} "${TITLE_NAME_DOUBLED_AMPERSANDS}"
    !insertmacro TITLE_INSTALLER_LANGUAGES
!endif

; Sets the error flag, after saying why, when $INSTDIR is too long for the
; game to be started or removed from it: the game's command line
; "<directory>\<GameExeName>" in quotes, and every file's path, the
; uninstaller's included, must fit Windows' 259 bytes (title.nsh).
Function CheckDirectory
    ClearErrors
    StrLen $0 $INSTDIR
    ${If} $0 > ${TITLE_DIRECTORY_MAX}
        MessageBox MB_OK|MB_ICONSTOP "This directory is $0 characters long. ${PRODUCT} can be installed \
            only in a directory of at most ${TITLE_DIRECTORY_MAX} characters, or Windows cannot start it \
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

Section "Game"
    ; A silent run (/S) never showed the directory page.
    Call CheckDirectory
    ${If} ${Errors}
        Abort
    ${EndIf}

    ; 1. The game's files, the uninstaller and its Add/Remove Programs entry.
    !insertmacro GAME_FILES_INSTALL
    SetOutPath "$INSTDIR"
    ClearErrors
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ${If} ${Errors}
        ; Without it the player could never remove the game, nor its WIN.INI
        ; entry: give up before the launcher is told anything.
        MessageBox MB_OK|MB_ICONSTOP "Cannot write $INSTDIR\uninstall.exe." /SD IDOK
        Abort
    ${EndIf}
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; 2. Only now the descriptor, in a section of its own that runs only when the
; one before it finished: the launcher trusts it as soon as it sees it. In the
; root of the drive Windows is on, which need not be C:.
Section "-Descriptor" descriptor_section
    StrCpy $1 $WINDIR 1
    ClearErrors
    FileOpen $0 "$1:\${TITLE_DescriptorFileName}" w
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "Cannot write $1:\${TITLE_DescriptorFileName}: the game will not start." /SD IDOK
        Abort
    ${EndIf}
    FileWrite $0 "${TITLE_DescriptorKey}=$INSTDIR$\r$\n"
    FileClose $0
SectionEnd

Section "Uninstall"
    !insertmacro GAME_FILES_REMOVE
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; Without the entry the next start of the launcher runs the installer
    ; again. Vista to 11 send a standard user's write to WIN.INI (the
    ; launcher has no manifest) to a copy in the VirtualStore, which is what
    ; the launcher then reads: both must go.
    DeleteINIStr "$WINDIR\win.ini" "${TITLE_ProfileSection}" "${TITLE_ProfileKey}"
    StrCpy $0 $WINDIR "" 2 ; the Windows directory without its drive
    ${If} ${FileExists} "$LOCALAPPDATA\VirtualStore$0\win.ini"
        DeleteINIStr "$LOCALAPPDATA\VirtualStore$0\win.ini" "${TITLE_ProfileSection}" "${TITLE_ProfileKey}"
    ${EndIf}

    ; A descriptor left behind (the launcher keeps it when it cannot record
    ; it) would be read by the next first run even if that installation
    ; were cancelled, and name a directory that no longer holds the game.
    StrCpy $1 $WINDIR 1
    Delete "$1:\${TITLE_DescriptorFileName}"
SectionEnd
