// The application's style with the panel of line edits drawn from a cached image: a field
// whose text changes with every selection then repaints its text, not its frame.
#pragma once

#include <QProxyStyle>

namespace veltra {

/// Draws a line edit's panel (its base and antialiased rounded frame) once per size, state,
/// direction and palette into a pixmap kept in Qt's pixmap cache, and copies that pixmap
/// afterwards. Everything else, and every panel inside a combo or spin box (drawn by its
/// box), goes to the base style unchanged. Drawing the frame of a wide field costs about as
/// much as a table full of text; copying it costs little.
class CachedPanelStyle : public QProxyStyle
{
public:
    /// The one instance for the running application, made on first use with a copy of
    /// the application's style as its base and deleted with the application.
    static CachedPanelStyle* Instance();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

private:
    explicit CachedPanelStyle(QStyle* base);
};

} // namespace veltra
