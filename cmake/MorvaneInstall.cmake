# SPDX-License-Identifier: GPL-3.0-or-later
#
# Install rules: `cmake --install build --prefix P` (DESTDIR=... to stage) puts every format
# where Linux hosts look for plug-ins, the programs with their manual pages, and the standalone
# application's desktop entry, icon and AppStream metainfo. The Debian packages, the release
# archive and `make install` all install through these rules. Folders: cmake/MorvaneLayout.cmake.

set(MORVANE_RELEASE_DATE 2026-12-08)
set(MORVANE_APP_ID example.quillon.morvane)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(generated ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS morvane_vst2 LIBRARY DESTINATION ${MORVANE_INSTALL_VST2DIR} COMPONENT vst2)
install(TARGETS morvane-render morvane-validate
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(TARGETS morvane-probe RUNTIME DESTINATION ${MORVANE_INSTALL_HELPERDIR} COMPONENT tools)

# The manual pages name the version, the date and where the validator looks for its module.
set(MORVANE_EXAMPLE_VST2 /usr/${MORVANE_INSTALL_VST2DIR}/Morvane.so)
set(man_pages morvane-render morvane-validate)
if(MORVANE_BUILD_FORMATS)
    list(APPEND man_pages morvane)
endif()
foreach(page IN LISTS man_pages)
    configure_file(${packaging}/man/${page}.1.in ${generated}/man/${page}.1 @ONLY)
    if(page STREQUAL "morvane")
        set(component standalone)
    else()
        set(component tools)
    endif()
    install(FILES ${generated}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT ${component})
endforeach()

if(MORVANE_BUILD_FORMATS)
    # JUCE builds each bundle whole in its artefacts folder; a bundle installs as a folder.
    get_target_property(vst3_bundle Morvane_VST3 JUCE_PLUGIN_ARTEFACT_FILE)
    get_target_property(lv2_bundle Morvane_LV2 JUCE_PLUGIN_ARTEFACT_FILE)
    install(DIRECTORY ${vst3_bundle} DESTINATION ${MORVANE_INSTALL_VST3DIR}
        USE_SOURCE_PERMISSIONS COMPONENT vst3)
    # The bundle holds its description and its presets (see cmake/MorvaneLv2Description.cmake).
    install(DIRECTORY ${lv2_bundle} DESTINATION ${MORVANE_INSTALL_LV2DIR}
        USE_SOURCE_PERMISSIONS COMPONENT lv2)
    # The factory presets for VST3 hosts, where they look for a plug-in's shared presets: a
    # folder for the vendor, in it one named as the plug-in is (tools/vst3presets writes them).
    install(DIRECTORY ${MORVANE_VST3_PRESET_DIR}/
        DESTINATION "${MORVANE_INSTALL_VST3PRESETDIR}/Quillon/Morvane Plugin"
        COMPONENT vst3 FILES_MATCHING PATTERN "*.vstpreset")

    install(PROGRAMS $<TARGET_FILE:Morvane_Standalone> DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME morvane COMPONENT standalone)
    configure_file(${packaging}/${MORVANE_APP_ID}.metainfo.xml.in
        ${generated}/${MORVANE_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${packaging}/${MORVANE_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT standalone)
    install(FILES ${packaging}/${MORVANE_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT standalone)
    install(FILES ${generated}/${MORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT standalone)
endif()

# The release archive for other distributions (`make dist`): the same files, the licence, an
# INSTALL text and install.sh (cmake/MorvaneLayout.cmake names it).
set(dist_targets morvane_vst2 morvane-render morvane-probe morvane-validate)
if(MORVANE_BUILD_FORMATS)
    list(APPEND dist_targets Morvane_All)
endif()
add_custom_target(dist
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-dist.sh ${PROJECT_BINARY_DIR}
            ${MORVANE_DIST_NAME} ${PROJECT_BINARY_DIR}
    VERBATIM)
add_dependencies(dist ${dist_targets})
