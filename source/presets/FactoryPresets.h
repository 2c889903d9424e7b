// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Parameters.h"
#include "processor/OrnProgram.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cstddef>
#include <vector>

namespace morvane
{

/** One factory preset: a complete stored state, exactly as its file in presets/ holds it, and
    what that state says. */
struct FactoryPreset
{
    juce::String name;     // the program name the state carries: what menus show
    juce::String category; // the category it carries
    juce::String fileName; // its file in presets/, for example "01-small-room.morvane"
    const void* chunk;     // the file's bytes: the stored state a host or --load-state reads
    std::size_t chunkSize;
    std::array<float, OrnProgram::numValues> values; // in host order
};

/** The factory presets, read once from the preset files the build puts into the program.

    A preset is a character, not a mix: where a format lets a preset change some settings and
    not others, it changes the four of `character` and leaves On / Off, Wet and Dry as the user
    set them. Every preset file stores the factory mix, so a format that can only load whole
    states sounds the same on a fresh instance.

    Thread rule: any thread; the list is built on first use and never changes. */
class FactoryPresets
{
public:
    /** The settings a preset stands for. */
    static constexpr std::array<Parameter, 4> character{Parameter::delay, Parameter::size,
                                                        Parameter::lowPass, Parameter::highPass};

    /** Every preset whose file holds a readable program, in the order of their file names. */
    static const std::vector<FactoryPreset>& all();

    /** The preset with this name, in any letter case, with hyphens or underscores for spaces
        ("small-room" finds "Small Room"); -1 when there is none. */
    static int find(const juce::String& name);

    /** The names, joined with ", ", for messages that list them. */
    static juce::String listNames();

    /** Gives the program the preset's name, category and character; the other values stay.
        The caller applies the program to the processor afterwards. */
    static void applyCharacter(const FactoryPreset& preset, OrnProgram& program);
};

} // namespace morvane
