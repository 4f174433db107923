#include "widgets/ErrorGuard.h"

#include "util/VeltraError.h"

#include <QMessageBox>
#include <QWidget>
#include <exception>

namespace veltra {

ErrorGuard::ErrorGuard(QWidget* parent) : m_parent(parent) {}

bool ErrorGuard::run(const std::function<void()>& action) const
{
    try {
        action();
        return true;
    } catch (const VeltraError& error) {
        report(error.message());
    } catch (const std::exception& error) {
        report(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        report(QStringLiteral("Unknown error"));
    }
    return false;
}

void ErrorGuard::report(const QString& message) const
{
    ++m_reportCount;
    if (m_reporter) {
        m_reporter(message);
        return;
    }
    QMessageBox::critical(m_parent, QStringLiteral("Veltra"), message);
}

} // namespace veltra
