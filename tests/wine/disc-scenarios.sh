# shellcheck shell=bash
# shellcheck disable=SC2154,SC2034 # slot, SetupDir, WINE_STATUS and the like: harness.sh's
# shellcheck disable=SC1003 # Windows paths end in a backslash
# The player's runs from the game's disc, run by harness.sh like the
# scenarios in scenarios.sh, on the shipped 32-bit file only (label win32:
# see CMakeLists.txt). The disc is drive D:, a CD-ROM drive in Wine's drive
# settings, read-only, holding the files of the image that tools/disc.sh
# made for the test (the one image in DISC_DIR, made by tests/disc/image.sh),
# extracted from the image itself. AutoPlay's part is played by autoplay.exe:
# it reads open= from D:\AUTORUN.INF and starts that program in D:\. Names
# come from the build's title (TITLE_SH, read by lifecycle.sh).
#
# The image holds the installer's silent variant when the project builds
# one (DISC_DIR/installer says "silent"), else the test stand-in, which
# copies the game from C:\Setup\Files on the writable C: (there in every
# scenario) as the real installer copies it out of itself. With the stand-in
# the scenarios also see its own record of where and how it ran.

DiscRoot='D:\'

# The disc in drive D:, from the image; with "--without NAME" a disc on which
# that file is missing.
disc_in_drive() {
    title_values || return 1
    local images=("${DISC_DIR:-}"/*.iso) dir=$WINE_SCRATCH/disc
    local image=${images[0]}
    if [ -z "${DISC_DIR:-}" ] || [ ${#images[@]} -ne 1 ] || [ ! -f "$image" ]; then
        fail "no disc image, or more than one: DISC_DIR must name the directory tests/disc/image.sh wrote"
        return 1
    fi
    mkdir -p "$dir" || return 1
    if ! xorriso -osirrox on -indev "$image" -extract / "$dir" >"$WINE_SCRATCH/extract.log" 2>&1; then
        fail "could not extract $image: $(tail -n1 "$WINE_SCRATCH/extract.log")"
        return 1
    fi
    [ "${1:-}" != --without ] || rm -f "$dir/$2"
    disc_listing "$dir" >"$WINE_SCRATCH/disc.before"
    if ! wine_read_only "$dir"; then
        fail "could not make the disc read-only (scenarios run in shell/namespace.sh, which allows mounts)"
        return 1
    fi
    undo_steps+=("umount '$dir'")
    local output
    if ! output=$(timeout 60 "$WINE" "$WINE_HELPER_DIR/cddrive.exe" d: "$dir" </dev/null 9>&-); then
        fail "could not make D: a CD-ROM drive: $output"
        return 1
    fi
    # Removing the drive takes its value out of HKLM\Software\Wine\Drives;
    # the key itself, which a new prefix lacks, goes too, so that the
    # registry ends as the template's.
    undo_steps+=("disc_out_of_drive")
    SetupDir=$DiscRoot
}

disc_out_of_drive() {
    timeout 60 "$WINE" "$WINE_HELPER_DIR/cddrive.exe" d: </dev/null >/dev/null 9>&-
    if ! grep -qi '^\[Software\\\\Wine\\\\Drives\]' "$template/system.reg"; then
        timeout 60 "$WINE" reg delete 'HKLM\Software\Wine\Drives' /f </dev/null >/dev/null 2>&1 9>&-
    fi
}

# Every file on the disc: name, size, time and contents.
disc_listing() {
    (cd "$1" && find . -printf '%P %y %s %T@ ' -exec sh -c 'test -f "$1" && sha256sum <"$1" || echo' _ {} \; |
        LC_ALL=C sort)
}

# The installer on the disc records its runs only when it is the stand-in.
disc_installer_is_standin() { [ "$(cat "$DISC_DIR/installer" 2>/dev/null)" != silent ]; }

# What AutoPlay does when the disc goes in: the program named by AUTORUN.INF
# starts in D:\; it is waited for, so WINE_STATUS is its exit status.
launch_from_disc() {
    cp "$WINE_C/windows/win.ini" "$WINE_SCRATCH/win.ini.before"
    wine_watch_start || return 1
    WINE_STATUS=0
    (cd "$WINE_C" && env TEST_LOG='C:\logs\run.log' "${run_env[@]}" \
        timeout "$WINE_RUN_SECONDS" "$WINE" "$WINE_HELPER_DIR/autoplay.exe" "$DiscRoot" \
        </dev/null >"$WINE_SCRATCH/autoplay.log" 9>&-) || WINE_STATUS=$?
    wine_watch_stop
    launched=1
}

# expect_autoplay LINE: what autoplay.exe said last.
expect_autoplay() {
    check "AutoPlay" "$1" "$(tr -d '\r' <"$WINE_SCRATCH/autoplay.log" | tail -n1)"
}

expect_disc_untouched() {
    check "the disc after the run" "$(cat "$WINE_SCRATCH/disc.before")" "$(disc_listing "$WINE_SCRATCH/disc")"
}

scenario_disc_first_run() { # proof
    disc_in_drive || return 1
    no_entry
    installer_installs "$GameDir"
    launch_from_disc
    expect_autoplay 'autoplay: started D:\Launcher.exe in D:\'
    expect_status 1
    disc_installer_is_standin || RealInstaller=silent
    expect_programs installer game
    if disc_installer_is_standin; then
        check "the game installed" yes "$([ -f "$(c_path "$GameDir")/$TITLE_GameExeName" ] && echo yes || echo no)"
    else
        check "installer started from" 'D:' "$(wine_log_values installer started_from)"
        expect_installed "$GameDir" yes
    fi
    expect_game "$GameDir"
    expect_ini entry "$GameDir"
    expect_descriptor absent
    expect_boxes
    expect_disc_untouched
    # Its uninstall entry would outlive the scenario in the slot's registry.
    disc_installer_is_standin || uninstall "$GameDir"
}

scenario_disc_later_run() {
    disc_in_drive || return 1
    entry "$GameDir"
    game_in "$GameDir"
    # Should the installer run by mistake it would leave a descriptor.
    installer_installs 'C:\Games\Other'
    launch_from_disc
    expect_autoplay 'autoplay: started D:\Launcher.exe in D:\'
    expect_status 1
    expect_programs game
    expect_game "$GameDir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
    expect_disc_untouched
}

# A disc whose AUTORUN.INF names a program that is not on it: AutoPlay says
# what it found, and nothing runs.
scenario_disc_program_missing() {
    disc_in_drive --without Launcher.exe || return 1
    no_entry
    installer_installs "$GameDir"
    launch_from_disc
    expect_autoplay 'autoplay: D:\AUTORUN.INF names D:\Launcher.exe, which is not on the disc'
    expect_status 2
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
    expect_disc_untouched
}
