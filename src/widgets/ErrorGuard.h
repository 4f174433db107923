// The one place where errors that a handler does not catch end up.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>

class QWidget;

namespace veltra {

/// Runs a handler and turns any error it throws into the general error message: a
/// critical message box titled "Veltra" with the error's text. No exception leaves
/// run(), so none reaches the event loop. The reporter can be replaced (tests record
/// the messages instead of opening a modal box).
class ErrorGuard
{
public:
    using Reporter = std::function<void(const QString& message)>;

    explicit ErrorGuard(QWidget* parent = nullptr);

    /// Runs the action; returns false when it failed (the failure was reported).
    bool run(const std::function<void()>& action) const;
    /// Shows the message through the reporter.
    void report(const QString& message) const;

    void setReporter(Reporter reporter) { m_reporter = std::move(reporter); }
    /// How many failures were reported so far: a caller that runs handlers it cannot
    /// see (a table link's) compares the count before and after.
    int reportCount() const { return m_reportCount; }

private:
    QPointer<QWidget> m_parent;
    Reporter m_reporter;
    mutable int m_reportCount = 0;
};

} // namespace veltra
