# What keeps the shipped Launcher.exe small, loadable by Windows 95 and the
# same bytes from every build, and the tests that hold it to that. Included by
# the top-level CMakeLists.txt for the Windows presets, after the Launcher
# target is defined.

# Our own process entry instead of the C runtime's start-up code, which would
# bring in imports and code the launcher never uses; and no C runtime at all:
# Windows 95 as first released has no msvcrt.dll, and refuses to start a
# program that imports it. Only the libraries named here are linked, so a
# call into a C runtime fails the link, naming the function, instead of
# adding an import. That holds for the memcpy and memset GCC may call on its
# own to copy or clear a large record: today it inlines them (checked at -Os
# and -O0); should it ever call one, give it one in platform/win32, built
# with -ffreestanding -fno-tree-loop-distribute-patterns so that the loop is
# not turned back into a call to itself.
target_sources(Launcher PRIVATE ${PROJECT_SOURCE_DIR}/platform/win32/Start.cpp)
target_link_options(Launcher PRIVATE -nostdlib)
# libgcc for what the compiler itself may call (stack probes, say).
target_link_libraries(Launcher PRIVATE kernel32 user32 gcc)
# That entry runs no global constructors, so having one is a link error. The
# linker lays the constructor list out as a -1 marker, the constructors and a
# 0 end marker, each of pointer size.
math(EXPR empty_constructor_list "2 * ${CMAKE_SIZEOF_VOID_P}")
file(CONFIGURE OUTPUT no-constructors.ld @ONLY CONTENT
     "ASSERT(__DTOR_LIST__ - __CTOR_LIST__ == @empty_constructor_list@,
       \"a global constructor: the process entry in Start.cpp does not run them\")\n")
target_link_options(Launcher PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/no-constructors.ld)
set_property(TARGET Launcher APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/no-constructors.ld)

foreach(target IN ITEMS platform launcher_core Launcher)
    # Source paths, should they ever reach the program through __FILE__ or
    # debug information, must not depend on where the tree was checked out.
    target_compile_options(${target} PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
endforeach()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # On 32-bit Windows these tables serve only C++ exceptions, which the
    # launcher does not use; on x86-64 they are part of the platform's ABI.
    foreach(target IN ITEMS platform launcher_core Launcher)
        target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
    endforeach()
    # Windows 95 is version 4.0; it refuses a program that asks for more.
    target_link_options(Launcher PRIVATE
        -Wl,--major-os-version,4,--minor-os-version,0
        -Wl,--major-subsystem-version,4,--minor-subsystem-version,0)
    set(exe_arch i386)
    set(exe_preset win32)
else()
    set(exe_arch x86-64)
    set(exe_preset win64)
endif()

# Format, imports, resources, size, and the title's icon and texts, read from
# the file itself; part of the proof of another title. The program that reads
# it is the build machine's, built at configure time like the title's reader
# (cmake/read-title.cmake) and with its compiler, again only when its source
# has changed.
set(exe_check_source ${PROJECT_SOURCE_DIR}/tests/exe/ExeCheck.cpp)
set(exe_check_tool ${PROJECT_BINARY_DIR}/exe-check/exe-check)
if(NOT EXISTS ${exe_check_tool} OR ${exe_check_source} IS_NEWER_THAN ${exe_check_tool})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/exe-check)
    execute_process(
        COMMAND ${TITLE_HOST_CXX} -std=c++17 -O0 -Wall -Wextra -o ${exe_check_tool}.new ${exe_check_source}
        RESULT_VARIABLE exe_check_result
        ERROR_VARIABLE exe_check_errors)
    if(NOT exe_check_result EQUAL 0)
        message(FATAL_ERROR "tests/exe/ExeCheck.cpp does not compile with ${TITLE_HOST_CXX}:\n${exe_check_errors}")
    elseif(exe_check_errors)
        message(WARNING "tests/exe/ExeCheck.cpp, compiled with ${TITLE_HOST_CXX}:\n${exe_check_errors}")
    endif()
    file(RENAME ${exe_check_tool}.new ${exe_check_tool})
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${exe_check_source})
add_test(NAME exe-check COMMAND ${exe_check_tool} $<TARGET_FILE:Launcher> ${exe_arch} ${TITLE_DIR}/title.sh)
set_tests_properties(exe-check PROPERTIES LABELS proof TIMEOUT 10)
# The checker itself, on spoilt copies of this build's file.
add_test(NAME exe-check-self-test COMMAND ${exe_check_tool} --self-test $<TARGET_FILE:Launcher> ${exe_arch}
                                          ${TITLE_DIR}/title.sh)
set_tests_properties(exe-check-self-test PROPERTIES LABELS exe TIMEOUT 10)

# A second build from a copy of the tree at another path gives the same bytes.
add_test(NAME exe-reproducible
         COMMAND bash ${PROJECT_SOURCE_DIR}/tests/exe/reproducible.sh
                 ${CMAKE_COMMAND} ${PROJECT_SOURCE_DIR} ${exe_preset} $<TARGET_FILE:Launcher>)
set_tests_properties(exe-reproducible PROPERTIES
    LABELS reproducible TIMEOUT 300 ENVIRONMENT TITLE_SH=${TITLE_DIR}/title.sh)
