// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValidateOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace morvane::validate
{

namespace
{

constexpr Group everyGroup[] = {Group::rates, Group::automation, Group::state, Group::editor,
                                Group::cost,  Group::realtime,   Group::soak};

bool readNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool readGroups(const std::string& list, std::vector<Group>& groups, std::string& error)
{
    groups.clear();
    std::size_t start = 0;
    while (start <= list.size())
    {
        const auto comma = std::min(list.find(',', start), list.size());
        const auto word = list.substr(start, comma - start);
        const auto* found = std::find_if(std::begin(everyGroup), std::end(everyGroup),
                                         [&](Group g) { return word == ValidateOptions::name(g); });
        if (found == std::end(everyGroup))
        {
            error = "unknown group '" + word +
                    "' (groups: rates, automation, state, editor, cost, realtime, soak)";
            return false;
        }
        if (std::find(groups.begin(), groups.end(), *found) == groups.end())
            groups.push_back(*found);
        start = comma + 1;
    }
    // They always run in the same order, whatever order the list names them in.
    std::sort(groups.begin(), groups.end());
    return true;
}

} // namespace

bool ValidateOptions::runs(Group group) const
{
    return std::find(groups.begin(), groups.end(), group) != groups.end();
}

const char* ValidateOptions::name(Group group)
{
    switch (group)
    {
        case Group::rates:
            return "rates";
        case Group::automation:
            return "automation";
        case Group::state:
            return "state";
        case Group::editor:
            return "editor";
        case Group::cost:
            return "cost";
        case Group::realtime:
            return "realtime";
        case Group::soak:
            return "soak";
    }
    return "";
}

std::string ValidateOptions::usage(const std::string& defaultModule)
{
    return "usage: morvane-validate [--module PATH.so] [--only GROUP[,GROUP...]] [--seconds N]\n"
           "                        [--instances N] [--soak MINUTES] [--quiet]\n"
           "groups: rates, automation, state, editor, cost, realtime, soak\n"
           "--module PATH.so  the VST 2.4 module to check (default: the one installed with this\n"
           "                  program, else the one built with it, else ~/.vst/Morvane.so;\n"
           "                  here " +
           defaultModule +
           ")\n"
           "--seconds N       silence after noise at every rate (default 60)\n"
           "--instances N     instances on threads in the soak (default 16)\n"
           "--soak MINUTES    minutes of each soak phase; the soak runs only when asked for\n";
}

bool ValidateOptions::parse(const std::vector<std::string>& arguments,
                            const std::string& defaultModule, ValidateOptions& options,
                            std::string& error)
{
    options = ValidateOptions{};
    options.modulePath = defaultModule;
    options.groups = {Group::rates,  Group::automation, Group::state,
                      Group::editor, Group::cost,       Group::realtime};
    bool groupsChosen = false;

    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const auto& option = arguments[i];

        if (option == "--quiet")
        {
            options.quiet = true;
            continue;
        }
        if (option == "--help" || option == "-h")
        {
            options.help = true;
            continue;
        }

        const bool takesValue = option == "--module" || option == "--only" ||
                                option == "--seconds" || option == "--instances" ||
                                option == "--soak";
        if (!takesValue)
        {
            error = "unknown option '" + option + "'";
            return false;
        }
        if (i + 1 >= arguments.size())
        {
            error = option + " needs a value";
            return false;
        }
        const auto& value = arguments[++i];
        double number = 0.0;

        if (option == "--module")
        {
            if (value.empty())
            {
                error = "--module needs a path";
                return false;
            }
            options.modulePath = value;
        }
        else if (option == "--only")
        {
            if (!readGroups(value, options.groups, error))
                return false;
            groupsChosen = true;
        }
        else if (!readNumber(value, number))
        {
            error = option + " needs a number, not '" + value + "'";
            return false;
        }
        else if (option == "--seconds")
        {
            if (number < 0.0 || number > 3600.0)
            {
                error = "--seconds must be from 0 to 3600";
                return false;
            }
            options.silenceSeconds = number;
        }
        else if (option == "--instances")
        {
            if (number < 1.0 || number > 256.0 || number != std::floor(number))
            {
                error = "--instances must be a whole number from 1 to 256";
                return false;
            }
            options.instances = static_cast<int>(number);
        }
        else
        {
            if (number <= 0.0 || number > 24.0 * 60.0)
            {
                error = "--soak must be more than 0 and at most 1440 minutes";
                return false;
            }
            options.soakMinutes = number;
        }
    }

    if (options.modulePath.empty())
    {
        error = "no module: give --module PATH.so";
        return false;
    }

    // Asking for a soak length asks for the soak; asking for the soak without one runs it briefly.
    if (options.soakMinutes > 0.0 && !groupsChosen)
        options.groups = {Group::soak};
    if (options.runs(Group::soak) && options.soakMinutes <= 0.0)
        options.soakMinutes = 1.0;
    return true;
}

} // namespace morvane::validate
