#include "scenario/Formula.h"

#include "util/VeltraError.h"

#include <muParser.h>

#include <QList>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace veltra {

namespace {

// A formula longer than this is not one a user typed.
constexpr qsizetype MaxFormulaLength = 10000;

// Positions count from 1; one past the last character means the end of the formula.
QString ErrorText(const mu::ParserError& error, qsizetype length)
{
    const QString token = QString::fromStdString(error.GetToken());
    const qsizetype position = std::min<qsizetype>(error.GetPos() + 1, length + 1);
    QString what;
    switch (error.GetCode()) {
    case mu::ecUNASSIGNABLE_TOKEN:
        what = QStringLiteral("unknown name \"%1\"").arg(token);
        break;
    case mu::ecUNEXPECTED_EOF:
        what = QStringLiteral("the formula ends too early");
        break;
    case mu::ecEMPTY_EXPRESSION:
        return QStringLiteral("formula: empty");
    default:
        what = QString::fromStdString(error.GetMsg());
        // muparser's own message counts from 0; the position is given in front instead.
        static const QRegularExpression at(QStringLiteral("\\s*at position \\d+"));
        what.remove(at);
        if (what.endsWith(u'.'))
            what.chop(1);
        what[0] = what[0].toLower();
        break;
    }
    return QStringLiteral("formula, position %1: %2").arg(position).arg(what);
}

// The end (exclusive) of the operand that starts at `from`: optional signs, then a
// number, a name, a name with its parenthesised arguments or a parenthesised group,
// followed by any "^" operands (which bind tighter than a division).
qsizetype OperandEnd(const QString& text, qsizetype from)
{
    qsizetype i = from;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    auto primary = [&] {
        skipBlanks();
        while (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
            ++i;
            skipBlanks();
        }
        if (i < n && text.at(i) == u'(') {
            int depth = 0;
            for (; i < n; ++i) {
                if (text.at(i) == u'(')
                    ++depth;
                else if (text.at(i) == u')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
            return;
        }
        const qsizetype start = i;
        while (i < n &&
               (text.at(i).isLetterOrNumber() || text.at(i) == u'_' || text.at(i) == u'.' ||
                ((text.at(i) == u'+' || text.at(i) == u'-') && i > start &&
                 (text.at(i - 1) == u'e' || text.at(i - 1) == u'E') && text.at(start).isDigit())))
            ++i;
        skipBlanks();
        if (i < n && text.at(i) == u'(' && i > start) {
            int depth = 0;
            for (; i < n; ++i) {
                if (text.at(i) == u'(')
                    ++depth;
                else if (text.at(i) == u')' && --depth == 0) {
                    ++i;
                    break;
                }
            }
        }
    };
    primary();
    for (;;) {
        const qsizetype before = i;
        skipBlanks();
        if (i < n && text.at(i) == u'^') {
            ++i;
            primary();
        } else {
            i = before;
            break;
        }
    }
    return i;
}

} // namespace

Formula::Formula(const QString& text, const QStringList& names)
    : m_text(text), m_names(names), m_values(size_t(names.size()), 1.0),
      m_parser(std::make_unique<mu::Parser>())
{
    if (text.size() > MaxFormulaLength)
        throw VeltraError(
            QStringLiteral("formula: longer than %1 characters").arg(MaxFormulaLength));
    try {
        for (qsizetype i = 0; i < names.size(); ++i)
            m_parser->DefineVar(names.at(i).toStdString(), &m_values[size_t(i)]);
        m_parser->SetExpr(text.toStdString());
        m_parser->Eval(); // compiles; reports names and syntax
    } catch (const mu::ParserError& error) {
        throw VeltraError(ErrorText(error, text.size()));
    }
}

Formula::~Formula() = default;

double Formula::evaluate() const
{
    try {
        return m_parser->Eval();
    } catch (const mu::ParserError& error) {
        throw VeltraError(ErrorText(error, m_text.size()));
    }
}

QStringList Formula::usedNames() const
{
    QStringList used;
    const mu::varmap_type variables = m_parser->GetUsedVar();
    for (const QString& name : m_names)
        if (variables.count(name.toStdString()))
            used << name;
    return used;
}

QString Formula::divisionByZero() const
{
    for (qsizetype slash = m_text.indexOf(u'/'); slash >= 0;
         slash = m_text.indexOf(u'/', slash + 1)) {
        const qsizetype end = OperandEnd(m_text, slash + 1);
        const QString divisor = m_text.mid(slash + 1, end - slash - 1);
        try {
            mu::Parser parser;
            std::vector<double> values = m_values;
            for (qsizetype i = 0; i < m_names.size(); ++i)
                parser.DefineVar(m_names.at(i).toStdString(), &values[size_t(i)]);
            parser.SetExpr(divisor.toStdString());
            if (parser.Eval() == 0)
                return QStringLiteral("formula, position %1: division by zero").arg(slash + 1);
        } catch (const mu::ParserError&) {
            // Not an operand on its own (a slash inside a larger construct): skip it.
        }
    }
    return QString();
}

QString CheckFormula(const QString& text, const QStringList& names, const QList<double>& values)
{
    try {
        Formula formula(text, names);
        for (qsizetype i = 0; i < names.size() && i < values.size(); ++i)
            formula.values()[i] = values.at(i);
        if (!std::isfinite(formula.evaluate())) {
            const QString division = formula.divisionByZero();
            if (!division.isEmpty())
                return division;
        }
    } catch (const mu::ParserError& error) {
        return ErrorText(error, text.size());
    } catch (const VeltraError& error) {
        return error.message();
    }
    return QString();
}

} // namespace veltra
