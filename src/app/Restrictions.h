// The quality restrictions and the update status of a parameter row, as the
// restriction panel of the main window shows them. Core texts only: the panel
// itself (tabs, visibility) belongs to the window.
#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

#include <array>

namespace veltra {

/// The header line above the restriction sentences.
inline constexpr QLatin1String
    RestrictionsHeaderLine("Restrictions in Quality for Exposure Factors (Pandor):");

/// The sentences of the seven quality flags, flag 1 first. Sentence 5 has no
/// final full stop; the texts are the program's own and are kept as they are.
inline constexpr std::array<QLatin1String, 7> QualityFlagSentences = {
    QLatin1String("Survey quality not clear."),
    QLatin1String("No access to original data."),
    QLatin1String("Survey may be out of date."),
    QLatin1String("Survey may be not valid for German population."),
    QLatin1String("Survey might be not representative for considered population"),
    QLatin1String("Data might have a low degree of accuracy."),
    QLatin1String("Variation might have a lack of accuracy."),
};

/// The one sentence for a code that sets no flag.
inline constexpr QLatin1String NoRestrictionsSentence("No quality restrictions marked.");

/// What the panel shows when a click on its tab row hits no tab.
inline constexpr QLatin1String NothingSelectedText("Nothing selected.");

/// The restriction code of a row's Info lines (each ending with "\r", see
/// InfoLines): the parts from character 25 on of every line whose first word
/// is exactly "Restrictions", joined by one blank; then the added final blank
/// and, if the code then ends with a carriage return, that carriage return are
/// removed; then leading blanks and control characters; the code is cut before
/// its first line feed. A flag character is never dropped, also when the last
/// line lacks its carriage return.
QString RestrictionCode(const QStringList& infoLines);

/// The restriction lines of the Info lines: per set flag ("1" at positions 1
/// to 7 of the code) eight blanks and its sentence, or eight blanks and
/// NoRestrictionsSentence when the code is not empty but sets no flag. Every
/// line is followed by "\n". Empty when there are no Info lines or the code is
/// empty.
QString RestrictionText(const QStringList& infoLines);

/// How the restriction panel lays out its lines: the header line, an empty line when
/// the display was asked for from the status bar, then the restriction lines.
enum class RestrictionLayout
{
    Plain,
    BlankAfterHeader
};

/// The lines the restriction panel shows for a parameter row's Info field text: the
/// header line, an empty line with BlankAfterHeader, then the lines of RestrictionText.
QStringList RestrictionDisplayLines(const QString& infoFieldText,
                                    RestrictionLayout layout = RestrictionLayout::Plain);

/// The update status lines of a parameter row: the title, the modification
/// time of the main data set file, the one of the row's data file (only when
/// dataFile is not empty; the file name is used as it is, relative names
/// refer to the current directory), the update marker fileType (also when
/// empty) and the change date (only when not empty).
/// Throws VeltraError naming the file when either file does not exist.
QStringList UpdateStatusLines(const QString& mainDataSetFile, const QString& dataFile,
                              const QString& fileType, const QString& change);

} // namespace veltra
