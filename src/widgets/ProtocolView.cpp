#include "widgets/ProtocolView.h"

#include "util/ProtocolLog.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

namespace veltra {

ProtocolView::ProtocolView(ProtocolLog* log, QWidget* parent) : QPlainTextEdit(parent), m_log(log)
{
    // After a change from the log the view stays at the starts of the lines: the cursor
    // at the start of the last line (appending left it at the end of a long line, and
    // the view scrolled there), the horizontal scroll bar at its left end.
    auto follow = [this](auto change) {
        m_following = true;
        change();
        setTextCursor(QTextCursor(document()->lastBlock()));
        horizontalScrollBar()->setValue(0);
        m_following = false;
    };
    connect(m_log, &ProtocolLog::lineAdded, this,
            [this, follow](const QString& line) { follow([&] { appendPlainText(line); }); });
    connect(m_log, &ProtocolLog::lastLineExtended, this, [this, follow](const QString& text) {
        follow([&] {
            QTextCursor cursor(document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(text);
        });
    });
    connect(m_log, &ProtocolLog::linesReset, this, [this, follow] {
        if (!m_typing)
            follow([&] { showAll(); });
    });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_following || !m_log)
            return;
        const QString text = toPlainText();
        m_typing = true;
        m_log->SetLines(text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
        m_typing = false;
    });
    follow([&] { showAll(); });
}

void ProtocolView::showAll()
{
    setPlainText(m_log ? m_log->lines().join(QLatin1Char('\n')) : QString());
}

} // namespace veltra
