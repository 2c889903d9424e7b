#pragma once

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>

namespace morvane
{

/** Stands between the bytes of a stored state and the framework's XML parser.

    juce::XmlDocument trusts its input in ways that a stored state cannot be
    trusted. It recurses once per nesting level, so a document nested a few
    thousand levels deep exhausts a host thread's stack. It steps past the end
    of its text on malformed UTF-8 and on a character reference that the end
    of the text cuts off. It expands entities declared in a DOCTYPE recursively
    and without limit, and parses an entity whose name starts with '<' as
    markup. It copies an attribute value whole for every reference in it and
    files every new element and attribute name in a sorted global pool, so
    both costs grow with the square of the input.

    It also loops for ever on a processing instruction followed by text, and
    it takes a text cut off inside a closing tag for a complete document.

    decode() turns the bytes into text that the parser can walk safely, and
    check() walks that text the way the parser will, without building
    anything, to decide beforehand whether the parse stays within bounds and
    ends. A text that does not is answered like one that is not well-formed
    XML: the state holds no document. The limits are far above anything this
    plug-in writes (three levels, fewer than 800 elements and attributes).

    Thread rule: any thread (no shared state). */
class XmlScreen
{
public:
    /** Element levels the parser may open. */
    static constexpr int maxNestingDepth = 256;

    /** Elements, attributes and text sections the parser may create. */
    static constexpr int maxNodes = 8192;

    /** Bytes the parser may copy while it expands references inside attribute values. */
    static constexpr std::uint64_t maxReferenceCopyBytes = std::uint64_t{1} << 32;

    /** The bytes as UTF-8 text, up to the first zero byte (where the
        framework's strings end too); every malformed sequence becomes U+FFFD. */
    static juce::String decode(const char* bytes, std::size_t numBytes);

    struct Verdict
    {
        bool allowed = true;    // false: the parser must not be given the text
        int deepestNesting = 0; // element levels opened, as far as the walk went
        int nodes = 0;          // an upper bound on what the parser creates
    };

    /** Decides whether the framework's parser may be given the text. */
    static Verdict check(const juce::String& text);
};

} // namespace morvane
