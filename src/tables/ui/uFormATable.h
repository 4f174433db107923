// The formatted table generator window.
#pragma once

#include <QWidget>

namespace veltra {

/// Created at start and kept for the whole run; shown on demand.
class TfFormTab : public QWidget
{
    Q_OBJECT
public:
    explicit TfFormTab(QWidget* parent = nullptr);
};

} // namespace veltra
