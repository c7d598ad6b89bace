#pragma once

// The six channel roles of a 5.1 signal, in the order every six-value array of the system uses.
enum ChannelRole
{
    roleL = 0,
    roleR = 1,
    roleC = 2,
    roleLFE = 3,
    roleLS = 4,
    roleRS = 5
};

constexpr int numChannelRoles = 6;

/** The roles' short names as the interface labels them. */
constexpr const char* channelRoleNames[numChannelRoles] { "L", "R", "C", "LFE", "LS", "RS" };
