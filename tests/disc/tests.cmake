# The game's disc and the signed launcher, tested on the shipped 32-bit file.
# Included by tests/wine/CMakeLists.txt for the win32 build, after the
# scenarios are registered (its variables: template, rows_script, ...).
# The tests use what the build made and never build themselves: ctest may
# run them beside others on this tree.
set(disc_source_dir ${PROJECT_SOURCE_DIR}/tests/disc)
set(disc_work_dir ${PROJECT_BINARY_DIR}/tests/disc)

# Every name, text and limit the tests expect comes from the build's title.
set(disc_title_environment TITLE_SH=${TITLE_DIR}/title.sh)

# tools/disc.sh twice gives the same image; what is on it; its failures.
add_test(NAME disc_check
         COMMAND bash ${disc_source_dir}/disc-check.sh ${PROJECT_BINARY_DIR} ${disc_work_dir}/check)
set_tests_properties(disc_check PROPERTIES
    LABELS "disc;reproducible;proof" TIMEOUT 120 ENVIRONMENT "${disc_title_environment}")

# The image the disc scenarios put in drive D:.
add_test(NAME win32_disc_image
         COMMAND bash ${disc_source_dir}/image.sh ${PROJECT_BINARY_DIR} ${disc_work_dir}/image)
set_tests_properties(win32_disc_image PROPERTIES
    LABELS "win32;disc;proof" TIMEOUT 120 FIXTURES_SETUP win32_disc_image)

# tools/sign.sh with a throwaway certificate; the signed copy it leaves then
# runs the later-run scenario under Wine.
add_test(NAME sign_check
         COMMAND bash ${disc_source_dir}/sign-check.sh ${exe_check_tool} $<TARGET_FILE:Launcher>
                 ${disc_work_dir}/signed)
set_tests_properties(sign_check PROPERTIES LABELS sign TIMEOUT 120 FIXTURES_SETUP win32_signed
    ENVIRONMENT TITLE_SH=${TITLE_DIR}/title.sh)
add_test(NAME win32_signed_later_run
         COMMAND ${namespace} bash ${rows_script} run ${template} $<TARGET_FILE:scenarios>
                 ${disc_work_dir}/signed/Launcher.exe signed later_run)
set_tests_properties(win32_signed_later_run PROPERTIES
    LABELS "win32;sign" TIMEOUT ${scenario_timeout} FIXTURES_REQUIRED "${template_fixture};win32_signed"
    ENVIRONMENT "${wine_environment}")
