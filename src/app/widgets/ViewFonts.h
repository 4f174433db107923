// The fonts of the viewer's text views.
#pragma once

#include <QFont>

namespace veltra {

/// The system's fixed-pitch font: where the views were designed for a typewriter font,
/// so that fixed-width columns line up.
QFont FixedPitchFont(bool bold = false);
/// The default font made bold (labels above the grids and group titles).
QFont BoldFont(const QFont& base);

} // namespace veltra
