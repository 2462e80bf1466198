// The setup run's driver: the choice applied, step by step, through the files that each write
// one part of the integration.
#pragma once

#include <cstddef>

#include "integration/integration_options.h"

// Applies the choice: App Paths, shell extensions, associations, file classes, shortcuts.
// groupFolder (capacity characters; may be null) receives the program group folder. False when
// it stopped early because writing the machine-wide entries was refused (no administrator rights).
[[nodiscard]] bool ApplyIntegration(const IntegrationOptions& options, wchar_t* groupFolder, size_t capacity);
