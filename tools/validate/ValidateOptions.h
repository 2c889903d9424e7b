// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace morvane::validate
{

/** The check groups, in the order they run. */
enum class Group
{
    rates,
    automation,
    state,
    editor,
    cost,
    realtime,
    soak
};

/** What the command line asks for: which module, which groups and how long.

    Thread rule: plain value; built once on the main thread, then only read. */
struct ValidateOptions
{
    std::string modulePath;
    std::vector<Group> groups;
    /** Silence after noise at every rate. */
    double silenceSeconds = 60.0;
    /** Instances of the many-instance soak. */
    int instances = 16;
    /** Minutes of each soak phase; 0 leaves the soak out. */
    double soakMinutes = 0.0;
    bool quiet = false;
    bool help = false;

    bool runs(Group group) const;

    /** Reads the arguments after the program name; on a mistake, returns false and says why. */
    static bool parse(const std::vector<std::string>& arguments, const std::string& defaultModule,
                      ValidateOptions& options, std::string& error);

    static const char* name(Group group);
    /** The help text, naming the module a run without --module would check. */
    static std::string usage(const std::string& defaultModule);
};

} // namespace morvane::validate
