#include "app/ui/BrowserPanel.h"

#include "app/ui/ViewerState.h"
#include "data/DataSource.h"
#include "widgets/DbGrid.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace veltra {

BrowserPanel::BrowserPanel(ViewerState& state, QWidget* parent)
    : ViewerPart(state, "Panel2", parent)
{
    setFixedHeight(185);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(6);

    auto column = [this](const QString& caption, QWidget* view) {
        auto* box = new QVBoxLayout;
        box->setSpacing(1);
        box->addWidget(BoldLabel(caption, this));
        box->addWidget(view, 1);
        return box;
    };

    ReferenceDatabase& db = state.db;
    ErrorGuard* guard = &state.guard;
    dbgTopics = Named(new DbGrid(&db.headlineLink(), {QStringLiteral("TOPIC")}, false, guard, this),
                      "dbgTopics");
    dbgTopics->setColumnWidth(0, 158);
    dbgTopics->setFixedWidth(158 + 2 * dbgTopics->frameWidth() + 18);
    dbgTopics->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Headlines"), dbgTopics));

    dbgParameter =
        Named(new DbGrid(&db.topicLink(), {QStringLiteral("PARAMETER")}, false, guard, this),
              "dbgParameter");
    dbgParameter->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Topics"), dbgParameter), 4);

    dbgSources = Named(
        new DbGrid(&db.parameterLink(),
                   {QStringLiteral("Variable"), QStringLiteral("Agemin"), QStringLiteral("Agemax"),
                    QStringLiteral("SEX"), QStringLiteral("DataSource")},
                   true, guard, this),
        "dbgSources");
    dbgSources->setColumnWidth(0, 120);
    dbgSources->setColumnWidth(1, 52);
    dbgSources->setColumnWidth(2, 52);
    dbgSources->setColumnWidth(3, 36);
    dbgSources->horizontalHeader()->setStretchLastSection(true);
    row->addLayout(column(QStringLiteral("Parameter"), dbgSources), 7);

    auto* right = new QVBoxLayout;
    right->setSpacing(1);
    right->addWidget(BoldLabel(QStringLiteral("Sex Selection"), this));
    cbSex = Named(new QComboBox(this), "cbSex");
    cbSex->setEditable(true);
    cbSex->addItems(
        {QStringLiteral("All"), QStringLiteral("A"), QStringLiteral("M"), QStringLiteral("F")});
    cbSex->setCurrentIndex(0);
    cbSex->setInsertPolicy(QComboBox::NoInsert);
    right->addWidget(cbSex);
    right->addSpacing(4);
    right->addWidget(BoldLabel(QStringLiteral("Restrictions"), this));
    rgOrderRestriction =
        Named(new QGroupBox(QStringLiteral(" Order by ....   "), this), "rgOrderRestriction");
    auto* radios = new QVBoxLayout(rgOrderRestriction);
    radios->setSpacing(0);
    radios->setContentsMargins(6, 2, 6, 2);
    m_orderButtons = new QButtonGroup(this);
    const QStringList orderItems = {QStringLiteral("Varnames  (A)"),
                                    QStringLiteral("Restriction (B)"), QStringLiteral("A + B"),
                                    QStringLiteral("DataSource")};
    for (int i = 0; i < orderItems.size(); ++i) {
        auto* radio = new QRadioButton(orderItems.at(i), rgOrderRestriction);
        radio->setObjectName(QStringLiteral("rgOrderRestriction%1").arg(i));
        radios->addWidget(radio);
        m_orderButtons->addButton(radio, i);
    }
    m_orderButtons->button(2)->setChecked(true);
    right->addWidget(rgOrderRestriction);
    right->addStretch(1);
    auto* rightBox = new QWidget(this);
    rightBox->setLayout(right);
    rightBox->setFixedWidth(140);
    row->addWidget(rightBox);

    ConnectGuarded(cbSex, &QComboBox::currentTextChanged, this,
                   &BrowserPanel::ApplyParameterFilter);
    // Only a newly chosen item counts; a press on the item already chosen changes nothing.
    ConnectGuarded(m_orderButtons, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            ApplyParameterFilter();
    });
    // A headline row filters the topics, a topic row the parameter rows.
    db.headlineLink().setHandler(Guarded(this, [this] { m_state.db.FilterTopicsByHeadline(); }));
    db.topicLink().setHandler(Guarded(this, &BrowserPanel::ApplyParameterFilter));
}

void BrowserPanel::ApplyParameterFilter()
{
    m_state.db.ApplyParameterFilter(cbSex->currentText(), m_orderButtons->checkedId());
}

} // namespace veltra
