#pragma once

#include <juce_core/juce_core.h>

#include <array>

/** Six device channel numbers in role order L, R, C, LFE, LS, RS; a negative entry means the role
    has no channel. */
using ChannelLayout = std::array<int, 6>;

/** Six indices into an audio block in role order, -1 where a role is not routed. */
using ChannelRouting = std::array<int, 6>;

constexpr ChannelLayout unassignedLayout { -1, -1, -1, -1, -1, -1 };

/** The device hands over only its active channels, packed in ascending order of channel number;
    each role is routed to its channel's position among the distinct assigned channels, and roles
    sharing a channel share its position. */
ChannelRouting deriveRouting (const ChannelLayout& layout);

/** A routing in one 64-bit word, a byte per role, so that it can be handed to another thread whole.
    Entries are ranks among six channels (0..5) or -1. */
juce::uint64 packRouting (const ChannelRouting& routing);
ChannelRouting unpackRouting (juce::uint64 packed);

/** "0;1;2;3;4;5;": each entry followed by a semicolon. */
juce::String layoutToText (const ChannelLayout& layout);

/** Reads six entries separated by semicolons; a missing or non-numeric entry reads 0. */
ChannelLayout layoutFromText (const juce::String& text);
