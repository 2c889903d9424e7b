#include "processor/OrnCore.h"

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new morvane::OrnCore();
}
