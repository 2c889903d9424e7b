// SPDX-License-Identifier: GPL-3.0-or-later
#include "Lv2Host.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <algorithm>
#include <cstdlib>

namespace morvane::test
{

namespace
{
const char* const pluginUri = MORVANE_LV2_URI;
}

Lv2Host::Lv2Host()
{
    setenv("LV2_PATH", MORVANE_LV2_PATH, 1);
    world = lilv_world_new();
    lilv_world_load_all(world);
    auto* uri = lilv_new_uri(world, pluginUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
}

Lv2Host::~Lv2Host()
{
    if (instance != nullptr)
    {
        lilv_instance_deactivate(instance);
        lilv_instance_free(instance);
    }
    lilv_world_free(world);
}

// The smallest host that meets the plug-in's required features: URIDs, options carrying the
// block length bounds, and atom ports for its parameter messages.
bool Lv2Host::instantiate(double rate)
{
    sampleRate = static_cast<float>(rate);
    constexpr auto intSize = static_cast<std::uint32_t>(sizeof(std::int32_t));
    constexpr auto floatSize = static_cast<std::uint32_t>(sizeof(float));
    mapFeature.handle = this;
    mapFeature.map = &Lv2Host::map;
    options = {{LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__minBlockLength), intSize,
                map(LV2_ATOM__Int), &minBlockLength},
               {LV2_OPTIONS_INSTANCE, 0, map(LV2_BUF_SIZE__maxBlockLength), intSize,
                map(LV2_ATOM__Int), &maxBlockLength},
               {LV2_OPTIONS_INSTANCE, 0, map(LV2_PARAMETERS__sampleRate), floatSize,
                map(LV2_ATOM__Float), &sampleRate},
               {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    features = {{LV2_URID__map, &mapFeature},
                {LV2_OPTIONS__options, options.data()},
                {LV2_BUF_SIZE__boundedBlockLength, nullptr}};
    featureList = {&features[0], &features[1], &features[2], nullptr};

    instance = lilv_plugin_instantiate(plugin, rate, featureList.data());
    if (instance == nullptr)
        return false;

    inputs.assign(2, std::vector<float>(maxBlock));
    outputs.assign(2, std::vector<float>(maxBlock));
    atomIn.assign(4096, 0);
    atomOut.assign(4096, 0);

    for (std::uint32_t i = 0; i < lilv_plugin_get_num_ports(plugin); ++i)
        connect(i);

    lilv_instance_activate(instance);
    return true;
}

juce::AudioBuffer<float> Lv2Host::render(const juce::AudioBuffer<float>& input)
{
    juce::AudioBuffer<float> output(2, input.getNumSamples());
    for (int start = 0; start < input.getNumSamples(); start += static_cast<int>(maxBlock))
    {
        const auto n = static_cast<std::uint32_t>(
            std::min<int>(static_cast<int>(maxBlock), input.getNumSamples() - start));
        for (int c = 0; c < 2; ++c)
            std::copy_n(input.getReadPointer(c, start), n,
                        inputs[static_cast<std::size_t>(c)].data());
        writeInputEvents();
        auto* out = reinterpret_cast<LV2_Atom*>(atomOut.data());
        out->size = static_cast<std::uint32_t>(atomOut.size() - sizeof(LV2_Atom));
        out->type = map(LV2_ATOM__Chunk);
        lilv_instance_run(instance, n);
        for (int c = 0; c < 2; ++c)
            output.copyFrom(c, start, outputs[static_cast<std::size_t>(c)].data(),
                            static_cast<int>(n));
    }
    return output;
}

std::string Lv2Host::saveState()
{
    savedState.clear();
    const auto* state = stateInterface();
    if (state == nullptr)
        return {};
    state->save(lilv_instance_get_handle(instance), &Lv2Host::store, this, LV2_STATE_IS_POD,
                nullptr);
    return savedState;
}

bool Lv2Host::restoreState(const std::string& text)
{
    savedState = text;
    const auto* state = stateInterface();
    return state != nullptr &&
           state->restore(lilv_instance_get_handle(instance), &Lv2Host::retrieve, this,
                          LV2_STATE_IS_POD, nullptr) == LV2_STATE_SUCCESS;
}

juce::MemoryBlock Lv2Host::chunkOf(const std::string& savedState)
{
    juce::MemoryBlock chunk;
    chunk.fromBase64Encoding(juce::String(savedState));
    return chunk;
}

std::map<std::string, const LilvNode*> Lv2Host::presets(LilvNodes*& owner)
{
    std::map<std::string, const LilvNode*> found;
    auto* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
    auto* label = lilv_new_uri(world, LILV_NS_RDFS "label");
    owner = lilv_plugin_get_related(plugin, presetClass);
    LILV_FOREACH(nodes, i, owner)
    {
        const auto* preset = lilv_nodes_get(owner, i);
        lilv_world_load_resource(world, preset);
        if (auto* name = lilv_world_get(world, preset, label, nullptr))
        {
            found.emplace(lilv_node_as_string(name), preset);
            lilv_node_free(name);
        }
    }
    lilv_node_free(label);
    lilv_node_free(presetClass);
    return found;
}

std::vector<std::string> Lv2Host::presetLabels()
{
    LilvNodes* owner = nullptr;
    std::vector<std::string> labels;
    for (const auto& entry : presets(owner))
        labels.push_back(entry.first);
    lilv_nodes_free(owner);
    return labels;
}

bool Lv2Host::loadPreset(const std::string& label)
{
    LilvNodes* owner = nullptr;
    const auto all = presets(owner);
    const auto preset = all.find(label);
    LilvState* state = preset == all.end()
                           ? nullptr
                           : lilv_state_new_from_world(world, &mapFeature, preset->second);
    if (state != nullptr)
    {
        // The presets carry no port values, so there is nothing to set on ports.
        lilv_state_restore(
            state, instance, [](const char*, void*, const void*, std::uint32_t, std::uint32_t) {},
            this, 0, featureList.data());
        lilv_state_free(state);
    }
    lilv_nodes_free(owner);
    return state != nullptr;
}

LV2_URID Lv2Host::map(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<Lv2Host*>(handle)->map(uri);
}

LV2_URID Lv2Host::map(const char* uri)
{
    auto [it, added] = urids.emplace(uri, static_cast<LV2_URID>(urids.size() + 1));
    return it->second;
}

const LV2_State_Interface* Lv2Host::stateInterface() const
{
    return static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}

std::string Lv2Host::stateKey() const
{
    return std::string(pluginUri) + ":StateString";
}

LV2_State_Status Lv2Host::store(LV2_State_Handle handle, std::uint32_t key, const void* value,
                                std::size_t size, std::uint32_t type, std::uint32_t)
{
    auto& host = *static_cast<Lv2Host*>(handle);
    if (key != host.map(host.stateKey().c_str()) || type != host.map(LV2_ATOM__String))
        return LV2_STATE_ERR_BAD_TYPE;
    host.savedState.assign(static_cast<const char*>(value), size);
    while (!host.savedState.empty() && host.savedState.back() == '\0')
        host.savedState.pop_back();
    return LV2_STATE_SUCCESS;
}

const void* Lv2Host::retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                              std::uint32_t* type, std::uint32_t* flags)
{
    auto& host = *static_cast<Lv2Host*>(handle);
    if (key != host.map(host.stateKey().c_str()))
        return nullptr;
    *size = host.savedState.size() + 1;
    *type = host.map(LV2_ATOM__String);
    *flags = LV2_STATE_IS_POD;
    return host.savedState.c_str();
}

void Lv2Host::connect(std::uint32_t index)
{
    const auto* port = lilv_plugin_get_port_by_index(plugin, index);
    const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
    void* data = nullptr;
    if (symbol == "audio_in_1" || symbol == "audio_in_2")
        data = inputs[symbol.back() == '1' ? 0u : 1u].data();
    else if (symbol == "audio_out_1" || symbol == "audio_out_2")
        data = outputs[symbol.back() == '1' ? 0u : 1u].data();
    else if (symbol == "in")
        data = atomIn.data();
    else if (symbol == "out")
        data = atomOut.data();
    else if (symbol == "latency")
        data = &latencyValue;
    else if (symbol == "freeWheeling")
        data = &freeWheeling;
    else if (symbol == "enabled")
        data = &enabled;
    lilv_instance_connect_port(instance, index, data);
}

// Parameters travel as patch:Set messages at the start of the next block.
void Lv2Host::writeInputEvents()
{
    LV2_Atom_Forge forge;
    LV2_URID_Map urid{this, &Lv2Host::map};
    lv2_atom_forge_init(&forge, &urid);
    lv2_atom_forge_set_buffer(&forge, atomIn.data(), atomIn.size());
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    for (const auto& [id, value] : pending)
    {
        const auto property = std::string(pluginUri) + ":" + id;
        LV2_Atom_Forge_Frame object;
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_object(&forge, &object, 0, map(LV2_PATCH__Set));
        lv2_atom_forge_key(&forge, map(LV2_PATCH__property));
        lv2_atom_forge_urid(&forge, map(property.c_str()));
        lv2_atom_forge_key(&forge, map(LV2_PATCH__value));
        lv2_atom_forge_float(&forge, value);
        lv2_atom_forge_pop(&forge, &object);
    }
    lv2_atom_forge_pop(&forge, &sequence);
    pending.clear();
}

} // namespace morvane::test
