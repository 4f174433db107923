#include "widgets/Dialogs.h"

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

QString& ChosenFilter()
{
    static QString pattern;
    return pattern;
}

// "*.pdf" gives "pdf"; a pattern of another form gives nothing.
QString PatternExtension(const QString& pattern)
{
    if (!pattern.startsWith(QLatin1String("*.")) || pattern.mid(2).contains(QLatin1Char('*')) ||
        pattern.contains(QLatin1Char(';')))
        return QString();
    return pattern.mid(2);
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

QString Dialogs::AskSaveFileName(QWidget* parent, const FileDialogSettings& settings,
                                 const QString& initialName, QString* chosenPattern)
{
    const QStringList parts = settings.filter.split(QLatin1Char('|'));
    if (Answerer()) {
        *chosenPattern = ChosenFilter().isEmpty() ? parts.value(1) : ChosenFilter();
        return Answerer()(FileMode::Save, settings, initialName);
    }
    QFileDialog dialog(parent, settings.title, initialName, QtFilter(settings.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !settings.confirmOverwrite);
    const QStringList names = QtFilter(settings.filter).split(QStringLiteral(";;"));
    // The filter shown decides the extension a name without one gets.
    const auto patternOf = [&](const QString& name) {
        const qsizetype index = names.indexOf(name);
        return index >= 0 ? parts.value(2 * index + 1) : QString();
    };
    dialog.setDefaultSuffix(PatternExtension(parts.value(1)));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& name) {
        dialog.setDefaultSuffix(PatternExtension(patternOf(name)));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    *chosenPattern = patternOf(dialog.selectedNameFilter());
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

void Dialogs::SetChosenFilter(const QString& pattern)
{
    ChosenFilter() = pattern;
}

} // namespace veltra
