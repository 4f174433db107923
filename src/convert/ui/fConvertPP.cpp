#include "convert/ui/fConvertPP.h"

#include "convert/ConvertParameterSets.h"
#include "util/TextLines.h"
#include "widgets/GuardedHandler.h"
#include "widgets/Named.h"
#include "widgets/ShortcutDispatcher.h"
#include "widgets/ViewFonts.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <algorithm>

namespace veltra {

namespace {

// The designed client area: 796 x 521 pixels of window less its frame and menu bar.
constexpr int DesignedClientWidth = 788;
constexpr int DesignedClientHeight = 475;
constexpr int AreaLeft = 8;
constexpr int InputTop = 32;
constexpr int InputHeight = 193;
constexpr int OutputTop = 264;
constexpr int AreaWidth = 769;
constexpr int OutputHeight = 201;

QFont TitleFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(16);
    font.setBold(true);
    return font;
}

QPlainTextEdit* TextArea(QWidget* parent, const char* name)
{
    auto* area = Named(new QPlainTextEdit(parent), name);
    QFont font = FixedPitchFont();
    font.setPixelSize(12);
    area->setFont(font);
    area->setLineWrapMode(QPlainTextEdit::NoWrap);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // TAB moves on to the next control, as in the window's other controls.
    area->setTabChangesFocus(true);
    return area;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                    int width)
{
    auto* button = Named(new QPushButton(caption, parent), name);
    // The designed width, or more where this system's font needs it: a caption that
    // fills the button to its frame looks cut off.
    button->setGeometry(left, top, std::max(width, button->sizeHint().width()), 25);
    return button;
}

// The output area's content when the window is made, and after each reset: the two
// texts differ (trailing blank, capitals) as the window has always shown them.
const QStringList InitialOutput{
    QStringLiteral("Conversion / Transformation of Pandor parameter sets "),
    QStringLiteral("Beta Version 1.0 3.5.2005 Talm"), QString()};
const QStringList ResetOutput{
    QStringLiteral("Conversion / Transformation of Pandor Parameter Sets"),
    QStringLiteral("Beta Version 1.0 3.5.2005 Talm "), QString()};

} // namespace

TfConvertPP::TfConvertPP(const ErrorGuard& guard, QWidget* parent)
    : QMainWindow(parent, Qt::Tool), m_guard(guard)
{
    setObjectName(QStringLiteral("fConvertPP"));
    setWindowTitle(QStringLiteral("Transform GF into Standard parameter"));
    // The captions repeat mnemonics (two "&Clear" and "&Close", "&Transform" as button and
    // menu item): one dispatcher gives each Alt key to the first shown button with it,
    // before the menu bar, so that a key press acts every time instead of moving focus.
    new ShortcutDispatcher(this);
    OpenDialog1 = {QStringLiteral("Load a file"), QStringLiteral("*.txt"),
                   QStringLiteral("Text file (ASCII9 |*.txt|All|*.*"), false};
    // The save dialog asks before it replaces a file: the output area may be all that is
    // left of a session's conversions, and so may the file it would replace.
    SaveDialog1 = {QStringLiteral("Save as ..."), QStringLiteral("txt"),
                   QStringLiteral("Text file (ASCII9 |*.txt|All|*.*"), true};

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    Label1 = Named(new QLabel(QStringLiteral("GF - Parameters"), m_client), "Label1");
    Label1->setFont(TitleFont());
    Label1->move(232, 8);
    Label1->adjustSize();
    Button2 = Button(m_client, "Button2", QStringLiteral("&Insert from Clipb."), 440, 0, 105);
    Button3 = Button(m_client, "Button3", QStringLiteral("&Clear"), 576, 0, 75);
    bClose = Button(m_client, "bClose", QStringLiteral("&Close"), 704, 0, 75);
    Memo1 = TextArea(m_client, "Memo1");
    bTransform = Button(m_client, "bTransform", QStringLiteral("&Transform"), 8, 232, 75);
    Label2 = Named(new QLabel(QStringLiteral("Standard - Parameters"), m_client), "Label2");
    Label2->setFont(TitleFont());
    Label2->move(208, 240);
    Label2->adjustSize();
    bResultCl = Button(m_client, "bResultCl", QStringLiteral("&Result to ClpBrd"), 440, 232, 105);
    Button4 = Button(m_client, "Button4", QStringLiteral("&Clear"), 704, 232, 75);
    Memo2 = TextArea(m_client, "Memo2");
    SetOutputLines(InitialOutput);

    setTabOrder(bTransform, Memo1);
    setTabOrder(Memo1, Memo2);
    setTabOrder(Memo2, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, bClose);
    setTabOrder(bClose, bResultCl);

    ConnectGuarded(bTransform, &QPushButton::clicked, this, &TfConvertPP::bTransformClick);
    ConnectGuarded(Button2, &QPushButton::clicked, this, &TfConvertPP::Button2Click);
    ConnectGuarded(Button3, &QPushButton::clicked, this, &TfConvertPP::Button3Click);
    ConnectGuarded(Button4, &QPushButton::clicked, this, &TfConvertPP::Button4Click);
    ConnectGuarded(bResultCl, &QPushButton::clicked, this, &TfConvertPP::bResultClClick);
    ConnectGuarded(bClose, &QPushButton::clicked, this, &TfConvertPP::bCloseClick);
    buildMenus();

    setGeometry(226, 218, 796, 521);
    LayoutAreas();
    bTransform->setFocus();
}

void TfConvertPP::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto add = [this](QMenu* menu, const char* name, const QString& text,
                      void (TfConvertPP::*handler)()) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        if (menu)
            menu->addAction(action);
        else
            menuBar()->addAction(action);
        ConnectGuarded(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu* input = bar->addMenu(QStringLiteral("Input"));
    input->menuAction()->setObjectName(QStringLiteral("Input1"));
    add(input, "Load1", QStringLiteral("&Load"), &TfConvertPP::Load1Click);
    add(input, "FromCliboard1", QStringLiteral("&From Cliboard"), &TfConvertPP::Button2Click);
    input->addSeparator();
    add(input, "Claer1", QStringLiteral("&Clear"), &TfConvertPP::Button3Click);

    add(nullptr, "ransform1", QStringLiteral("&Transform"), &TfConvertPP::ransform1Click);

    QMenu* output = bar->addMenu(QStringLiteral("&Output"));
    output->menuAction()->setObjectName(QStringLiteral("Output1"));
    add(output, "Saveas1", QStringLiteral("&Save as .."), &TfConvertPP::Saveas1Click);
    output->addSeparator();
    add(output, "Clear1", QStringLiteral("&Clear"), &TfConvertPP::Button4Click);

    QAction* quit = add(nullptr, "Quit2", QStringLiteral("&Quit"), &TfConvertPP::Quit2Click);
    quit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    quit->setShortcutContext(Qt::WindowShortcut);
}

void TfConvertPP::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    LayoutAreas();
}

void TfConvertPP::LayoutAreas()
{
    if (!m_client)
        return;
    // At the designed size the areas have their designed sizes; a larger window gives
    // both more width and the output area more height. They never shrink below a
    // usable size, so a small window scrolls rather than hides them.
    const int width = std::max(120, AreaWidth + m_client->width() - DesignedClientWidth);
    const int height = std::max(60, OutputHeight + m_client->height() - DesignedClientHeight);
    Memo1->setGeometry(AreaLeft, InputTop, width, InputHeight);
    Memo2->setGeometry(AreaLeft, OutputTop, width, height);
}

QStringList TfConvertPP::InputLines() const
{
    return ViewLines(Memo1->toPlainText());
}

QStringList TfConvertPP::OutputLines() const
{
    return ViewLines(Memo2->toPlainText());
}

void TfConvertPP::SetOutputLines(const QStringList& lines)
{
    Memo2->setPlainText(lines.join(QLatin1Char('\n')));
    Memo2->moveCursor(QTextCursor::End);
    Memo2->verticalScrollBar()->setValue(Memo2->verticalScrollBar()->maximum());
}

void TfConvertPP::bTransformClick()
{
    // The input area is read, never changed.
    const GeneratorResult result = ConvertParameterSets(InputLines());
    // The new table goes below what the output area holds, after an empty line; a
    // failing line still leaves the header and the rows before it there, and then its
    // error is reported.
    SetOutputLines(OutputLines() + QStringList{QString()} + result.lines);
    result.throwIfStopped();
}

void TfConvertPP::ransform1Click()
{
    bTransformClick();
}

void TfConvertPP::Button2Click()
{
    Memo1->clear();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (data && data->hasText())
        Memo1->setPlainText(data->text());
}

void TfConvertPP::Button3Click()
{
    Memo1->clear();
}

void TfConvertPP::Button4Click()
{
    SetOutputLines(ResetOutput);
}

void TfConvertPP::Load1Click()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Open, OpenDialog1, QString());
    if (path.isEmpty())
        return;
    Memo1->clear();
    Memo1->setPlainText(ReadTextLines(path).join(QLatin1Char('\n')));
}

void TfConvertPP::Saveas1Click()
{
    const QString path =
        Dialogs::AskFileName(this, Dialogs::FileMode::Save, SaveDialog1, QString());
    if (!path.isEmpty())
        WriteTextLines(path, OutputLines());
}

void TfConvertPP::bResultClClick()
{
    Memo2->selectAll();
    Memo2->copy();
}

void TfConvertPP::bCloseClick()
{
    hide();
}

void TfConvertPP::Quit2Click()
{
    hide();
}

} // namespace veltra
