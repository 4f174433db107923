// The file dialogs and message boxes of every window, in one place so that each dialog
// keeps its designed settings and tests can answer them.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace veltra {

/// The settings of a file dialog; the dialog itself is made when a command asks.
struct FileDialogSettings
{
    QString title;
    QString defaultExtension;
    QString filter; ///< "Description|pattern|Description|pattern"
    bool confirmOverwrite = true;
};

/// Modal dialogs. Each call runs the real dialog unless an answerer is set: tests set
/// one to choose file names and to record messages instead of waiting for a user.
class Dialogs
{
public:
    enum class FileMode
    {
        Save,
        Open
    };
    using FileAnswerer = std::function<QString(FileMode mode, const FileDialogSettings& settings,
                                               const QString& initialName)>;
    using MessageRecorder = std::function<void(const QString& text)>;

    /// The chosen file name, or an empty text when the user cancelled. A save dialog
    /// adds the default extension to a name without one and asks before overwriting
    /// when the settings say so.
    static QString AskFileName(QWidget* parent, FileMode mode, const FileDialogSettings& settings,
                               const QString& initialName);
    /// A save dialog whose name comes back as typed, with the pattern of the filter the
    /// user chose in chosenPattern ("*.pdf"). The real dialog adds the chosen filter's
    /// extension to a name without one (and asks before overwriting that file); under an
    /// answerer the pattern is the one SetChosenFilter set, else the first filter's.
    static QString AskSaveFileName(QWidget* parent, const FileDialogSettings& settings,
                                   const QString& initialName, QString* chosenPattern);
    /// An information message with an OK button.
    static void ShowMessage(QWidget* parent, const QString& text);

    static void SetFileAnswerer(FileAnswerer answerer);
    static void SetMessageRecorder(MessageRecorder recorder);
    /// The filter pattern answered by AskSaveFileName while an answerer is set; an empty
    /// text answers the first filter.
    static void SetChosenFilter(const QString& pattern);

    /// The dialog's filter in Qt's form: "Text file [*.txt] (*.txt);;All (*.*)".
    static QString QtFilter(const QString& filter);
};

} // namespace veltra
