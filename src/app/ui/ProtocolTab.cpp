#include "app/ui/ProtocolTab.h"

#include "app/IniFile.h"
#include "util/TextLines.h"
#include "widgets/FormControls.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/ProtocolView.h"
#include "widgets/ViewFonts.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace veltra {

ProtocolTab::ProtocolTab(ViewerState& state, QWidget* parent)
    : ViewerPart(state, "tsProtocol", parent)
{
    sdLog = {QString(), QStringLiteral("txt"), QStringLiteral("ASCII Text File|*.txt|All|*.*"),
             true};
    auto* box = new QHBoxLayout(this);
    box->setContentsMargins(2, 2, 2, 2);
    PrtMemo = Named(new ProtocolView(&state.log, this), "PrtMemo");
    PrtMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    PrtMemo->setFont(FixedPitchFont());
    PrtMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PrtMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->addWidget(PrtMemo, 1);

    auto* panel = Named(new QWidget(this), "pnOptions");
    panel->setFixedWidth(200);
    auto* form = new QVBoxLayout(panel);
    form->addWidget(BoldLabel(QStringLiteral("Protocol Options"), panel));
    cbFileAccessPrt =
        Named(new QCheckBox(QStringLiteral("File Access Prt."), panel), "cbFileAccessPrt");
    cbFileAccessPrt->setChecked(true);
    form->addWidget(cbFileAccessPrt);
    cbGiveIndexPrt =
        Named(new QCheckBox(QStringLiteral("Index Generation Prt."), panel), "cbGiveIndexPrt");
    form->addWidget(cbGiveIndexPrt);
    form->addSpacing(8);
    form->addWidget(BoldLabel(QStringLiteral("View Options"), panel));
    cbShowAdditionalInfo = Named(new QCheckBox(QStringLiteral("Show Additional Info "), panel),
                                 "cbShowAdditionalInfo");
    cbShowAdditionalInfo->setChecked(true);
    form->addWidget(cbShowAdditionalInfo);
    form->addSpacing(8);
    form->addWidget(BoldLabel(QStringLiteral("Reset the Tables"), panel));
    bCloseAllTables = Button("bCloseAllTables", QStringLiteral("&Close All "), panel);
    bCloseOpen = Button("bCloseOpen", QStringLiteral("&ReOpen All"), panel);
    form->addWidget(bCloseAllTables);
    form->addWidget(bCloseOpen);
    form->addStretch(1);
    box->addWidget(panel);

    connect(cbShowAdditionalInfo, &QCheckBox::toggled, this, &ProtocolTab::additionalInfoToggled);
    connect(bCloseAllTables, &QPushButton::clicked, this, &ProtocolTab::closeAllRequested);
    connect(bCloseOpen, &QPushButton::clicked, this, &ProtocolTab::reopenRequested);
}

bool ProtocolTab::FileAccessProtocol() const
{
    return cbFileAccessPrt->isChecked();
}

bool ProtocolTab::IndexProtocol() const
{
    return cbGiveIndexPrt->isChecked();
}

bool ProtocolTab::AdditionalInfo() const
{
    return cbShowAdditionalInfo->isChecked();
}

void ProtocolTab::ReadSettings(const IniFile& ini)
{
    cbShowAdditionalInfo->setChecked(
        ini.readBool(QStringLiteral("Restriction"), QStringLiteral("View"), true));
    cbFileAccessPrt->setChecked(
        ini.readBool(QStringLiteral("File_Prt"), QStringLiteral("View"), true));
    cbGiveIndexPrt->setChecked(
        ini.readBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), true));
}

void ProtocolTab::WriteSettings(IniFile& ini) const
{
    ini.writeBool(QStringLiteral("Restriction"), QStringLiteral("View"),
                  cbShowAdditionalInfo->isChecked());
    ini.writeBool(QStringLiteral("File_Prt"), QStringLiteral("View"), cbFileAccessPrt->isChecked());
    ini.writeBool(QStringLiteral("Index_Prt"), QStringLiteral("View"), cbGiveIndexPrt->isChecked());
}

void ProtocolTab::SaveProtocol()
{
    const QString path = Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdLog, QString());
    if (path.isEmpty())
        return;
    // The lines, each ended by CR LF, in the text encoding of every text file the
    // program writes; the file is replaced whole or not at all.
    WriteTextLines(path, m_state.log.lines());
}

void ProtocolTab::ClearProtocol()
{
    m_state.log.Clear();
}

} // namespace veltra
