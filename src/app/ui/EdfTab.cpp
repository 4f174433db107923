#include "app/ui/EdfTab.h"

#include "convert/AgeGroup.h"
#include "convert/FitAnalysis.h"
#include "data/DataTable.h"
#include "widgets/DbEdit.h"
#include "widgets/DbMemo.h"
#include "widgets/DbNavigator.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/ViewFonts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace veltra {

EdfTab::EdfTab(ViewerState& state, QWidget* parent) : ViewerPart(state, "tsEdf", parent)
{
    DataSource* file = &state.db.dataFileLink();
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    tEdf = Named(new QTabWidget(this), "tEdf");
    dbmGF = Named(new DbMemo(tEdf), "dbmGF");
    mTransformed = FixedMemo("mTransformed", tEdf);
    dbmMemoBstFt = Named(new DbMemo(tEdf), "dbmMemoBstFt");
    dbmQuantilesFit = Named(new DbMemo(tEdf), "dbmQuantilesFit");
    for (DbMemo* memo : {dbmGF, dbmMemoBstFt, dbmQuantilesFit}) {
        memo->setFont(FixedPitchFont());
        memo->setDataSource(file);
    }
    tEdf->addTab(dbmGF, QStringLiteral("General F Approx."));
    tEdf->addTab(mTransformed, QStringLiteral("Selected Functions"));
    tEdf->addTab(dbmMemoBstFt, QStringLiteral("Moments and Best Fit"));
    tEdf->addTab(dbmQuantilesFit, QStringLiteral("Quantiles ~ Fit"));
    tEdf->setCurrentIndex(1);
    // The reliability line stands below the tabs, outside the memo whose text the
    // report and the command table copy.
    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    column->addWidget(tEdf, 1);
    lReliability = Named(new QLabel(this), "lReliability");
    column->addWidget(lReliability);
    box->addLayout(column, 1);

    auto* side = Named(new QWidget(this), "pnSelectedGroup");
    side->setFixedWidth(190);
    auto* sideBox = new QVBoxLayout(side);
    sideBox->addWidget(BoldLabel(QStringLiteral("Actually Selected Group "), side));
    sideBox->addWidget(new QLabel(QStringLiteral("Age Group"), side));
    dbeQuantAge = Named(new DbEdit(side), "dbeQuantAge");
    dbeQuantAge->setDataSource(file);
    sideBox->addWidget(dbeQuantAge);
    sideBox->addWidget(new QLabel(QStringLiteral("N"), side));
    dbeQuantN = Named(new DbEdit(side), "dbeQuantN");
    dbeQuantN->setDataSource(file);
    sideBox->addWidget(dbeQuantN);
    DBNavigator6 = Named(new DbNavigator(&state.guard, side), "DBNavigator6");
    DBNavigator6->setDataSource(file);
    sideBox->addWidget(DBNavigator6);
    sideBox->addSpacing(8);
    bDistributions = Button("bDistributions", QStringLiteral("Distri&butions"), side);
    sideBox->addWidget(bDistributions);
    connect(bDistributions, &QPushButton::clicked, this, &EdfTab::distributionsRequested);
    sideBox->addStretch(1);
    box->addWidget(side);
}

void EdfTab::BindFields(const QStringList& names)
{
    auto bind = [&names](auto* view, const QString& field) {
        view->setField(names.contains(field, Qt::CaseInsensitive) ? field : QString());
    };
    bind(dbmGF, QStringLiteral("GENERALF"));
    bind(dbmMemoBstFt, QStringLiteral("MOMENTS"));
    bind(dbmQuantilesFit, QStringLiteral("QUANTILES"));
    bind(dbeQuantAge, QStringLiteral("AGEGRP"));
    bind(dbeQuantN, QStringLiteral("NOBS"));
}

void EdfTab::ClearFunctions()
{
    mTransformed->clear();
}

void EdfTab::ClearAll()
{
    dbmGF->clear();
    mTransformed->clear();
    dbmMemoBstFt->clear();
    dbmQuantilesFit->clear();
}

void EdfTab::ShowReliability()
{
    // The number of observations decides which percentiles the group supports; a file
    // without the field leaves it unknown.
    const DataTable& file = m_state.db.dataFile();
    lReliability->setText(ReliabilityLine(AgeGroupObservations(file, file.recNo() - 1)));
}

void EdfTab::ClearReliability()
{
    lReliability->clear();
}

void EdfTab::ShowSelectedFunctions(const QString& contentText, const AgeGroupTexts& group)
{
    const GeneratorResult functions = SelectedFunctions(contentText, group);
    mTransformed->setPlainText(functions.lines.join(QLatin1Char('\n')));
    // The rows converted before a failing line stay shown; then the error is reported.
    functions.throwIfStopped();
}

} // namespace veltra
