// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <lilv/lilv.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace morvane::test
{

/** The LV2 bundle in a host of our own built on lilv, the library LV2 hosts load plug-ins with:
    it finds the bundle through LV2_PATH as hosts do (only the bundle just built, never one
    installed in the user's folders), offers the features a host offers, renders, keeps the
    plug-in's state as a session does and loads the bundle's presets as a preset menu does.
    (lv2apply, lilv's own renderer, only connects audio and control ports, so it cannot run a
    plug-in that takes its parameters as messages.) The plug-in draws its random numbers from the
    C library, which this process shares with it: seeding it here is seeding the plug-in.

    Thread rule: one thread, the test's. */
class Lv2Host
{
public:
    static constexpr std::uint32_t maxBlock = 512;

    Lv2Host();
    ~Lv2Host();
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    bool found() const { return plugin != nullptr; }
    bool instantiate(double rate);

    /** Sent as a patch:Set message at the start of the next block rendered. */
    void setParameter(const char* id, float value) { pending[id] = value; }
    void setEnabled(bool on) { enabled = on ? 1.0f : 0.0f; }

    juce::AudioBuffer<float> render(const juce::AudioBuffer<float>& input);

    float latency() const { return latencyValue; }

    /** What a host keeps in its session: the plug-in's one state property, as text. */
    std::string saveState();
    bool restoreState(const std::string& text);

    /** The stored state chunk inside a saved state (JUCE's Base64 form of it). */
    static juce::MemoryBlock chunkOf(const std::string& savedState);

    /** The labels of the presets the bundle describes for the plug-in, in no set order. */
    std::vector<std::string> presetLabels();

    /** Loads the preset with this label as hosts do: lilv reads its state from the bundle and
        hands it to the plug-in's state interface. False when there is none. */
    bool loadPreset(const std::string& label);

private:
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri);
    LV2_URID map(const char* uri);
    const LV2_State_Interface* stateInterface() const;
    std::string stateKey() const;
    static LV2_State_Status store(LV2_State_Handle handle, std::uint32_t key, const void* value,
                                  std::size_t size, std::uint32_t type, std::uint32_t flags);
    static const void* retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                                std::uint32_t* type, std::uint32_t* flags);
    void connect(std::uint32_t index);
    void writeInputEvents();
    // Each preset of the plug-in with its label.
    std::map<std::string, const LilvNode*> presets(LilvNodes*& owner);

    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    std::map<std::string, LV2_URID> urids;
    LV2_URID_Map mapFeature{};
    std::int32_t minBlockLength = 1;
    std::int32_t maxBlockLength = static_cast<std::int32_t>(maxBlock);
    float sampleRate = 44100.0f;
    std::vector<LV2_Options_Option> options;
    std::vector<LV2_Feature> features;
    std::vector<const LV2_Feature*> featureList;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<std::uint8_t> atomIn, atomOut;
    std::map<std::string, float> pending;
    std::string savedState;
    float latencyValue = -1.0f, freeWheeling = 0.0f, enabled = 1.0f;
};

} // namespace morvane::test
