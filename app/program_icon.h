#pragma once

#include <QIcon>

namespace sorpex {

// The program's icon, the same picture the desktop menu shows (packaging/sorpex.svg).
QIcon programIcon();

} // namespace sorpex
