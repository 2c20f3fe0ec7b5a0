#pragma once

#include <QIcon>

namespace sorpex {

// The toolbar's own pictures, drawn at 16 × 15 like the buttons they sit on.
QIcon toolbarIcon(int commandId);

} // namespace sorpex
