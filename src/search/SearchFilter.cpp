#include "search/SearchFilter.h"

#include "util/VeltraError.h"
#include "util/uString.h"

#include <algorithm>

namespace veltra {

namespace {

/// A term as the text of a filter string literal: each single quote doubled, so that the
/// term is searched for as typed and cannot end the literal.
QString LiteralText(const QString& term)
{
    QString text = term;
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return text;
}

/// The condition of a searched term; empty when the term is blank.
QString Contains(const QString& term)
{
    if (TrimBlanks(term).isEmpty())
        return {};
    return QStringLiteral("Info LIKE '%") + LiteralText(term) + QStringLiteral("%'");
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
    // finds its inflected forms.
    auto used = [&terms](const QString& term) {
        return terms.german ? term.chopped(std::min<qsizetype>(2, term.size())) : term;
    };
    QString expression = Contains(used(terms.term1));
    expression = Joined(expression, terms.op1, Contains(used(terms.term2)), 2);
    expression = Joined(expression, terms.op2, Contains(used(terms.term3)), 3);
    const QString excluded = used(terms.exclude);
    if (!TrimBlanks(excluded).isEmpty()) {
        const QString condition =
            QStringLiteral("(NOT (Info LIKE '%") + LiteralText(excluded) + QStringLiteral("%'))");
        expression = expression.isEmpty()
                         ? condition
                         : QLatin1Char('(') + expression + QStringLiteral(") AND ") + condition;
    }
    return expression;
}

} // namespace veltra
