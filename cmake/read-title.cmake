# The title: one file (titles/<game>/title.ini) gives the game's names, texts,
# limits and icon to the launcher, its installer, descriptor-check, the disc
# and the tests. cmake/title.sh reads it at configure time, refusing every
# mistake, into ${TITLE_DIR}: Title.h for C++, title.sh for the scripts and
# tests, title.nsh for the installer, title.cmake for this build.
set(LAUNCHER_TITLE ${PROJECT_SOURCE_DIR}/titles/quorvale/title.ini
    CACHE FILEPATH "The title file: the game's names, texts, limits and icon")
set(TITLE_DIR ${PROJECT_BINARY_DIR}/title)
execute_process(
    COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/title.sh ${LAUNCHER_TITLE} ${TITLE_DIR}
    RESULT_VARIABLE title_result
    ERROR_VARIABLE title_errors)
if(NOT title_result EQUAL 0)
    # Indented, so that CMake prints each refusal on one line as it is.
    string(STRIP "${title_errors}" title_errors)
    string(REPLACE "\n" "\n  " title_errors "${title_errors}")
    message(FATAL_ERROR "The title file is refused:\n  ${title_errors}\n")
endif()
include(${TITLE_DIR}/title.cmake)

# The icon as the program's only resource: the text grid drawn into raw
# resources, or the title's .ico as it is.
set(TITLE_ICON_RC ${TITLE_DIR}/Launcher.rc)
if(TITLE_ICON_KIND STREQUAL grid)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -DINPUT=${TITLE_ICON} -DOUTPUT=${TITLE_ICON_RC}.new
                -P ${PROJECT_SOURCE_DIR}/cmake/mkicon.cmake
        RESULT_VARIABLE icon_result
        ERROR_VARIABLE icon_errors)
    if(NOT icon_result EQUAL 0)
        message(FATAL_ERROR "The title's icon is refused (${LAUNCHER_TITLE}, icon):\n${icon_errors}")
    endif()
    file(COPY_FILE ${TITLE_ICON_RC}.new ${TITLE_ICON_RC} ONLY_IF_DIFFERENT)
else()
    file(CONFIGURE OUTPUT ${TITLE_ICON_RC} CONTENT "1 ICON \"${TITLE_ICON}\"\n")
endif()

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${LAUNCHER_TITLE} ${TITLE_ICON} ${PROJECT_SOURCE_DIR}/cmake/title.sh ${PROJECT_SOURCE_DIR}/cmake/mkicon.cmake)
