// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace morvane::validate
{

/** The module the validator checks when no --module is given: the first that exists of the
    module installed with the validator, the module of the build tree it was built in, and the
    user's own (~/.vst/Morvane.so, where `make install` and the release archive put it). The
    first two are relative to the validator's folder, so a moved installation still finds its
    own module, and a build tree never reaches for an installed one.

    Thread rule: any thread. */
class DefaultModule
{
public:
    /** The places to look, in order, for a validator in programFolder; an empty home leaves the
        user's folder out. */
    static std::vector<std::string> candidates(const std::string& programFolder,
                                               const std::string& home);

    /** The first candidate that is a file; the first candidate when none is, so that the error
        names the place an installed validator expected its module. */
    static std::string choose(const std::vector<std::string>& candidates);

    /** choose(candidates(...)) for the running program and the user's HOME. */
    static std::string forThisProgram();
};

} // namespace morvane::validate
