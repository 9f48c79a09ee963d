# The title's reader, tested on this machine. Included by
# cmake/read-title.cmake for the host builds, where the reader is the target
# title_tool, built with the build's warnings and, in host-asan, its
# sanitizers. Its tables of titles, title_refusals, are a GoogleTest program
# of the host build (CMakeLists.txt beside this file).

# What makensis makes of the names that need quoting: the installer is
# compiled, not run (makensis -V4 prints each command as it will run it).
find_program(TITLE_MAKENSIS makensis)
if(TITLE_MAKENSIS)
    add_test(NAME title_installer_values
             COMMAND bash ${PROJECT_SOURCE_DIR}/tests/title/installer-values.sh ${PROJECT_SOURCE_DIR}
                     $<TARGET_FILE:title_tool> ${TITLE_MAKENSIS})
    set_tests_properties(title_installer_values PROPERTIES LABELS title TIMEOUT 120)
endif()
