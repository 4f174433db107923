// The search's own copy of the parameter rows' Info texts, in Unicode normal form C and
// case-folded, so that a keyword search compares bytes instead of decoding, normalising
// and folding every text at every search.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace veltra {

class DataTable;
class FilterExpression;

/// The folded Info texts of every stored row of a parameter table (DataTable's stored
/// rows, file order), as UTF-8 in one buffer. A text is folded code point by code point
/// with the simple case folding that the table's comparisons ignoring case use, after
/// normalisation to form C, so that a term occurs in a folded text exactly when the
/// table's LIKE '%term%' with the ignoreCase option finds it.
class SearchTexts
{
public:
    /// The field whose texts are kept.
    static const QString FieldName;

    /// No texts: fits no table.
    SearchTexts() = default;
    /// The texts of table's Info field; fits no table when it has no such field.
    static SearchTexts Build(const DataTable& table);

    /// True when the texts were built from (or adopted for) this table as it is now.
    bool Fits(const DataTable& table) const;
    /// Takes the texts for table when its Info values are those the texts were built
    /// from (another table loaded from the same file, say); false when they are not.
    bool Adopt(const DataTable& table);
    /// Fits(table), else Adopt(table), else Build(table): the texts then fit the table.
    void Prepare(const DataTable& table);

    int rowCount() const { return int(m_starts.empty() ? 0 : m_starts.size() - 1); }
    /// The bytes the folded texts take.
    qsizetype byteCount() const
    {
        return m_bytes.size() + qsizetype(m_starts.size() * sizeof(qsizetype));
    }

    /// For an expression bound to the table these texts fit: passes[i] for each stored
    /// row, when the expression is a plain combination (AND, OR, NOT) of conditions
    /// "Info LIKE '%term%'" compared ignoring case; nothing for any other expression,
    /// which the table then evaluates itself.
    std::optional<std::vector<bool>> Passes(const FilterExpression& bound) const;

private:
    /// The folded UTF-8 of a text; nothing when it holds a lone surrogate or a zero
    /// character (no folded text can match such a term byte for byte).
    static std::optional<QByteArray> FoldedTerm(const QString& text);
    std::vector<bool> Scan(const QByteArray& needle, const std::vector<bool>& candidates) const;

    QByteArray m_bytes;              ///< every folded text, one after the other
    std::vector<qsizetype> m_starts; ///< row r's text is [m_starts[r], m_starts[r + 1])
    int m_field = -1;
    quint64 m_stamp = 0;  ///< DataTable::contentStamp of the table the texts fit
    quint64 m_digest = 0; ///< DataTable::fieldDigest of the Info values
};

/// The keyword search on the parameter table: sets the filter expression of the search
/// (SearchFilterExpression) on the table, switched on, with the search's folded texts
/// where the expression allows (texts prepared for the table first), else through the
/// table's own filter. The table shows exactly the rows its own evaluation of the
/// expression shows. Throws like DataTable::setFilter for an expression the table
/// rejects, leaving the filter switched off.
void ApplySearchFilter(DataTable& parameters, SearchTexts& texts, const QString& expression);

} // namespace veltra
