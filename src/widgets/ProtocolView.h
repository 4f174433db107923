// The view of the run protocol: a plain text memo that follows a ProtocolLog.
#pragma once

#include <QPlainTextEdit>
#include <QPointer>

namespace veltra {

class ProtocolLog;

/// Shows the lines of a log as they are added or extended. The user may type into the
/// view; what the user types becomes the log's lines, so saving the log saves what the
/// view shows. The log is not owned and may go away before the view.
class ProtocolView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit ProtocolView(ProtocolLog* log, QWidget* parent = nullptr);

private:
    void showAll();

    QPointer<ProtocolLog> m_log;
    // Set while the view follows the log, so its own change is not taken as typing.
    bool m_following = false;
    // Set while the user's typing is written to the log, so the view is not refilled.
    bool m_typing = false;
};

} // namespace veltra
