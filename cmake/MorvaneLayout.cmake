# SPDX-License-Identifier: GPL-3.0-or-later
#
# Where an installation puts each part, relative to its prefix. The plug-in folders are the ones
# hosts scan, Debian's too (/usr/lib/lxvst, not the multiarch library folder); the probe is a
# helper of the renderer rather than a command, so it stays out of the command folder.
include(GNUInstallDirs)

set(MORVANE_INSTALL_VST2DIR lib/lxvst CACHE STRING "Folder of the VST 2.4 module, under the prefix")
set(MORVANE_INSTALL_VST3DIR lib/vst3 CACHE STRING "Folder of the VST3 bundle, under the prefix")
set(MORVANE_INSTALL_LV2DIR lib/lv2 CACHE STRING "Folder of the LV2 bundle, under the prefix")
set(MORVANE_INSTALL_VST3PRESETDIR ${CMAKE_INSTALL_DATADIR}/vst3/presets CACHE STRING
    "Folder of the VST3 factory presets, under the prefix")
set(MORVANE_INSTALL_HELPERDIR lib/morvane CACHE STRING
    "Folder of the renderer's probe program, under the prefix")

# The installed programs find their companions relative to their own folder, so that an
# installation works under any prefix, staged under DESTDIR or moved as a whole.
function(morvane_path_from_bindir out installed)
    foreach(dir IN ITEMS CMAKE_INSTALL_BINDIR MORVANE_INSTALL_VST2DIR MORVANE_INSTALL_HELPERDIR)
        if(IS_ABSOLUTE "${${dir}}")
            message(FATAL_ERROR "${dir} must be relative to the prefix, not ${${dir}}")
        endif()
    endforeach()
    file(RELATIVE_PATH path "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${installed}")
    set(${out} "${path}" PARENT_SCOPE)
endfunction()

morvane_path_from_bindir(MORVANE_PROBE_FROM_BINDIR "${MORVANE_INSTALL_HELPERDIR}/morvane-probe")
morvane_path_from_bindir(MORVANE_VST2_FROM_BINDIR "${MORVANE_INSTALL_VST2DIR}/Morvane.so")

# The release archive is named for the version and the processor the build is for.
set(MORVANE_DIST_NAME morvane-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR})
