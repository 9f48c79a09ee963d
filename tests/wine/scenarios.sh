# shellcheck shell=bash
# The launcher's end-to-end scenarios, one function each, run by scenario.sh
# (which documents the words used here). Each starts from the same world:
# C:\Setup holds the launcher and install.exe, C:\Setup\Files holds the game
# the installer copies, and WIN.INI says the game is in C:\Games\Quorvale,
# between other keys and sections. Each scenario changes what it needs, then
# says what the player and the installer must see.
#
# A new scenario is a new function here; CMake makes a test of it.

# --- later runs ----------------------------------------------------------------

scenario_later_run() {
    game_in 'C:\Games\Quorvale'
    # Should the installer run by mistake it would leave a descriptor.
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs game
    expect_game 'C:\Games\Quorvale'
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

scenario_directory_missing() {
    entry 'C:\Games\Gone'
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes 'Cannot set the current directory'
}

scenario_directory_without_game() {
    entry 'C:\Games\Empty'
    wine_put 'C:\Games\Empty'
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes 'Cannot find game EXE!'
}

scenario_trailing_backslash() {
    # shellcheck disable=SC1003 # the backslash ends the value; it escapes nothing
    entry 'C:\Games\Quorvale\'
    game_in 'C:\Games\Quorvale'
    launch
    expect_status 1
    expect_programs game
    expect_game 'C:\Games\Quorvale' '"C:\Games\Quorvale\\Quor.exe"'
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# Unquoted, "C:\Games\Q R\Quor.exe" would start C:\Games\Q.exe.
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

# Two quotes, a backslash and Quor.exe take 11 of the 259 bytes a command line
# may have, which leaves 248 for the directory.
long_directory() { printf 'C:\\Games\\%s' "$(printf "%$(($1 - 9))s" '' | tr ' ' d)"; }

scenario_longest_game_directory() {
    local dir
    dir=$(long_directory 248)
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

scenario_game_command_line_too_long() {
    local dir
    dir=$(long_directory 249)
    entry "$dir"
    game_in "$dir"
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes 'Cannot find game EXE!'
}

# --- what the entry says -------------------------------------------------------

# Only an entry of exactly "*" means "not installed"; anything else is a directory.
entry_used_as_directory() {
    entry "$1"
    installer_installs 'C:\Games\Other'
    launch
    expect_status 1
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes 'Cannot set the current directory'
}

scenario_entry_two_stars() { entry_used_as_directory '**'; }
scenario_entry_star_and_letter() { entry_used_as_directory '*x'; }
scenario_entry_empty() { entry_used_as_directory ''; }

# WIN.INI gives the value without the quotes around it.
scenario_entry_in_quotes() {
    entry '"C:\Games\Quorvale"'
    game_in 'C:\Games\Quorvale'
    launch
    expect_status 1
    expect_programs game
    expect_game 'C:\Games\Quorvale'
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# --- first runs ------------------------------------------------------------------

# The installer takes its time: a launcher that did not wait would find no
# descriptor yet.
first_run() {
    installer_env TEST_INSTALL_DELAY_MS=1000
    installer_installs 'C:\Games\Fresh'
    launch
    expect_status 1
    expect_programs installer game
    expect_game 'C:\Games\Fresh'
    expect_ini entry 'C:\Games\Fresh'
    expect_descriptor absent
    expect_boxes
}

scenario_first_run_without_entry() { no_entry; first_run; }
scenario_first_run_with_marker() { entry '*'; first_run; }
scenario_first_run_marker_with_blanks() { entry ' * '; first_run; }
scenario_first_run_without_section() { win_ini '[windows]' 'load=' '[mail]' 'MAPI=1'; first_run; }

scenario_installer_fails_after_writing() {
    entry '*'
    installer_env TEST_INSTALL_EXIT=3
    first_run
}

# 259 is what Windows reports for a process still running: a launcher that
# asked for the exit status in a loop would never end.
scenario_installer_exit_status_259() {
    entry '*'
    installer_env TEST_INSTALL_EXIT=259
    first_run
}

scenario_installer_cancelled() {
    entry '*'
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes
}

# The installer is started from the current directory only, never found
# through the search path.
scenario_installer_only_on_search_path() {
    entry '*'
    rm "$(wine_c_path 'C:\Setup\install.exe')"
    wine_put 'C:\windows' "$WINE_HELPER_DIR/install.exe"
    wine_put 'C:\windows\system32' "$WINE_HELPER_DIR/install.exe"
    installer_installs 'C:\Games\Fresh'
    launch
    expect_status 0
    expect_programs
    expect_ini unchanged
    expect_descriptor absent
    expect_boxes 'Cannot find install prog!'
}

scenario_descriptor_left_from_earlier_run() {
    entry '*'
    descriptor_before '[Setup]\r\nDestinationPath=C:\\Games\\Left\r\n'
    game_in 'C:\Games\Left'
    launch
    expect_status 1
    expect_programs installer game
    expect_game 'C:\Games\Left'
    expect_ini entry 'C:\Games\Left'
    expect_descriptor absent
    expect_boxes
}

scenario_win_ini_unwritable() {
    entry '*'
    installer_installs 'C:\Games\Fresh'
    win_ini_unwritable
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes 'Could not write to WIN.INI!'
}

# --- the descriptor's bytes --------------------------------------------------------

# descriptor_gives VALUE DIR FORMAT: the installer writes FORMAT; VALUE is
# recorded, and the game starts from DIR (VALUE as WIN.INI gives it back).
descriptor_gives() {
    entry '*'
    game_in "$2"
    installer_writes "$3"
    launch
    expect_status 1
    expect_programs installer game
    expect_game "$2"
    expect_ini entry "$1"
    expect_descriptor absent
    expect_boxes
}

# descriptor_refused FORMAT: the installer writes FORMAT, which holds no value
# the launcher may use.
descriptor_refused() {
    entry '*'
    installer_writes "$@"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes 'Cannot find path descriptor!'
}

scenario_descriptor_crlf() {
    descriptor_gives 'C:\Games\Crlf' 'C:\Games\Crlf' '[Setup]\r\nDestinationPath=C:\\Games\\Crlf\r\nGroup=Q\r\n'
}
scenario_descriptor_key_inside_longer_word() {
    descriptor_gives 'C:\Games\Word' 'C:\Games\Word' 'MyDestinationPaths=C:\\Games\\Word\r\n'
}
scenario_descriptor_first_occurrence_wins() {
    descriptor_gives 'C:\Games\One' 'C:\Games\One' 'DestinationPath=C:\\Games\\One\r\nDestinationPath=C:\\Games\\Two\r\n'
}
scenario_descriptor_equals_on_later_line() {
    descriptor_gives 'C:\Games\Later' 'C:\Games\Later' 'DestinationPath\r\nOther\r\nName=C:\\Games\\Later\r\n'
}
# The blank before the value is not written to WIN.INI, the one after it is
# not given back.
scenario_descriptor_spaces_around_equals() {
    descriptor_gives 'C:\Games\Spaced ' 'C:\Games\Spaced' 'DestinationPath = C:\\Games\\Spaced \r\n'
}
scenario_descriptor_nul_before_key() {
    descriptor_gives 'C:\Games\Zero' 'C:\Games\Zero' '\0\0DestinationPath=C:\\Games\\Zero\r\n'
}
scenario_descriptor_nul_inside_value() {
    descriptor_gives 'C:\Games\Zero' 'C:\Games\Zero' 'DestinationPath=C:\\Games\\Zero\0rest\r\n'
}
scenario_descriptor_lone_cr_at_end() {
    descriptor_gives 'C:\Games\Cr' 'C:\Games\Cr' 'DestinationPath=C:\\Games\\Cr\r'
}
# The first CR is dropped and the second kept; WIN.INI does not give it back.
scenario_descriptor_two_crs() {
    descriptor_gives $'C:\\Games\\Cr\r' 'C:\Games\Cr' 'DestinationPath=C:\\Games\\Cr\r\r\n'
}

scenario_descriptor_ctrl_z_before_key() { descriptor_refused '\032DestinationPath=C:\\Games\\Z\r\n'; }
scenario_descriptor_key_in_another_case() { descriptor_refused 'destinationpath=C:\\Games\\Case\r\n'; }
scenario_descriptor_empty() { descriptor_refused ''; }
scenario_descriptor_key_without_equals() { descriptor_refused '[Setup]\r\nDestinationPath C:\\Games\\X\r\n'; }

scenario_descriptor_value_of_260_bytes() {
    descriptor_refused 'DestinationPath=%s\r\n' "$(long_directory 260)"
}

# Kept whole, recorded, then used: no such directory.
scenario_descriptor_value_of_259_bytes() {
    local dir
    dir=$(long_directory 259)
    entry '*'
    installer_writes 'DestinationPath=%s\r\n' "$dir"
    launch
    expect_status 1
    expect_programs installer
    expect_ini entry "$dir"
    expect_descriptor absent
    expect_boxes 'Cannot set the current directory'
}

# An empty value is recorded, then used: no such directory.
scenario_descriptor_empty_value() {
    entry '*'
    installer_writes 'DestinationPath=\r\nNext=C:\\Games\\Quorvale\r\n'
    launch
    expect_status 1
    expect_programs installer
    expect_ini entry ''
    expect_descriptor absent
    expect_boxes 'Cannot set the current directory'
}

scenario_descriptor_random_bytes() {
    local file byte octal
    file=$(scratch_file random.bin)
    RANDOM=1995 # the same bytes on every run
    for ((byte = 0; byte < 4096; byte++)); do
        printf -v octal '%03o' $((RANDOM % 256))
        # shellcheck disable=SC2059 # the format is the byte: an octal escape, no %
        printf "\\$octal"
    done >"$file"
    entry '*'
    installer_writes_file "$file"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes 'Cannot find path descriptor!'
}

scenario_descriptor_of_64_mib() {
    local file
    file=$(scratch_file huge.ini)
    {
        head -c $((64 << 20)) /dev/zero | tr '\0' x
        printf '\r\nDestinationPath=C:\\Games\\Huge\r\n'
    } >"$file"
    entry '*'
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
    entry '*'
    mkdir "$WINE_C/marlock.ini"
    launch
    expect_status 0
    expect_programs installer
    expect_ini unchanged
    expect_descriptor present
    expect_boxes
}
