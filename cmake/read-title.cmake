# The title: one file (titles/<game>/title.ini) gives the game's names, texts,
# limits and icon to the launcher, its installer, descriptor-check, the disc
# and the tests. A small program of this machine's own (cmake/title/) reads it
# at configure time, refusing every mistake, into ${TITLE_DIR}: Title.h for
# C++, title.sh for the scripts and tests, title.nsh for the installer,
# title.cmake for this build, and the icon as Launcher.rc and icon.ico.
set(LAUNCHER_TITLE ${PROJECT_SOURCE_DIR}/titles/quorvale/title.ini
    CACHE FILEPATH "The title file: the game's names, texts, limits and icon")
set(TITLE_DIR ${PROJECT_BINARY_DIR}/title)

set(title_source_dir ${PROJECT_SOURCE_DIR}/cmake/title)
set(title_sources Main.cpp Read.cpp Check.cpp Languages.cpp Icon.cpp Write.cpp ToolMain.cpp)
list(TRANSFORM title_sources PREPEND ${title_source_dir}/)
set(title_tool ${PROJECT_BINARY_DIR}/title-tool/title)

# Built with the build machine's compiler, whatever this build's target: as
# one translation unit and unoptimised, with clang++ where there is one (it
# takes half the time g++ does), which compiles fastest, and again only when
# a source has changed.
find_program(TITLE_HOST_CXX NAMES clang++ c++ g++ DOC "The build machine's C++ compiler, for cmake/title")
if(NOT TITLE_HOST_CXX)
    message(FATAL_ERROR "No C++ compiler for the build machine (clang++, c++ or g++) to build cmake/title with")
endif()
set(title_stale FALSE)
foreach(source IN LISTS title_sources ITEMS ${title_source_dir}/TitleTool.h)
    if(NOT EXISTS ${title_tool} OR ${source} IS_NEWER_THAN ${title_tool})
        set(title_stale TRUE)
    endif()
endforeach()
if(title_stale)
    set(title_unity ${title_sources})
    list(REMOVE_ITEM title_unity ${title_source_dir}/Main.cpp)
    list(TRANSFORM title_unity PREPEND "-include;")
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/title-tool)
    execute_process(
        COMMAND ${TITLE_HOST_CXX} -std=c++17 -O0 -o ${title_tool}.new ${title_unity} ${title_source_dir}/Main.cpp
        RESULT_VARIABLE title_result
        ERROR_VARIABLE title_errors)
    if(NOT title_result EQUAL 0)
        message(FATAL_ERROR "cmake/title does not compile with ${TITLE_HOST_CXX}:\n${title_errors}")
    endif()
    file(RENAME ${title_tool}.new ${title_tool})
endif()

execute_process(
    COMMAND ${title_tool} ${LAUNCHER_TITLE} ${TITLE_DIR}
    RESULT_VARIABLE title_result
    ERROR_VARIABLE title_errors)
if(NOT title_result EQUAL 0)
    # Indented, so that CMake prints each refusal on one line as it is.
    string(STRIP "${title_errors}" title_errors)
    string(REPLACE "\n" "\n  " title_errors "${title_errors}")
    message(FATAL_ERROR "The title file is refused:\n  ${title_errors}\n")
endif()
include(${TITLE_DIR}/title.cmake)

# The icon as the program's only resource, and as a file for NSIS.
set(TITLE_ICON_RC ${TITLE_DIR}/Launcher.rc)
set(TITLE_ICON_ICO ${TITLE_DIR}/icon.ico)

set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${LAUNCHER_TITLE} ${TITLE_ICON} ${title_sources} ${title_source_dir}/TitleTool.h)

# On this machine the reader is a target as well, built with the build's own
# warnings and sanitizers, and checked by clang-tidy and the title's tests.
if(NOT CMAKE_CROSSCOMPILING)
    # A library, which the title's tests link too: clang-tidy checks each
    # source once.
    set(title_reader_sources ${title_sources})
    list(REMOVE_ITEM title_reader_sources ${title_source_dir}/ToolMain.cpp)
    add_library(title_reader STATIC ${title_reader_sources})
    target_include_directories(title_reader PUBLIC ${title_source_dir})
    add_executable(title_tool ${title_source_dir}/ToolMain.cpp)
    target_link_libraries(title_tool PRIVATE title_reader)
    include(${PROJECT_SOURCE_DIR}/tests/title/tests.cmake)
endif()
