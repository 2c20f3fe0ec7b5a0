#pragma once

#include <QIcon>

class QPalette;

namespace sorpex {

// The toolbar's own pictures, drawn at 16 × 15 like the buttons they sit on, readable on the
// palette's window colour: on a dark one the outlines get a light edge, and the greyed-out
// pictures are drawn in its disabled text colour rather than darkened.
QIcon toolbarIcon(int commandId, const QPalette& palette);

} // namespace sorpex
