#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The LV2 bundle in a host of our own built on lilv, the library LV2 hosts load plug-ins with:
// it finds the bundle through LV2_PATH as hosts do, offers the features a host offers, and renders
// a file. The result must match morvane-render sample for sample. (lv2apply, lilv's own renderer,
// only connects audio and control ports, so it cannot run a plug-in that takes its parameters as
// messages.) Both the plug-in and morvane-render draw their random numbers from the C library,
// which this process shares with the plug-in: seeding it here is seeding the plug-in.

namespace
{

const char* const pluginUri = MORVANE_LV2_URI;
constexpr std::uint32_t maxBlock = 512;

juce::File workDirectory(const juce::String& name)
{
    auto dir = juce::File(MORVANE_TEST_WORK_DIR).getChildFile(name);
    dir.deleteRecursively();
    dir.createDirectory();
    return dir;
}

// A short stereo phrase: a decaying noise burst, a chord of sines, then silence for the tail.
juce::AudioBuffer<float> makePhrase(double rate)
{
    const int length = static_cast<int>(rate * 0.75);
    juce::AudioBuffer<float> audio(2, length);
    audio.clear();
    juce::Random random(7);
    for (int n = 0; n < length / 3; ++n)
    {
        const float envelope = std::exp(-static_cast<float>(n) / static_cast<float>(rate * 0.05));
        audio.setSample(0, n, 0.5f * envelope * (random.nextFloat() * 2.0f - 1.0f));
        audio.setSample(1, n, 0.5f * envelope * (random.nextFloat() * 2.0f - 1.0f));
        const double t = n / rate;
        audio.addSample(
            0, n,
            static_cast<float>(0.2 * std::sin(2.0 * juce::MathConstants<double>::pi * 220.0 * t)));
        audio.addSample(
            1, n,
            static_cast<float>(0.2 * std::sin(2.0 * juce::MathConstants<double>::pi * 330.0 * t)));
    }
    return audio;
}

void writeFloatWav(const juce::File& file, const juce::AudioBuffer<float>& audio, double rate)
{
    file.deleteFile();
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer(
        wav.createWriterFor(new juce::FileOutputStream(file), rate, 2, 32, {}, 0));
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(writer->writeFromAudioSampleBuffer(audio, 0, audio.getNumSamples()));
}

juce::AudioBuffer<float> readWav(const juce::File& file)
{
    // JUCE's reader reads from whatever stream it is given, even none: a missing file (a render
    // that failed) must come back empty, for the test to fail rather than crash.
    auto stream = file.createInputStream();
    if (stream == nullptr)
        return {};
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(stream.release(), true));
    if (reader == nullptr)
        return {};
    juce::AudioBuffer<float> audio(static_cast<int>(reader->numChannels),
                                   static_cast<int>(reader->lengthInSamples));
    reader->read(&audio, 0, audio.getNumSamples(), 0, true, true);
    return audio;
}

// The smallest host that meets the plug-in's required features: URIDs, options carrying the
// block length bounds, and atom ports for its parameter messages.
class Lv2Host
{
public:
    Lv2Host()
    {
        // Only the bundle just built, never one installed in the user's folders.
        setenv("LV2_PATH", MORVANE_LV2_PATH, 1);
        world = lilv_world_new();
        lilv_world_load_all(world);
        auto* uri = lilv_new_uri(world, pluginUri);
        plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
        lilv_node_free(uri);
    }

    ~Lv2Host()
    {
        if (instance != nullptr)
        {
            lilv_instance_deactivate(instance);
            lilv_instance_free(instance);
        }
        lilv_world_free(world);
    }

    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    bool found() const { return plugin != nullptr; }

    bool instantiate(double rate)
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

    void setParameter(const char* id, float value) { pending[id] = value; }
    void setEnabled(bool on) { enabled = on ? 1.0f : 0.0f; }

    juce::AudioBuffer<float> render(const juce::AudioBuffer<float>& input)
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

    float latency() const { return latencyValue; }

    // What a host keeps in its session: the plug-in's one state property, as text.
    std::string saveState()
    {
        savedState.clear();
        const auto* state = stateInterface();
        if (state == nullptr)
            return {};
        state->save(lilv_instance_get_handle(instance), &Lv2Host::store, this, LV2_STATE_IS_POD,
                    nullptr);
        return savedState;
    }

    bool restoreState(const std::string& text)
    {
        savedState = text;
        const auto* state = stateInterface();
        return state != nullptr &&
               state->restore(lilv_instance_get_handle(instance), &Lv2Host::retrieve, this,
                              LV2_STATE_IS_POD, nullptr) == LV2_STATE_SUCCESS;
    }

private:
    static LV2_URID map(LV2_URID_Map_Handle handle, const char* uri)
    {
        return static_cast<Lv2Host*>(handle)->map(uri);
    }

    LV2_URID map(const char* uri)
    {
        auto [it, added] = urids.emplace(uri, static_cast<LV2_URID>(urids.size() + 1));
        return it->second;
    }

    const LV2_State_Interface* stateInterface() const
    {
        return static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
    }

    std::string stateKey() { return std::string(pluginUri) + ":StateString"; }

    static LV2_State_Status store(LV2_State_Handle handle, std::uint32_t key, const void* value,
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

    static const void* retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
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

    void connect(std::uint32_t index)
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
    void writeInputEvents()
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

struct Render
{
    juce::AudioBuffer<float> input, lv2, reference;
};

// The phrase through the LV2 bundle and through morvane-render, both seeded with 1.
Render renderBoth(const juce::String& name, double rate,
                  const std::map<std::string, std::pair<const char*, float>>& settings)
{
    Render result;
    const auto dir = workDirectory(name);
    result.input = makePhrase(rate);
    const auto inputFile = dir.getChildFile("in.wav");
    writeFloatWav(inputFile, result.input, rate);

    juce::String command =
        juce::String(MORVANE_RENDER) + " " + inputFile.getFullPathName().quoted() +
        " --bits 32 --seed 1 --tail 0 -o " + dir.getChildFile("ref.wav").getFullPathName().quoted();
    for (const auto& [id, setting] : settings)
        command << " --set "
                << (juce::String(setting.first) + "=" + juce::String(setting.second, 9)).quoted();
    command << " > " << dir.getChildFile("render.log").getFullPathName().quoted() << " 2>&1";
    EXPECT_EQ(std::system(command.toRawUTF8()), 0) << command;
    result.reference = readWav(dir.getChildFile("ref.wav"));

    std::srand(1);
    Lv2Host host;
    EXPECT_TRUE(host.found()) << "no " << pluginUri << " in " << MORVANE_LV2_PATH;
    if (!host.found() || !host.instantiate(rate))
        return result;
    for (const auto& [id, setting] : settings)
        host.setParameter(id.c_str(), setting.second);
    result.lv2 = host.render(result.input);
    EXPECT_EQ(host.latency(), 0.0f);
    return result;
}

juce::MemoryBlock decodeState(const std::string& text)
{
    juce::MemoryBlock chunk;
    chunk.fromBase64Encoding(juce::String(text));
    return chunk;
}

// Index of the first sample that differs, or -1.
int firstDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b,
                    int length)
{
    for (int n = 0; n < length; ++n)
        for (int c = 0; c < 2; ++c)
            if (std::memcmp(a.getReadPointer(c, n), b.getReadPointer(c, n), sizeof(float)) != 0)
                return n;
    return -1;
}

} // namespace

TEST(Lv2Bundle, RendersBitIdenticalToTheOfflineRendererAtTheFactorySettings)
{
    for (const double rate : {44100.0, 48000.0})
    {
        SCOPED_TRACE(rate);
        const auto r = renderBoth("factory-" + juce::String(static_cast<int>(rate)), rate, {});
        ASSERT_EQ(r.lv2.getNumSamples(), r.input.getNumSamples());
        ASSERT_GE(r.reference.getNumSamples(), r.input.getNumSamples());
        EXPECT_EQ(firstDifference(r.lv2, r.reference, r.input.getNumSamples()), -1);
        EXPECT_NE(firstDifference(r.lv2, r.input, r.input.getNumSamples()), -1)
            << "the reverb did nothing";
    }
}

TEST(Lv2Bundle, ParametersSetByTheHostReachTheProcessor)
{
    const std::map<std::string, std::pair<const char*, float>> settings{
        {"effectreverbamount", {"Wet", 0.7f}},
        {"effectreverbsize", {"Size", 0.4f}},
        {"effectreverbdelay", {"Delay", 0.3f}},
        {"effectreverbhigh", {"High Pass", 0.25f}}};
    const auto r = renderBoth("settings", 44100.0, settings);
    ASSERT_EQ(r.lv2.getNumSamples(), r.input.getNumSamples());
    ASSERT_GE(r.reference.getNumSamples(), r.input.getNumSamples());
    EXPECT_EQ(firstDifference(r.lv2, r.reference, r.input.getNumSamples()), -1);
}

TEST(Lv2Bundle, BypassPassesTheInputThroughUntouched)
{
    const double rate = 44100.0;
    const auto input = makePhrase(rate);
    Lv2Host host;
    ASSERT_TRUE(host.found());
    ASSERT_TRUE(host.instantiate(rate));
    host.setEnabled(false);
    const auto output = host.render(input);
    EXPECT_EQ(firstDifference(output, input, input.getNumSamples()), -1);
}

TEST(Lv2Bundle, SessionsKeepTheStoredStateChunk)
{
    const double rate = 44100.0;
    const auto dir = workDirectory("state");
    const auto input = makePhrase(rate);

    // A host stores the plug-in's settings: the chunk inside is the one every format writes.
    std::string session;
    {
        Lv2Host host;
        ASSERT_TRUE(host.found());
        ASSERT_TRUE(host.instantiate(rate));
        host.setParameter("effectreverbsize", 0.3f);
        host.setParameter("effectreverbamount", 0.6f);
        host.render(input);
        session = host.saveState();
    }
    const auto chunk = decodeState(session);
    ASSERT_GT(chunk.getSize(), 9u) << session;
    EXPECT_EQ(juce::String::fromUTF8(static_cast<const char*>(chunk.getData()), 4), "VC2!");
    const auto stateFile = dir.getChildFile("session.state");
    ASSERT_TRUE(stateFile.replaceWithData(chunk.getData(), chunk.getSize()));

    // Reopened from the session, it sounds as morvane-render does from the same chunk.
    const auto inputFile = dir.getChildFile("in.wav");
    writeFloatWav(inputFile, input, rate);
    const auto refFile = dir.getChildFile("ref.wav");
    const juce::String command =
        juce::String(MORVANE_RENDER) + " " + inputFile.getFullPathName().quoted() +
        " --bits 32 --seed 1 --tail 0 --load-state " + stateFile.getFullPathName().quoted() +
        " -o " + refFile.getFullPathName().quoted() + " > /dev/null";
    ASSERT_EQ(std::system(command.toRawUTF8()), 0) << command;
    const auto reference = readWav(refFile);

    std::srand(1);
    Lv2Host host;
    ASSERT_TRUE(host.instantiate(rate));
    ASSERT_TRUE(host.restoreState(session));
    const auto output = host.render(input);
    ASSERT_GE(reference.getNumSamples(), input.getNumSamples());
    EXPECT_EQ(firstDifference(output, reference, input.getNumSamples()), -1);

    const auto factory = renderBoth("state-factory", rate, {});
    EXPECT_NE(firstDifference(output, factory.lv2, input.getNumSamples()), -1)
        << "the session was not restored";
}
