// The clipboard table window: the conversion buffer of the table export.
#pragma once

#include <QWidget>

namespace veltra {

/// Created at start and kept for the whole run; shown on demand.
class TfClipTab : public QWidget
{
    Q_OBJECT
public:
    explicit TfClipTab(QWidget* parent = nullptr);
};

} // namespace veltra
