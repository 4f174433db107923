// The fonts of the viewer's text views.
#pragma once

#include <QFont>

namespace veltra {

/// A fixed-pitch font, where the views were designed for a typewriter font, so that
/// fixed-width columns line up: the system's fixed font when its glyphs have equal
/// advances, else the first installed common monospace family whose glyphs do (some
/// monospace faces are not flagged fixed pitch, others are flagged but are not).
QFont FixedPitchFont(bool bold = false);
/// True when the font's letters, digits, blank and punctuation all have the same
/// advance: fixed pitch decided by the glyphs, not by the font's flags.
bool HasEqualAdvances(const QFont& font);
/// The family to show for a font family named in stored rich text: the typewriter
/// families of the data ("Courier New", "Courier", "Terminal") become the system's
/// fixed-pitch family, the dialog families ("MS Sans Serif", "Arial Narrow") the default
/// family; any other family is kept.
QString ScreenFontFamily(const QString& family);
/// The default font made bold (labels above the grids and group titles).
QFont BoldFont(const QFont& base);

} // namespace veltra
