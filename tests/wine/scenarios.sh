# shellcheck shell=bash
# shellcheck disable=SC2154 # InstalledDir and the like: harness.sh's; TITLE_*: the title's
# The launcher's end-to-end scenarios, one function each, run by harness.sh
# (which documents the words used here). Each starts from the same world:
# C:\Setup holds the launcher and the installer, C:\Setup\Files holds the
# game the installer copies, and WIN.INI says the game is in the title's
# directory ($InstalledDir), between other keys and sections. Each scenario
# changes what it needs, then says what the player and the installer must see.
# Every name, text and limit is the build's title's (TITLE_*, from title.sh).
#
# A new scenario is a new function here; CMake makes a test of it. One whose
# line ends in "# proof" also runs on the second sample title (label proof):
# together they show each of a title's names and texts at work.

# --- later runs ----------------------------------------------------------------

scenario_later_run() { # proof
    game_in "$InstalledDir"
    # Should the installer run by mistake it would leave a descriptor.
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs game
    expect_game "$InstalledDir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

scenario_directory_missing() { # proof
    entry 'C:\Games\Gone'
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes "$TITLE_CannotSetDirectory"
}

scenario_directory_without_game() { # proof
    entry 'C:\Games\Empty'
    wine_put 'C:\Games\Empty'
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes "$TITLE_CannotFindGame"
}

scenario_trailing_backslash() {
    entry "$InstalledDir\\"
    game_in "$InstalledDir"
    launch
    expect_status 1
    expect_programs game
    expect_game "$InstalledDir" "\"$InstalledDir\\\\$TITLE_GameExeName\""
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# Unquoted, "C:\Games\Q R\<GameExeName>" would start C:\Games\Q.exe.
scenario_directory_with_spaces() {
    entry 'C:\Games\Q R'
    game_in 'C:\Games\Q R'
    decoy_at 'C:\Games\Q.exe'
    launch
    expect_status 1
    expect_programs game
    expect_game 'C:\Games\Q R'
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# long_directory LENGTH: a directory of that many bytes.
long_directory() { printf 'C:\\Games\\%s' "$(printf "%$(($1 - 9))s" '' | tr ' ' d)"; }

# Two quotes, a backslash and the game's name take the rest of the 259 bytes
# the game's command line may have.
scenario_longest_game_directory() { # proof
    local dir
    dir=$(long_directory "$TITLE_GAME_DIRECTORY_MAX")
    entry "$dir"
    game_in "$dir"
    launch
    expect_status 1
    expect_programs game
    expect_game "$dir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

scenario_game_command_line_too_long() { # proof
    local dir
    dir=$(long_directory $((TITLE_GAME_DIRECTORY_MAX + 1)))
    entry "$dir"
    game_in "$dir"
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes "$TITLE_CannotFindGame"
}

# --- what the entry says -------------------------------------------------------

# Only an entry of exactly the title's marker means "not installed"; anything
# else is a directory.
entry_used_as_directory() {
    entry "$1"
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes "$TITLE_CannotSetDirectory"
}

scenario_entry_marker_doubled() { entry_used_as_directory "$TITLE_NotInstalledMarker$TITLE_NotInstalledMarker"; } # proof
scenario_entry_marker_and_letter() { entry_used_as_directory "${TITLE_NotInstalledMarker}x"; }
scenario_entry_empty() { entry_used_as_directory ''; }
# The marker is compared byte for byte: another letter case is a directory.
scenario_entry_marker_in_another_case() { # proof
    other_case "$TITLE_NotInstalledMarker" || return 0
    entry_used_as_directory "$OtherCase"
}

# WIN.INI keys are found whatever their letter case.
scenario_entry_key_in_another_case() {
    other_case "$TITLE_ProfileKey" || return 0
    win_ini "[$TITLE_ProfileSection]" "$OtherCase=$InstalledDir"
    game_in "$InstalledDir"
    launch
    expect_status 1
    expect_programs game
    expect_game "$InstalledDir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# WIN.INI gives the value without the quotes around it.
scenario_entry_in_quotes() {
    entry "\"$InstalledDir\""
    game_in "$InstalledDir"
    launch
    expect_status 1
    expect_programs game
    expect_game "$InstalledDir"
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# --- first runs ------------------------------------------------------------------

# The installer takes its time: a launcher that did not wait would find no
# descriptor yet. It installs into the title's directory, as the real one does.
first_run() {
    installer_env TEST_INSTALL_DELAY_MS=1000
    installer_installs "$InstalledDir"
    launch
    expect_status 1
    expect_programs installer game
    expect_game "$InstalledDir"
    expect_ini entry "$InstalledDir"
    expect_descriptor absent
    expect_boxes
}

scenario_first_run_without_entry() { no_entry; first_run; } # proof
scenario_first_run_with_marker() { entry "$TITLE_NotInstalledMarker"; first_run; } # proof
scenario_first_run_marker_with_blanks() { entry " $TITLE_NotInstalledMarker "; first_run; }
scenario_first_run_without_section() { win_ini '[windows]' 'load=' '[mail]' 'MAPI=1'; first_run; }

scenario_installer_fails_after_writing() {
    entry "$TITLE_NotInstalledMarker"
    installer_env TEST_INSTALL_EXIT=3
    first_run
}

# 259 is what Windows reports for a process still running: a launcher that
# asked for the exit status in a loop would never end.
scenario_installer_exit_status_259() {
    entry "$TITLE_NotInstalledMarker"
    installer_env TEST_INSTALL_EXIT=259
    first_run
}

scenario_installer_cancelled() {
    entry "$TITLE_NotInstalledMarker"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# The installer is started from the current directory only, never found
# through the search path.
scenario_installer_only_on_search_path() { # proof
    entry "$TITLE_NotInstalledMarker"
    rm "$(wine_c_path "$SetupDir\\$TITLE_InstallerName")"
    wine_put 'C:\windows' "$WINE_HELPER_DIR/$TITLE_InstallerName"
    wine_put 'C:\windows\system32' "$WINE_HELPER_DIR/$TITLE_InstallerName"
    installer_installs 'C:\Games\Fresh'
    launch
    expect_status 0
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes "$TITLE_CannotFindInstaller"
}

scenario_descriptor_left_from_earlier_run() {
    entry "$TITLE_NotInstalledMarker"
    descriptor_before '[Setup]\r\n%s=C:\\Games\\Left\r\n' "$TITLE_DescriptorKey"
    game_in 'C:\Games\Left'
    launch
    expect_status 1
    expect_programs installer game
    expect_game 'C:\Games\Left'
    expect_ini entry 'C:\Games\Left'
    expect_descriptor absent
    expect_boxes
}

scenario_win_ini_unwritable() { # proof
    entry "$TITLE_NotInstalledMarker"
    installer_installs 'C:\Games\Fresh'
    win_ini_unwritable
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes "$TITLE_CannotWriteProfile"
}

# --- the descriptor's bytes --------------------------------------------------------

# descriptor_gives VALUE DIR FORMAT [ARG...]: the installer writes the
# printf format; VALUE is recorded, and the game starts from DIR (VALUE as
# WIN.INI gives it back). The title's key goes in as an argument (%s), so that
# no byte of it is taken for a format.
descriptor_gives() {
    entry "$TITLE_NotInstalledMarker"
    game_in "$2"
    installer_writes "${@:3}"
    launch
    expect_status 1
    expect_programs installer game
    expect_game "$2"
    expect_ini entry "$1"
    expect_descriptor absent
    expect_boxes
}

# descriptor_refused FORMAT [ARG...]: the installer writes FORMAT, which holds
# no value the launcher may use.
descriptor_refused() {
    entry "$TITLE_NotInstalledMarker"
    installer_writes "$@"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes "$TITLE_CannotFindDescriptor"
}

scenario_descriptor_crlf() { # proof
    descriptor_gives 'C:\Games\Crlf' 'C:\Games\Crlf' '[Setup]\r\n%s=C:\\Games\\Crlf\r\nGroup=Q\r\n' "$TITLE_DescriptorKey"
}
scenario_descriptor_key_inside_longer_word() {
    descriptor_gives 'C:\Games\Word' 'C:\Games\Word' 'My%ss=C:\\Games\\Word\r\n' "$TITLE_DescriptorKey"
}
scenario_descriptor_first_occurrence_wins() {
    descriptor_gives 'C:\Games\One' 'C:\Games\One' '%s=C:\\Games\\One\r\n%s=C:\\Games\\Two\r\n' \
        "$TITLE_DescriptorKey" "$TITLE_DescriptorKey"
}
scenario_descriptor_equals_on_later_line() {
    descriptor_gives 'C:\Games\Later' 'C:\Games\Later' '%s\r\nOther\r\nName=C:\\Games\\Later\r\n' "$TITLE_DescriptorKey"
}
# The blank before the value is not written to WIN.INI, the one after it is
# not given back.
scenario_descriptor_spaces_around_equals() {
    descriptor_gives 'C:\Games\Spaced ' 'C:\Games\Spaced' '%s = C:\\Games\\Spaced \r\n' "$TITLE_DescriptorKey"
}
scenario_descriptor_nul_before_key() {
    descriptor_gives 'C:\Games\Zero' 'C:\Games\Zero' '\0\0%s=C:\\Games\\Zero\r\n' "$TITLE_DescriptorKey"
}
scenario_descriptor_nul_inside_value() {
    descriptor_gives 'C:\Games\Zero' 'C:\Games\Zero' '%s=C:\\Games\\Zero\0rest\r\n' "$TITLE_DescriptorKey"
}
scenario_descriptor_lone_cr_at_end() {
    descriptor_gives 'C:\Games\Cr' 'C:\Games\Cr' '%s=C:\\Games\\Cr\r' "$TITLE_DescriptorKey"
}
# The first CR is dropped and the second kept; WIN.INI does not give it back.
scenario_descriptor_two_crs() {
    descriptor_gives $'C:\\Games\\Cr\r' 'C:\Games\Cr' '%s=C:\\Games\\Cr\r\r\n' "$TITLE_DescriptorKey"
}

scenario_descriptor_ctrl_z_before_key() { descriptor_refused '\032%s=C:\\Games\\Z\r\n' "$TITLE_DescriptorKey"; }
# The key is compared byte for byte.
scenario_descriptor_key_in_another_case() { # proof
    other_case "$TITLE_DescriptorKey" || return 0
    descriptor_refused '%s=C:\\Games\\Case\r\n' "$OtherCase"
}
scenario_descriptor_empty() { descriptor_refused ''; }
scenario_descriptor_key_without_equals() { descriptor_refused '[Setup]\r\n%s C:\\Games\\X\r\n' "$TITLE_DescriptorKey"; }

scenario_descriptor_value_of_260_bytes() {
    descriptor_refused '%s=%s\r\n' "$TITLE_DescriptorKey" "$(long_directory 260)"
}

# Kept whole, recorded, then used: no such directory.
scenario_descriptor_value_of_259_bytes() {
    local dir
    dir=$(long_directory 259)
    entry "$TITLE_NotInstalledMarker"
    installer_writes '%s=%s\r\n' "$TITLE_DescriptorKey" "$dir"
    launch
    expect_status 1
    expect_programs installer
    expect_ini entry "$dir"
    expect_descriptor absent
    expect_boxes "$TITLE_CannotSetDirectory"
}

# An empty value is recorded, then used: no such directory.
scenario_descriptor_empty_value() {
    entry "$TITLE_NotInstalledMarker"
    installer_writes '%s=\r\nNext=C:\\Games\\Next\r\n' "$TITLE_DescriptorKey"
    launch
    expect_status 1
    expect_programs installer
    expect_ini entry ''
    expect_descriptor absent
    expect_boxes "$TITLE_CannotSetDirectory"
}

# Random bytes, without the first of the key's, so that they never hold it.
scenario_descriptor_random_bytes() {
    local file byte octal
    file=$(scratch_file random.bin)
    RANDOM=1995 # the same bytes on every run
    for ((byte = 0; byte < 4096; byte++)); do
        printf -v octal '%03o' $((RANDOM % 256))
        # shellcheck disable=SC2059 # the format is the byte: an octal escape, no %
        printf "\\$octal"
    done | LC_ALL=C tr -d "$(printf '\\%03o' "'${TITLE_DescriptorKey:0:1}")" >"$file"
    entry "$TITLE_NotInstalledMarker"
    installer_writes_file "$file"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes "$TITLE_CannotFindDescriptor"
}

# Of a byte the key does not hold.
scenario_descriptor_of_64_mib() {
    local file filler
    file=$(scratch_file huge.ini)
    for filler in x y z - _; do
        [[ $TITLE_DescriptorKey == *"$filler"* ]] || break
    done
    {
        head -c $((64 << 20)) /dev/zero | tr '\0' "$filler"
        printf '\r\n%s=C:\\Games\\Huge\r\n' "$TITLE_DescriptorKey"
    } >"$file"
    entry "$TITLE_NotInstalledMarker"
    game_in 'C:\Games\Huge'
    installer_writes_file "$file"
    launch
    expect_status 1
    expect_programs installer game
    expect_game 'C:\Games\Huge'
    expect_ini entry 'C:\Games\Huge'
    expect_descriptor absent
    expect_boxes
}

# The descriptor cannot be opened as a file: the launcher ends quietly.
scenario_descriptor_is_a_directory() {
    entry "$TITLE_NotInstalledMarker"
    mkdir "$WINE_C/$TITLE_DescriptorFileName"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes
}
