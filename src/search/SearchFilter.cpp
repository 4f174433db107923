#include "search/SearchFilter.h"

#include "util/VeltraError.h"
#include "util/uString.h"

#include <QTextBoundaryFinder>

namespace veltra {

namespace {

/// A term as the text of a LIKE pattern literal with the escape character '\': the
/// escape character, '%' and '_' are escaped and each single quote doubled, so that the
/// term is searched for as typed, has no wildcard and cannot end the literal.
QString LiteralText(const QString& term)
{
    QString text;
    text.reserve(term.size() + 8);
    for (const QChar c : term) {
        if (c == u'\\' || c == u'%' || c == u'_')
            text += u'\\';
        text += c;
        if (c == u'\'')
            text += u'\'';
    }
    return text;
}

/// The end of a LIKE condition: the pattern's closing wildcard and quote and the escape.
const QString kPatternEnd = QStringLiteral("%' ESCAPE '\\'");

/// The term without its last two user-perceived characters (grapheme clusters), so that
/// a letter with its combining marks or an emoji is dropped whole.
QString WithoutLastTwoCharacters(const QString& term)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, term);
    finder.toEnd();
    qsizetype end = term.size();
    for (int i = 0; i < 2 && end > 0; ++i) {
        const qsizetype previous = finder.toPreviousBoundary();
        end = previous < 0 ? 0 : previous;
    }
    return term.left(end);
}

/// The condition of a searched term; empty when the term is blank.
QString Contains(const QString& term)
{
    if (TrimBlanks(term).isEmpty())
        return {};
    return QStringLiteral("Info LIKE '%") + LiteralText(term) + kPatternEnd;
}

/// F joined with the condition f by the operator, which must be "AND" or "OR".
QString Joined(const QString& expression, const QString& op, const QString& condition, int term)
{
    if (condition.isEmpty())
        return expression;
    if (expression.isEmpty())
        return condition;
    if (op != QLatin1String("AND") && op != QLatin1String("OR"))
        throw VeltraError(
            QStringLiteral("The operator \"%1\" before search term %2 is neither AND nor OR")
                .arg(op)
                .arg(term));
    return QLatin1Char('(') + expression + QStringLiteral(") ") + op + QStringLiteral(" (") +
           condition + QLatin1Char(')');
}

} // namespace

QString SearchFilterExpression(const SearchTerms& terms)
{
    // Under German keywords a term loses its last two characters, so that a word stem
    // finds its inflected forms. Terms are compared in normal form C, as LIKE compares.
    auto used = [&terms](const QString& term) {
        const QString composed = term.normalized(QString::NormalizationForm_C);
        return terms.german ? WithoutLastTwoCharacters(composed) : composed;
    };
    QString expression = Contains(used(terms.term1));
    expression = Joined(expression, terms.op1, Contains(used(terms.term2)), 2);
    expression = Joined(expression, terms.op2, Contains(used(terms.term3)), 3);
    const QString excluded = used(terms.exclude);
    if (!TrimBlanks(excluded).isEmpty()) {
        const QString condition = QStringLiteral("(NOT (Info LIKE '%") + LiteralText(excluded) +
                                  kPatternEnd + QStringLiteral("))");
        expression = expression.isEmpty()
                         ? condition
                         : QLatin1Char('(') + expression + QStringLiteral(") AND ") + condition;
    }
    return expression;
}

} // namespace veltra
