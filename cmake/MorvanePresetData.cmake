# SPDX-License-Identifier: GPL-3.0-or-later
#
# Builds the factory presets into the program: writes a C++ source that holds the bytes of every
# preset file, in the order of their file names, so that the files in presets/ stay the one place
# where a preset is kept. Run by the build whenever a preset file changes:
#
#   cmake -DPRESET_DIR=path/presets -DOUTPUT=path/FactoryPresetData.cpp -P MorvanePresetData.cmake
#
# A file that is not framed as a stored state ("VC2!", its length, the text, a zero byte) stops
# the build: a preset that cannot be read must not ship.

foreach(variable IN ITEMS PRESET_DIR OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "MorvanePresetData: ${variable} is not set")
    endif()
endforeach()

file(GLOB preset_files LIST_DIRECTORIES false "${PRESET_DIR}/*.morvane")
list(SORT preset_files)
if(NOT preset_files)
    message(FATAL_ERROR "MorvanePresetData: no *.morvane file in ${PRESET_DIR}")
endif()

set(arrays "")
set(entries "")
set(index 0)
foreach(preset IN LISTS preset_files)
    get_filename_component(name "${preset}" NAME)
    file(SIZE "${preset}" size)
    file(READ "${preset}" bytes HEX)
    # The frame: the magic, a little-endian length of size - 9, and a closing zero byte.
    string(SUBSTRING "${bytes}" 0 8 magic)
    if(size LESS 10 OR NOT magic STREQUAL "56433221")
        message(FATAL_ERROR "MorvanePresetData: ${preset} is not a stored state")
    endif()
    string(SUBSTRING "${bytes}" 8 8 length_hex)
    string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" length_hex "${length_hex}")
    math(EXPR length "0x${length_hex}")
    math(EXPR expected "${size} - 9")
    math(EXPR last "${size} * 2 - 2")
    string(SUBSTRING "${bytes}" ${last} 2 terminator)
    if(NOT length EQUAL expected OR NOT terminator STREQUAL "00")
        message(FATAL_ERROR "MorvanePresetData: ${preset} has a broken frame")
    endif()

    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
    string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const unsigned char preset${index}[] = {\n    ${bytes}};\n")
    string(APPEND entries "    {\"${name}\", preset${index}, sizeof(preset${index})},\n")
    math(EXPR index "${index} + 1")
endforeach()

set(text "// Written by cmake/MorvanePresetData.cmake from the files in presets/; edit those instead.
#include \"presets/FactoryPresetData.h\"

namespace morvane
{

namespace
{
${arrays}} // namespace

const EmbeddedPresetFile embeddedPresetFiles[] = {
${entries}};

const std::size_t embeddedPresetFileCount = ${index};

} // namespace morvane
")

file(WRITE "${OUTPUT}" "${text}")
