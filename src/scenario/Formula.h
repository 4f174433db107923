// The formula of a scenario: arithmetic over the input names, compiled once by muparser
// and evaluated per iteration. Each thread of a run uses its own Formula.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace mu {
class Parser;
}

namespace veltra {

class Formula
{
public:
    /// Compiles text over the variables `names`. Throws VeltraError naming the position
    /// (1-based) of an unknown name or a syntax error: "formula, position 5: unknown
    /// name \"Q\"".
    Formula(const QString& text, const QStringList& names);
    ~Formula();
    Formula(const Formula&) = delete;
    Formula& operator=(const Formula&) = delete;

    /// The values of the variables, in the order of `names`; set them, then evaluate().
    double* values() { return m_values.data(); }
    double evaluate() const;
    /// Where a value that is not finite came from: the message naming the position of a
    /// division whose divisor is 0 at the current values, or an empty text.
    QString divisionByZero() const;
    /// The input names the formula uses, in the order of `names`.
    QStringList usedNames() const;

    const QString& text() const { return m_text; }

private:
    QString m_text;
    QStringList m_names;
    std::vector<double> m_values;
    std::unique_ptr<mu::Parser> m_parser;
};

/// Checks a formula as the scenario window does while it is typed: compiles it and
/// evaluates it once at the given values; an empty text when it is fine, otherwise the
/// message naming the position.
QString CheckFormula(const QString& text, const QStringList& names, const QList<double>& values);

} // namespace veltra
