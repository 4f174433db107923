// The fonts of the viewer's text views.
#pragma once

#include <QFont>

namespace veltra {

/// The system's fixed-pitch font: where the views were designed for a typewriter font,
/// so that fixed-width columns line up.
QFont FixedPitchFont(bool bold = false);
/// The family to show for a font family named in stored rich text: the typewriter
/// families of the data ("Courier New", "Courier", "Terminal") become the system's
/// fixed-pitch family, the dialog families ("MS Sans Serif", "Arial Narrow") the default
/// family; any other family is kept.
QString ScreenFontFamily(const QString& family);
/// The default font made bold (labels above the grids and group titles).
QFont BoldFont(const QFont& base);

} // namespace veltra
