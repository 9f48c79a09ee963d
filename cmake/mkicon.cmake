# Turns the text icon (a 32x32 grid of 16-colour palette indexes) into a
# resource script holding one icon group with one image. The image and the
# group are written as raw resources of types 3 (icon) and 14 (icon group), so
# the build needs no binary .ico file and no tool beyond windres.
#
#   cmake -DINPUT=icon.txt -DOUTPUT=Launcher.rc -P mkicon.cmake
#
# An OUTPUT ending in .ico gets the same image as an icon file instead, for
# tools that take only those (NSIS).

set(size 32)
set(palette_count 16)

file(STRINGS "${INPUT}" lines)
set(palette "")
set(rows "")
foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR line STREQUAL "")
        continue()
    elseif(line MATCHES "^palette ([0-9A-F]) ([0-9A-Fa-f][0-9A-Fa-f])([0-9A-Fa-f][0-9A-Fa-f])([0-9A-Fa-f][0-9A-Fa-f])$")
        list(LENGTH palette bytes_so_far)
        math(EXPR expected "${bytes_so_far} / 4")
        math(EXPR index "0x${CMAKE_MATCH_1}")
        if(NOT index EQUAL expected)
            message(FATAL_ERROR "${INPUT}: palette entries must come in order 0 to F: ${line}")
        endif()
        # A palette entry is blue, green, red and a zero byte.
        list(APPEND palette ${CMAKE_MATCH_4} ${CMAKE_MATCH_3} ${CMAKE_MATCH_2} 00)
    elseif(line MATCHES "^[0-9A-F.]+$")
        string(LENGTH "${line}" width)
        if(NOT width EQUAL size)
            message(FATAL_ERROR "${INPUT}: a row must have ${size} pixels: ${line}")
        endif()
        list(APPEND rows "${line}")
    else()
        message(FATAL_ERROR "${INPUT}: cannot read this line: ${line}")
    endif()
endforeach()
list(LENGTH palette palette_bytes)
list(LENGTH rows height)
math(EXPR expected_palette_bytes "${palette_count} * 4")
if(NOT palette_bytes EQUAL expected_palette_bytes OR NOT height EQUAL size)
    message(FATAL_ERROR "${INPUT}: needs ${palette_count} palette lines and ${size} rows")
endif()

# Appends a 16- or 32-bit little-endian value to `bytes`, as hex byte pairs.
function(append_le var value byte_count)
    set(result ${${var}})
    foreach(i RANGE 1 ${byte_count})
        math(EXPR byte "(${value} >> (8 * (${i} - 1))) & 255" OUTPUT_FORMAT HEXADECIMAL)
        string(REGEX REPLACE "^0x" "" byte "${byte}")
        string(LENGTH "${byte}" digits)
        if(digits EQUAL 1)
            set(byte "0${byte}")
        endif()
        list(APPEND result ${byte})
    endforeach()
    set(${var} ${result} PARENT_SCOPE)
endfunction()

# Pixels (4 bits each, left pixel in the high nibble) and the transparency
# mask (1 bit each, left pixel in the high bit), both bottom row first.
set(pixels "")
set(mask "")
foreach(y RANGE 31 0 -1)
    list(GET rows ${y} row)
    set(mask_bits 0)
    foreach(x RANGE 0 31 2)
        string(SUBSTRING "${row}" ${x} 2 pair)
        string(REPLACE "." "0" digits "${pair}")
        list(APPEND pixels ${digits})
        foreach(offset 0 1)
            string(SUBSTRING "${pair}" ${offset} 1 pixel)
            if(pixel STREQUAL ".")
                math(EXPR mask_bits "${mask_bits} | (1 << (31 - ${x} - ${offset}))")
            endif()
        endforeach()
    endforeach()
    # The mask row is stored most significant byte first.
    foreach(shift 24 16 8 0)
        math(EXPR byte "(${mask_bits} >> ${shift}) & 255")
        append_le(mask ${byte} 1)
    endforeach()
endforeach()

# The image: a bitmap header for twice the height (pixels and mask), then the
# palette, the pixels and the mask.
set(image "")
append_le(image 40 4)             # header size
append_le(image ${size} 4)        # width
append_le(image "${size} * 2" 4)  # height of pixels and mask together
append_le(image 1 2)              # planes
append_le(image 4 2)              # bits per pixel
append_le(image 0 4)              # no compression
append_le(image "${size} * ${size} / 2 + ${size} * 4" 4)
foreach(unused RANGE 1 4)
    append_le(image 0 4)          # resolution and colour counts
endforeach()
list(APPEND image ${palette} ${pixels} ${mask})
list(LENGTH image image_size)

set(group "")
append_le(group 0 2)              # reserved
append_le(group 1 2)              # type: icon
append_le(group 1 2)              # one image
append_le(group ${size} 1)        # width
append_le(group ${size} 1)        # height
append_le(group ${palette_count} 1)
append_le(group 0 1)              # reserved
append_le(group 1 2)              # planes
append_le(group 4 2)              # bits per pixel
append_le(group ${image_size} 4)
append_le(group 1 2)              # the image's resource id

# windres takes raw data as 16-bit words, low byte first.
function(words_of var bytes)
    set(text "")
    set(count 0)
    list(LENGTH bytes byte_count)
    math(EXPR last "${byte_count} - 1")
    foreach(i RANGE 0 ${last} 2)
        math(EXPR high "${i} + 1")
        list(GET bytes ${i} low_byte)
        list(GET bytes ${high} high_byte)
        if(NOT text STREQUAL "")
            string(APPEND text ",")
        endif()
        if(count EQUAL 0)
            string(APPEND text "\n   ")
        endif()
        string(APPEND text " 0x${high_byte}${low_byte}")
        math(EXPR count "(${count} + 1) % 12")
    endforeach()
    set(${var} "${text}" PARENT_SCOPE)
endfunction()

if(OUTPUT MATCHES "\\.[iI][cC][oO]$")
    # The file's directory entry is the group's, with the image's offset in
    # the file (after the 6-byte header and the one 16-byte entry) in place
    # of its resource id. CMake writes no NUL byte: coreutils' basenc does.
    list(SUBLIST group 0 18 icon_file)
    append_le(icon_file 22 4)
    list(APPEND icon_file ${image})
    list(JOIN icon_file "" hex)
    string(TOUPPER "${hex}" hex)
    file(WRITE "${OUTPUT}.hex" "${hex}")
    execute_process(
        COMMAND basenc --base16 --decode "${OUTPUT}.hex"
        OUTPUT_FILE "${OUTPUT}"
        RESULT_VARIABLE decoded)
    file(REMOVE "${OUTPUT}.hex")
    if(NOT decoded EQUAL 0)
        message(FATAL_ERROR "basenc (coreutils) could not write ${OUTPUT}")
    endif()
    return()
endif()

words_of(image_words "${image}")
words_of(group_words "${group}")
file(WRITE "${OUTPUT}" "// Generated from the text icon by mkicon.cmake; edit that instead.
1 3
{${image_words}
}

1 14
{${group_words}
}
")
