// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnapshotCommand.h"

#include "CommandSupport.h"
#include "CoreSource.h"
#include "EditorSnapshot.h"

#include <iostream>

namespace morvane
{

int SnapshotCommand::run(const RenderOptions& options)
{
    CoreSource source;
    if (auto error = CommandSupport::configure(source, options))
        return CommandSupport::fail(*error);

    const auto file = CommandSupport::inWorkingDirectory(options.snapshotPath);
    const auto image = EditorSnapshot::draw(source.getCore(), options.snapshotScale.value_or(1.0f));
    if (auto error = EditorSnapshot::writePng(image, file))
        return CommandSupport::fail(*error);
    if (!options.quiet)
        std::cout << "wrote:    " << file.getFullPathName() << " (" << image.getWidth() << " x "
                  << image.getHeight() << " PNG)\n";
    return 0;
}

} // namespace morvane
