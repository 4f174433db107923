// The "Database Table" tab: the rows of the connected data file, one per age group, and the
// list of its fields, whose marks choose the columns of the result tables.
#pragma once

#include "app/ui/ViewerPart.h"

class QCheckBox;
class QListWidget;

namespace veltra {

class DbGrid;
class DbNavigator;
class DbRichText;

class DatabaseTab : public ViewerPart
{
    Q_OBJECT
public:
    DatabaseTab(ViewerState& state, QWidget* parent);

    /// Lists the connected file's fields, every one marked.
    void ListFields(const QStringList& names);
    /// The marks of the listed fields, in their order.
    QList<bool> MarkedFields() const;

private:
    DbGrid* DBGrid2 = nullptr;
    DbNavigator* DBNavigator5 = nullptr;
    QListWidget* clbVar = nullptr;
    QWidget* pnDoSelection = nullptr;
    QCheckBox* cbAll = nullptr;
    DbRichText* dbVarLabel = nullptr;
};

} // namespace veltra
