# SPDX-License-Identifier: GPL-3.0-or-later
#
# Corrects the LV2 bundle's description that JUCE's helper has just written, so that LV2's own
# schemas (lv2_validate) accept it. Run after the helper, on every build of the bundle:
#
#   cmake -DBUNDLE=path/Morvane.lv2 -DPLUGIN_URI=https://... -P MorvaneLv2Description.cmake
#
# Each correction replaces one exact passage of the helper's output. A passage that is already
# corrected is left alone; one that is missing means JUCE writes something else now, and stops
# the build rather than installing a description nobody checked.

foreach(variable IN ITEMS BUNDLE PLUGIN_URI)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "MorvaneLv2Description: ${variable} is not set")
    endif()
endforeach()

function(correct file original corrected)
    file(READ "${BUNDLE}/${file}" text)
    string(FIND "${text}" "${original}" at)
    if(at EQUAL -1)
        string(FIND "${text}" "${corrected}" done)
        if(done EQUAL -1)
            message(FATAL_ERROR "MorvaneLv2Description: ${file} no longer holds\n${original}")
        endif()
        return()
    endif()
    string(REPLACE "${original}" "${corrected}" text "${text}")
    file(WRITE "${BUNDLE}/${file}" "${text}")
endfunction()

# The maintainer, the release and the licence are properties of a project: the plug-in is one,
# and a reverb. The helper's empty home page and mailbox (<>) would name the description file
# itself as both.
correct(dsp.ttl
    "\ta lv2:Plugin ;\n\tdoap:name"
    "\ta lv2:Plugin , lv2:ReverbPlugin , doap:Project ;\n\tdoap:license <http://usefulinc.com/doap/licenses/gpl> ;\n\tdoap:name")
correct(dsp.ttl
    "\t\tfoaf:name \"Quillon\" ;\n\t\tfoaf:homepage <> ;\n\t\tfoaf:mbox <> ;\n"
    "\t\tfoaf:name \"Quillon\" ;\n")

# The editor's interfaces: "no user resize" is a feature the host may offer, not data the editor
# provides; the options interface is data the editor provides, not a feature. Each stays in the
# list where it belongs.
correct(ui.ttl
    "\tlv2:extensionData\n\t\tui:idleInterface ,\n\t\topts:interface ,\n\t\tui:noUserResize ,\n\t\tui:resize ;"
    "\tlv2:extensionData\n\t\tui:idleInterface ,\n\t\topts:interface ,\n\t\tui:resize ;")
correct(ui.ttl
    "\tlv2:optionalFeature\n\t\tui:noUserResize ,\n\t\topts:interface ,\n\t\topts:options ;"
    "\tlv2:optionalFeature\n\t\tui:noUserResize ,\n\t\topts:options ;")

# Presets. JUCE's helper writes one pset:Preset per program, "default" and after it the factory
# presets (source/presets), each selecting its program through a state key of the plug-in's own,
# which a description must define.
file(READ "${BUNDLE}/manifest.ttl" manifest)
set(program_key "<${PLUGIN_URI}:Program>")
string(FIND "${manifest}" "${program_key}\n\ta rdf:Property" defined)
if(defined EQUAL -1)
    file(APPEND "${BUNDLE}/manifest.ttl"
        "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n"
        "${program_key}\n"
        "\ta rdf:Property ;\n"
        "\trdfs:label \"program\" ;\n"
        "\trdfs:comment \"The number of the plug-in's program that a preset selects.\" ;\n"
        "\trdfs:range xsd:int .\n")
endif()
