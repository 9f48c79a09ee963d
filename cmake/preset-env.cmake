# Prints the environment a test preset of CMakePresets.json sets, one
# NAME=VALUE a line, for running its tests in a build folder of another title
# (ctest --preset always takes the preset's own folder).
#
#   cmake -DPRESET=host-asan -P cmake/preset-env.cmake
file(READ ${CMAKE_CURRENT_LIST_DIR}/../CMakePresets.json presets)
string(JSON count LENGTH "${presets}" testPresets)
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
    string(JSON name GET "${presets}" testPresets ${i} name)
    if(NOT name STREQUAL PRESET)
        continue()
    endif()
    string(JSON environment ERROR_VARIABLE none GET "${presets}" testPresets ${i} environment)
    if(none)
        return()
    endif()
    string(JSON variables LENGTH "${environment}")
    if(variables EQUAL 0)
        return()
    endif()
    math(EXPR last_variable "${variables} - 1")
    foreach(j RANGE ${last_variable})
        string(JSON variable MEMBER "${environment}" ${j})
        string(JSON value GET "${environment}" ${variable})
        execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${variable}=${value}")
    endforeach()
endforeach()
