#include "tables/ui/uFormATable.h"

#include "tables/TableExport.h"
#include "util/TextLines.h"
#include "util/uString.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/ViewFonts.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace veltra {

namespace {

QToolButton* PictureButton(const char* name, const QString& text, const QString& hint,
                           QWidget* parent)
{
    auto* button = Named(new QToolButton(parent), name, hint);
    button->setText(text);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(64);
    return button;
}

} // namespace

TfFormTab::TfFormTab(const QString& exePath, const ErrorGuard& guard, QWidget* parent)
    : QDialog(parent), m_guard(guard), m_beep([] { QApplication::beep(); })
{
    setObjectName(QStringLiteral("fFormTab"));
    setWindowTitle(QStringLiteral("Formatted Table Generator"));
    resize(640, 600);
    StandardFormatPath = exePath + QStringLiteral(".txt");
    sdFormat = {QStringLiteral("Save the descrition format ..."), QStringLiteral("txt"),
                QStringLiteral("Text format|*.txt|All|*.*"), false};
    odFormat = {QStringLiteral("Load the descrition format ..."), QStringLiteral("txt"),
                QStringLiteral("Text format|*.txt|All|*.*"), false};

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);

    pnFormat = Named(new QWidget(this), "pnFormat", QStringLiteral("Import/Load a format"));
    auto* top = new QHBoxLayout(pnFormat);
    top->setContentsMargins(0, 0, 0, 0);

    auto* sourceBox = new QVBoxLayout;
    sourceBox->addWidget(new QLabel(QStringLiteral("Source variables"), pnFormat));
    ListBoxSource = Named(new QListWidget(pnFormat), "ListBoxSource");
    ListBoxSource->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sourceBox->addWidget(ListBoxSource, 1);
    top->addLayout(sourceBox, 2);

    auto* buttons = new QVBoxLayout;
    sbAdd = PictureButton("sbAdd", QStringLiteral("One"),
                          QStringLiteral("Fill the selected variable(s) to window"), pnFormat);
    ShiftAll = Named(new QPushButton(QStringLiteral("&All"), pnFormat), "ShiftAll",
                     QStringLiteral("Fill all variables to window"));
    sbStandard = PictureButton("sbStandard", QStringLiteral("Veltra"),
                               QStringLiteral("Loads the Standard Pandor format"), pnFormat);
    sbLoad = PictureButton("sbLoad", QStringLiteral("Load"),
                           QStringLiteral("Loads a defined format for use/edit"), pnFormat);
    sbSave = PictureButton("sbSave", QStringLiteral("S&ave"),
                           QStringLiteral("Save the current format as ..."), pnFormat);
    bSort = Named(new QPushButton(QStringLiteral("&Sort"), pnFormat), "bSort",
                  QStringLiteral("Sorts the variable names ..."));
    for (QWidget* button :
         std::initializer_list<QWidget*>{sbAdd, ShiftAll, sbStandard, sbLoad, sbSave, bSort})
        buttons->addWidget(button);
    buttons->addStretch(1);
    top->addLayout(buttons);

    auto* formatBox = new QVBoxLayout;
    auto* heading = new QLabel(QStringLiteral("Variable           Format        Alias"), pnFormat);
    heading->setFont(FixedPitchFont());
    formatBox->addWidget(heading);
    mVarClasses = Named(new QPlainTextEdit(pnFormat), "mVarClasses");
    mVarClasses->setFont(FixedPitchFont());
    mVarClasses->setLineWrapMode(QPlainTextEdit::NoWrap);
    mVarClasses->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    formatBox->addWidget(mVarClasses, 1);
    top->addLayout(formatBox, 3);

    auto* options = Named(new QGroupBox(QStringLiteral(" Options "), pnFormat), "gbOptions");
    auto* optionBox = new QVBoxLayout(options);
    cbdel = Named(new QCheckBox(QStringLiteral("Delete/Empty"), options), "cbdel",
                  QStringLiteral("Deletes empty lines in format list (recommended)"));
    cbdel->setChecked(true);
    cbClearAfter = Named(new QCheckBox(QStringLiteral("Clear Fields"), options), "cbClearAfter",
                         QStringLiteral("Clears the data format field when closing "));
    cbClearAfter->setChecked(true);
    Button1 = Named(new QPushButton(QStringLiteral("&Clear Format"), options), "Button1");
    bRun = Named(new QPushButton(QStringLiteral("&Run"), options), "bRun");
    bCloset = Named(new QPushButton(QStringLiteral("&Set/Close"), options), "bCloset");
    for (QWidget* control :
         std::initializer_list<QWidget*>{cbdel, cbClearAfter, Button1, bRun, bCloset})
        optionBox->addWidget(control);
    optionBox->addStretch(1);
    top->addWidget(options);
    layout->addWidget(pnFormat, 3);

    Memo1 = Named(new QPlainTextEdit(this), "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setFont(FixedPitchFont());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setPlainText(
        QStringList{QStringLiteral("Formatting Line:    "), QString(),
                    QStringLiteral("VariableName Format Alias (blank deminited)"),
                    QStringLiteral("Float          F(digits).(decimals)    e.g.  F6.2"),
                    QStringLiteral("Scientific     S(digits).(decimals)    e.g.  S5.1"),
                    QStringLiteral("Integer        I(digits)               e.g.  I6 "),
                    QStringLiteral("String         S(digits)               e.g.  C5")}
            .join(QLatin1Char('\n')));
    Memo1->setFixedHeight(7 * Memo1->fontMetrics().lineSpacing() + 12);
    layout->addWidget(Memo1);

    mres = Named(new QPlainTextEdit(this), "mres");
    mres->setReadOnly(true);
    mres->setFont(FixedPitchFont());
    mres->setLineWrapMode(QPlainTextEdit::NoWrap);
    mres->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mres->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(mres, 4);

    sbForm = Named(new QStatusBar(this), "sbForm");
    sbForm->setSizeGripEnabled(false);
    m_status = new QLabel(sbForm);
    m_status->setObjectName(QStringLiteral("sbFormPanel0"));
    sbForm->addWidget(m_status, 1);
    layout->addWidget(sbForm);

    ConnectGuarded(sbAdd, &QToolButton::clicked, this, &TfFormTab::sbAddClick);
    ConnectGuarded(ShiftAll, &QPushButton::clicked, this, &TfFormTab::ShiftAllClick);
    ConnectGuarded(sbStandard, &QToolButton::clicked, this, &TfFormTab::sbStandardClick);
    ConnectGuarded(sbLoad, &QToolButton::clicked, this, &TfFormTab::sbLoadClick);
    ConnectGuarded(sbSave, &QToolButton::clicked, this, &TfFormTab::sbSaveClick);
    ConnectGuarded(bSort, &QPushButton::clicked, this, &TfFormTab::bSortClick);
    ConnectGuarded(Button1, &QPushButton::clicked, this, &TfFormTab::Button1Click);
    ConnectGuarded(bRun, &QPushButton::clicked, this, &TfFormTab::bRunClick);
    ConnectGuarded(bCloset, &QPushButton::clicked, this, &TfFormTab::bClosetClick);
}

QStringList TfFormTab::ResultLines() const
{
    return ViewLines(mres->toPlainText());
}

QStringList TfFormTab::FormatLines() const
{
    return ViewLines(mVarClasses->toPlainText());
}

void TfFormTab::SetFormatLines(const QStringList& lines)
{
    mVarClasses->setPlainText(lines.join(QLatin1Char('\n')));
}

void TfFormTab::SetDataFile(const QString& path, int digits, int decimals)
{
    if (path == QLatin1String("xml"))
        return;
    try {
        cdsTab.loadFromFile(path);
        DataFilePath = path;
        DefaultDigits = quint8(digits);
        DefaultDecimals = quint8(decimals);
        m_status->setText(path);
    } catch (const VeltraError&) {
        // The status bar and the beep are the whole report: the window still opens, on
        // an empty field list, so the user can work on formats.
        m_status->setText(QStringLiteral("Error reading ") + path);
        m_beep();
    }
    ListBoxSource->clear();
    if (cdsTab.isOpen())
        ListBoxSource->addItems(cdsTab.fieldNames());
    if (cbClearAfter->isChecked())
        mres->clear();
}

void TfFormTab::AddFormatLines(const QStringList& names)
{
    for (const QString& name : names)
        mVarClasses->appendPlainText(name + QStringLiteral(" F") + QString::number(DefaultDigits) +
                                     QLatin1Char('.') + QString::number(DefaultDecimals));
}

void TfFormTab::sbAddClick()
{
    QStringList names;
    for (int row = 0; row < ListBoxSource->count(); ++row) {
        if (ListBoxSource->item(row)->isSelected())
            names << ListBoxSource->item(row)->text();
    }
    AddFormatLines(names);
}

void TfFormTab::ShiftAllClick()
{
    QStringList names;
    for (int row = 0; row < ListBoxSource->count(); ++row)
        names << ListBoxSource->item(row)->text();
    AddFormatLines(names);
}

void TfFormTab::bSortClick()
{
    ListBoxSource->setSortingEnabled(true);
    ListBoxSource->sortItems();
}

void TfFormTab::FormActivate()
{
    // The list keeps the order it shows, but does not sort names added later.
    ListBoxSource->setSortingEnabled(false);
    if (cbClearAfter->isChecked())
        mres->clear();
}

void TfFormTab::bRunClick()
{
    mres->clear();
    if (cbdel->isChecked())
        SetFormatLines(WithoutCommentLines(FormatLines()));
    // The run reads the format itself; a format word it cannot read stops it before any
    // line, with the message naming the format line.
    const GeneratorResult result = RunFormattedTable(FormatLines(), cdsTab);
    mres->setPlainText(result.lines.join(QLatin1Char('\n')));
    m_resultLayout = {TableTextKind::UserFormatted, result.columnWidths, result.headerWidths};
    result.throwIfStopped();
}

QString TfFormTab::FormatFileName() const
{
    return ReplaceFileExtension(DataFilePath, QStringLiteral("txt"));
}

void TfFormTab::sbSaveClick()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, sdFormat, FormatFileName());
    if (!path.isEmpty())
        WriteTextLines(path, FormatLines());
}

void TfFormTab::sbLoadClick()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Open, odFormat, FormatFileName());
    if (!path.isEmpty())
        SetFormatLines(ReadTextLines(path));
}

void TfFormTab::sbStandardClick()
{
    SetFormatLines(ReadTextLines(StandardFormatPath));
}

void TfFormTab::Button1Click()
{
    mVarClasses->clear();
}

void TfFormTab::bClosetClick()
{
    accept();
}

void TfFormTab::FormClose()
{
    cdsTab.close();
    if (cbClearAfter->isChecked())
        mVarClasses->clear();
}

void TfFormTab::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_guard.run([this] { FormActivate(); });
}

void TfFormTab::done(int result)
{
    // Every way of closing ends here: "&Set/Close", the close button, Escape.
    m_guard.run([this] { FormClose(); });
    QDialog::done(result);
}

} // namespace veltra
