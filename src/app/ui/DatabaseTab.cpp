#include "app/ui/DatabaseTab.h"

#include "widgets/DbGrid.h"
#include "widgets/DbNavigator.h"
#include "widgets/DbRichText.h"
#include "widgets/Named.h"
#include "widgets/ViewFonts.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QVBoxLayout>

namespace veltra {

DatabaseTab::DatabaseTab(ViewerState& state, QWidget* parent)
    : ViewerPart(state, "tsDatabaseTable", parent)
{
    DataSource* file = &state.db.dataFileLink();
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    auto* splitter = new QSplitter(Qt::Horizontal, this);

    auto* left = new QWidget(splitter);
    auto* leftBox = new QVBoxLayout(left);
    leftBox->setContentsMargins(0, 0, 0, 0);
    DBGrid2 = Named(new DbGrid(file, {}, true, &state.guard, left), "DBGrid2");
    QFont narrow = DBGrid2->font();
    narrow.setStretch(QFont::SemiCondensed);
    DBGrid2->setFont(narrow);
    leftBox->addWidget(DBGrid2, 1);
    DBNavigator5 = Named(new DbNavigator(&state.guard, left), "DBNavigator5");
    // The bar below the data grid moves through the age groups, as the one beside the
    // converted functions does.
    DBNavigator5->setDataSource(file);
    leftBox->addWidget(DBNavigator5);

    auto* group = new QGroupBox(QStringLiteral(" Selected variables view "), splitter);
    group->setObjectName(QStringLiteral("gbSelectedVariables"));
    auto* groupBox = new QVBoxLayout(group);
    auto* inner = new QSplitter(Qt::Vertical, group);
    auto* top = new QWidget(inner);
    auto* topBox = new QVBoxLayout(top);
    topBox->setContentsMargins(0, 0, 0, 0);
    clbVar = Named(new QListWidget(top), "clbVar");
    topBox->addWidget(clbVar, 1);
    pnDoSelection = Named(new QWidget(top), "pnDoSelection");
    auto* selBox = new QHBoxLayout(pnDoSelection);
    selBox->setContentsMargins(0, 0, 0, 0);
    selBox->addWidget(new QLabel(QStringLiteral("  &Do Selection for "), pnDoSelection));
    cbAll = Named(new QCheckBox(QStringLiteral("all"), pnDoSelection), "cbAll");
    selBox->addWidget(cbAll);
    pnDoSelection->hide();
    topBox->addWidget(pnDoSelection);
    dbVarLabel = Named(new DbRichText(inner), "dbVarLabel");
    dbVarLabel->setFont(FixedPitchFont(true));
    dbVarLabel->setDataSource(&state.db.parameterLink());
    dbVarLabel->setField(QStringLiteral("VARLABELS"));
    inner->addWidget(top);
    inner->addWidget(dbVarLabel);
    groupBox->addWidget(inner);
    splitter->addWidget(left);
    splitter->addWidget(group);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    box->addWidget(splitter);
}

void DatabaseTab::ListFields(const QStringList& names)
{
    clbVar->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, clbVar);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

QList<bool> DatabaseTab::MarkedFields() const
{
    QList<bool> marks;
    for (int item = 0; item < clbVar->count(); ++item)
        marks << (clbVar->item(item)->checkState() == Qt::Checked);
    return marks;
}

} // namespace veltra
