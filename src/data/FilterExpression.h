// The filter language of tables: comparisons of fields with values, combined with
// NOT, AND, OR and parentheses.
#pragma once

#include "data/DataTable.h"
#include "data/FieldDef.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace veltra {

/// A filter expression, parsed once and then evaluated per row.
///
///   expression := term { OR term }
///   term       := factor { AND factor }
///   factor     := NOT factor | '(' expression ')' | field '=' value
///               | field LIKE value [ ESCAPE 'c' ]
///   value      := 'text' ('' inside stands for one quote) | number
///
/// Keywords ignore case; blanks may stand anywhere between tokens. `Field = 123`
/// compares numerically on integer, r8 and fixed fields and with the field's text on
/// other fields. In LIKE patterns % stands for any run of characters (also none); every
/// other character, '_' included, stands for itself. After ESCAPE 'c' (one character)
/// the character following c in the pattern is taken literally, so with ESCAPE '\'
/// the pattern 'a\%b' matches the text "a%b" only and '\\' stands for one backslash;
/// a c at the pattern's end is an error. LIKE compares both texts in Unicode normal form
/// C, so composed and decomposed letters match each other. With
/// the ignoreCase option text comparisons and LIKE ignore case (case folding); with partialCompare
/// a
/// '=' value ending in '*' matches every text that begins with the rest. An empty
/// expression lets every row pass. Parentheses and NOT nest at most kMaxDepth deep.
///
/// Errors throw VeltraError naming the 1-based character position.
class FilterExpression
{
public:
    static constexpr int kMaxDepth = 200;

    /// Parses text; throws on a syntax error.
    explicit FilterExpression(const QString& text);

    /// Resolves the field names (ignoring case) against fields and fixes the options;
    /// throws naming an unknown field. Must precede matches().
    void bind(const QList<FieldDef>& fields, FilterOptions options);

    bool isEmpty() const { return m_root < 0; }
    const QString& text() const { return m_text; }

    /// True when the row (values in field order) passes.
    bool matches(const QStringList& values) const;
    /// The positions of the fields the bound expression compares; matches() reads no
    /// other value.
    std::vector<int> boundFields() const;

    enum class NodeKind
    {
        And,
        Or,
        Not,
        Equal,
        Like
    };
    struct Node
    {
        NodeKind kind = NodeKind::Equal;
        std::vector<int> children;
        // comparisons
        QString fieldName;
        int position = 0; // of the field name, 1-based
        int field = -1;
        QString value;         // text of the value (without quotes)
        bool isNumber = false; // the value was a number without quotes
        double number = 0;
        bool numericField = false;
        bool prefix = false; // partial comparison
        QChar escape;        // LIKE: the escape character, null without ESCAPE
        int escapePosition = 0;
        QStringList segments; // LIKE: the pattern split at its wildcards, escapes resolved
    };

    /// The parsed nodes, for a caller that evaluates a bound expression its own way; the
    /// root is rootNode() (-1 for an empty expression), children index into nodes().
    const std::vector<Node>& nodes() const { return m_nodes; }
    int rootNode() const { return m_root; }
    /// Whether the bound expression compares texts ignoring case.
    bool ignoresCase() const { return m_case == Qt::CaseInsensitive; }

private:
    bool eval(int node, const QStringList& values) const;

    QString m_text;
    std::vector<Node> m_nodes;
    int m_root = -1;
    Qt::CaseSensitivity m_case = Qt::CaseSensitive;
    bool m_bound = false;
};

} // namespace veltra
