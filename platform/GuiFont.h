#pragma once

#include <QFont>

// The process's one user-interface font for owner-drawn text (the chart's
// dates and numbers): the system's general font, or a face with Japanese
// glyphs when it has none. Made at the first use, kept until released.
const QFont& GetGuiFont();
void ReleaseGuiFont();
