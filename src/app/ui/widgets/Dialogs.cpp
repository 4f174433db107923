#include "app/ui/widgets/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace veltra {

namespace {

Dialogs::FileAnswerer& Answerer()
{
    static Dialogs::FileAnswerer answerer;
    return answerer;
}

Dialogs::MessageRecorder& Recorder()
{
    static Dialogs::MessageRecorder recorder;
    return recorder;
}

} // namespace

QString Dialogs::QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << parts.at(i) + QStringLiteral(" (") +
                       QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                       QLatin1Char(')');
    return entries.join(QStringLiteral(";;"));
}

QString Dialogs::AskFileName(QWidget* parent, FileMode mode, const FileDialogSettings& settings,
                             const QString& initialName)
{
    if (Answerer())
        return Answerer()(mode, settings, initialName);
    QFileDialog dialog(parent, settings.title, initialName, QtFilter(settings.filter));
    dialog.setAcceptMode(mode == FileMode::Save ? QFileDialog::AcceptSave
                                                : QFileDialog::AcceptOpen);
    dialog.setFileMode(mode == FileMode::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(settings.defaultExtension);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void Dialogs::ShowMessage(QWidget* parent, const QString& text)
{
    if (Recorder()) {
        Recorder()(text);
        return;
    }
    QMessageBox::information(parent, QStringLiteral("Veltra"), text);
}

void Dialogs::SetFileAnswerer(FileAnswerer answerer)
{
    Answerer() = std::move(answerer);
}

void Dialogs::SetMessageRecorder(MessageRecorder recorder)
{
    Recorder() = std::move(recorder);
}

} // namespace veltra
