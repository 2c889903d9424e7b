// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The VST 2.4 binary interface as seen from both sides: the descriptor a module hands its host,
// the request and callback numbers, and the records exchanged through them. Only what this
// project uses is declared. Plain C layouts with natural alignment, checked below, because a
// host compiled elsewhere reads them byte for byte.
// Thread rule: declarations only; no state.
namespace morvane::vst2
{

struct AEffect;

using HostCallback = std::intptr_t (*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                       std::intptr_t value, void* ptr, float opt);
using DispatcherProc = std::intptr_t (*)(AEffect* effect, std::int32_t opcode, std::int32_t index,
                                         std::intptr_t value, void* ptr, float opt);
using ProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs,
                             std::int32_t sampleFrames);
using ProcessDoubleProc = void (*)(AEffect* effect, double** inputs, double** outputs,
                                   std::int32_t sampleFrames);
using SetParameterProc = void (*)(AEffect* effect, std::int32_t index, float value);
using GetParameterProc = float (*)(AEffect* effect, std::int32_t index);

// Four characters packed with the first one in the most significant byte.
constexpr std::int32_t fourCharacters(const char (&text)[5]) noexcept
{
    return static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(text[0]) << 24) | (static_cast<std::uint32_t>(text[1]) << 16) |
        (static_cast<std::uint32_t>(text[2]) << 8) | static_cast<std::uint32_t>(text[3]));
}

constexpr std::int32_t effectMagic = fourCharacters("VstP");

struct AEffect
{
    std::int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process;
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    std::intptr_t resvd1;
    std::intptr_t resvd2;
    std::int32_t initialDelay;
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueID;
    std::int32_t version;
    ProcessProc processReplacing;
    ProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum EffectFlags : std::int32_t
{
    effFlagsHasEditor = 1,
    effFlagsCanReplacing = 16,
    effFlagsProgramChunks = 32,
    effFlagsIsSynth = 256,
    effFlagsNoSoundInStop = 512,
    effFlagsCanDoubleReplacing = 4096
};

enum EffectOpcode : std::int32_t
{
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditIdle = 19,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effGetProgramNameIndexed = 29,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effSetSpeakerArrangement = 42,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetVstVersion = 58,
    effGetSpeakerArrangement = 69,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79
};

enum HostOpcode : std::int32_t
{
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterIdle = 3,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    // Answered by the project's own host (tools/host); the plug-in never asks them.
    audioMasterCurrentId = 2,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterUpdateDisplay = 42
};

// audioMasterGetCurrentProcessLevel answers.
constexpr std::intptr_t processLevelRealtime = 2;
constexpr std::intptr_t processLevelOffline = 4;

// The transport record a host returns for audioMasterGetTime; flags say which fields hold.
struct VstTimeInfo
{
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    std::int32_t timeSigNumerator;
    std::int32_t timeSigDenominator;
    std::int32_t smpteOffset;
    std::int32_t smpteFrameRate;
    std::int32_t samplesToNextClock;
    std::int32_t flags;
};

enum TimeInfoFlags : std::int32_t
{
    kVstTransportChanged = 1,
    kVstTransportPlaying = 2,
    kVstNanosValid = 256,
    kVstPpqPosValid = 512,
    kVstTempoValid = 1024,
    kVstBarsValid = 2048,
    kVstTimeSigValid = 8192
};

constexpr std::intptr_t vstVersion = 2400;
constexpr std::int32_t plugCategoryEffect = 1;
// effIdentify's fixed answer: the characters "NvEf".
constexpr std::intptr_t identifyAnswer = fourCharacters("NvEf");

struct ERect
{
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

enum PinFlags : std::int32_t
{
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4
};

constexpr std::size_t pinLabelBytes = 64;
constexpr std::size_t pinShortLabelBytes = 8;

struct VstPinProperties
{
    char label[pinLabelBytes];
    std::int32_t flags;
    std::int32_t arrangementType;
    char shortLabel[pinShortLabelBytes];
    char reserved[48];
};

struct VstSpeakerProperties
{
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    std::int32_t type;
    char future[28];
};

// The host allocates as many speaker records as the arrangement has channels; eight is the
// declared minimum.
struct VstSpeakerArrangement
{
    std::int32_t type;
    std::int32_t numChannels;
    VstSpeakerProperties speakers[8];
};

enum SpeakerArrangementType : std::int32_t
{
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1
};

enum SpeakerType : std::int32_t
{
    kSpeakerM = 0,
    kSpeakerL = 1,
    kSpeakerR = 2
};

// Text limits of the requests that write into host buffers, terminating zero included.
constexpr std::size_t programNameBytes = 24;
constexpr std::size_t paramNameBytes = 16;
constexpr std::size_t paramTextBytes = 24;
// Hosts give as little as 32 bytes for names, vendor and product.
constexpr std::size_t nameBytes = 32;

static_assert(sizeof(void*) == 8, "the layouts below are those of a 64-bit host");
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, processDoubleReplacing) == 128);
static_assert(offsetof(AEffect, future) == 136);
static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, flags) == 84);
static_assert(sizeof(ERect) == 8);
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, arrangementType) == 68);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);
static_assert(sizeof(VstSpeakerProperties) == 112);
static_assert(offsetof(VstSpeakerProperties, name) == 16);
static_assert(offsetof(VstSpeakerProperties, type) == 80);
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112);

} // namespace morvane::vst2
