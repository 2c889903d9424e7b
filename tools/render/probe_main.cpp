// SPDX-License-Identifier: GPL-3.0-or-later
// morvane-probe MODULE.so: loads a VST 2.4 module in a process of its own, makes, opens and
// closes an effect, and prints the verdict as one line (empty when all went well). The renderer
// runs it before loading a module itself, so that a module that crashes or hangs while loading
// takes down this process, not the renderer.
#include "ModuleProbe.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: morvane-probe MODULE.so\n");
        return 2;
    }
    morvane::ModuleProbe::runProbe(argv[1]);
}
