; The tests' variants of the game's installer, which Wine here, with no
; screen for a wizard, can run: installer/Game.nsi with this file added after
; it (makensis -DVARIANT=silent|cancel ... Game.nsi "-X!include variant.nsh").
; Only the test builds include it; what ships is built without it.
;
;   silent  installs without asking, as /S does (the launcher passes no
;           arguments), into TEST_INSTALL_DIR when that is set (the launcher
;           passes its environment on), else into the title's directory;
;   cancel  the same, but gives up once the files and the uninstaller are in
;           place, before the descriptor: the launcher must then record
;           nothing.
;
; Both append what happened to the file TEST_LOG names, "installer <what>=
; <value>" a line, as the tests' stand-in installer does: how it was started
; (cmdline, started_from), where it installs (directory), and how it ended
; (result=done or failed; cancelled=before the descriptor).

!if "${VARIANT}" != silent
    !if "${VARIANT}" != cancel
        !error "VARIANT must be silent or cancel, not '${VARIANT}'"
    !endif
!endif

SilentInstall silent

Var test_log

; Appends "installer $R9" to the log.
Function TestLog
    ${If} $test_log != ""
        FileOpen $R8 $test_log a
        FileSeek $R8 0 END
        FileWrite $R8 "installer $R9$\n"
        FileClose $R8
    ${EndIf}
FunctionEnd
!macro TEST_LOG TEXT
    StrCpy $R9 "${TEXT}"
    Call TestLog
!macroend

Function .onInit
    ReadEnvStr $test_log TEST_LOG
    ReadEnvStr $0 TEST_INSTALL_DIR
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
    !insertmacro TEST_LOG "cmdline=$CMDLINE"
    !insertmacro TEST_LOG "started_from=$EXEDIR"
    !insertmacro TEST_LOG "directory=$INSTDIR"
!if "${VARIANT}" == cancel
    ; The game's own section still runs; the descriptor's never does.
    SectionSetFlags ${descriptor_section} 0
    !insertmacro TEST_LOG "cancelled=before the descriptor"
!endif
FunctionEnd

Function .onInstSuccess
    !insertmacro TEST_LOG "result=done"
FunctionEnd

Function .onInstFailed
    !insertmacro TEST_LOG "result=failed"
FunctionEnd
