// The conversion window: GF parameter sets converted into standard distribution parameters.
#pragma once

#include <QWidget>

namespace veltra {

/// A sizeable tool window. Created at start and kept for the whole run; shown on demand.
class TfConvertPP : public QWidget
{
    Q_OBJECT
public:
    explicit TfConvertPP(QWidget* parent = nullptr);
};

} // namespace veltra
