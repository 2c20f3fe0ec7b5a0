#pragma once

#include <QPalette>

namespace sorpex {

// A dark palette for the Fusion style, for desktops whose dark theme does not reach Qt programs:
// SORPEX_PALETTE=dark in the environment turns it on.
QPalette darkFusionPalette();

} // namespace sorpex
