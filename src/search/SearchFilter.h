// The filter expression of a keyword search over the parameter rows' Info texts.
#pragma once

#include <QString>

namespace veltra {

/// The texts of the search window's boxes.
struct SearchTerms
{
    QString term1, term2, term3; ///< searched for, combined by op1 and op2
    QString exclude;             ///< must not occur
    QString op1 = QStringLiteral("AND");
    QString op2 = QStringLiteral("AND");
    /// German keywords: each term loses its last two characters before it is used.
    bool german = false;
};

/// The filter expression: "Info LIKE '%t%'" per term whose TrimBlanks is not empty
/// (the term itself untrimmed, each single quote doubled), joined as
/// "(" + F + ") " + op + " (" + f + ")", then "(" + F + ") AND (NOT (Info LIKE '%x%'))"
/// for the excluded term. Empty when every term is empty. An operator that joins two
/// terms and is not exactly "AND" or "OR" throws VeltraError naming it (the window shows
/// "ERROR"); a term can never change the expression's logic.
QString SearchFilterExpression(const SearchTerms& terms);

} // namespace veltra
