#include "data/FilterExpression.h"

#include "util/VeltraError.h"

#include <algorithm>

namespace veltra {

namespace {

enum class TokenKind
{
    Name,
    String,
    Number,
    LeftParen,
    RightParen,
    Operator,
    End
};

struct Token
{
    TokenKind kind = TokenKind::End;
    QString text;     // name, operator, string contents or number as written
    int position = 0; // 1-based
};

[[noreturn]] void failAt(int position, const QString& what)
{
    throw VeltraError(QStringLiteral("%1 at position %2").arg(what).arg(position));
}

bool isNameStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

/// Splits a filter text into tokens, one at a time.
class FilterLexer
{
public:
    explicit FilterLexer(const QString& text) : m_text(text) {}

    Token next()
    {
        const qsizetype n = m_text.size();
        while (m_pos < n && (m_text.at(m_pos) == u' ' || m_text.at(m_pos) == u'\t' ||
                             m_text.at(m_pos) == u'\r' || m_text.at(m_pos) == u'\n'))
            ++m_pos;
        Token t;
        t.position = int(m_pos) + 1;
        if (m_pos >= n)
            return t;
        const QChar c = m_text.at(m_pos);
        if (c == u'(' || c == u')') {
            t.kind = c == u'(' ? TokenKind::LeftParen : TokenKind::RightParen;
            t.text = c;
            ++m_pos;
        } else if (c == u'\'') {
            t.kind = TokenKind::String;
            ++m_pos;
            for (;;) {
                const qsizetype q = m_text.indexOf(u'\'', m_pos);
                if (q < 0)
                    failAt(t.position, QStringLiteral("unterminated string"));
                t.text += QStringView(m_text).mid(m_pos, q - m_pos);
                m_pos = q + 1;
                if (m_pos < n && m_text.at(m_pos) == u'\'') {
                    t.text += u'\'';
                    ++m_pos;
                } else {
                    break;
                }
            }
        } else if (c.isDigit() || ((c == u'-' || c == u'+' || c == u'.') && m_pos + 1 < n &&
                                   (m_text.at(m_pos + 1).isDigit() ||
                                    (c != u'.' && m_text.at(m_pos + 1) == u'.' && m_pos + 2 < n &&
                                     m_text.at(m_pos + 2).isDigit())))) {
            t.kind = TokenKind::Number;
            const qsizetype start = m_pos;
            if (c == u'-' || c == u'+')
                ++m_pos;
            auto digits = [&] {
                while (m_pos < n && m_text.at(m_pos).isDigit() && m_text.at(m_pos).unicode() < 0x80)
                    ++m_pos;
            };
            digits();
            if (m_pos < n && m_text.at(m_pos) == u'.') {
                ++m_pos;
                digits();
            }
            if (m_pos + 1 < n && (m_text.at(m_pos) == u'e' || m_text.at(m_pos) == u'E')) {
                qsizetype p = m_pos + 1;
                if (p < n && (m_text.at(p) == u'-' || m_text.at(p) == u'+'))
                    ++p;
                if (p < n && m_text.at(p).isDigit()) {
                    m_pos = p;
                    digits();
                }
            }
            t.text = m_text.mid(start, m_pos - start);
            if (m_pos < n && isNameChar(m_text.at(m_pos)))
                failAt(int(m_pos) + 1, QStringLiteral("malformed number"));
        } else if (isNameStart(c)) {
            t.kind = TokenKind::Name;
            const qsizetype start = m_pos;
            while (m_pos < n && isNameChar(m_text.at(m_pos)))
                ++m_pos;
            t.text = m_text.mid(start, m_pos - start);
        } else if (c == u'=' || c == u'<' || c == u'>' || c == u'!') {
            t.kind = TokenKind::Operator;
            const qsizetype start = m_pos;
            while (m_pos < n && (m_text.at(m_pos) == u'=' || m_text.at(m_pos) == u'<' ||
                                 m_text.at(m_pos) == u'>' || m_text.at(m_pos) == u'!'))
                ++m_pos;
            t.text = m_text.mid(start, m_pos - start);
        } else {
            failAt(t.position, QStringLiteral("unexpected character \"%1\"").arg(c));
        }
        return t;
    }

private:
    const QString& m_text;
    qsizetype m_pos = 0;
};

bool isKeyword(const Token& t, const char* word)
{
    return t.kind == TokenKind::Name &&
           t.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool isAnyKeyword(const Token& t)
{
    return isKeyword(t, "AND") || isKeyword(t, "OR") || isKeyword(t, "NOT") || isKeyword(t, "LIKE");
}

QString describe(const Token& t)
{
    switch (t.kind) {
    case TokenKind::End:
        return QStringLiteral("end of expression");
    case TokenKind::String:
        return QStringLiteral("text '%1'").arg(t.text);
    default:
        return QStringLiteral("\"%1\"").arg(t.text);
    }
}

using Node = FilterExpression::Node;
using NodeKind = FilterExpression::NodeKind;

/// The LIKE pattern split at its '%' wildcards, each escaped character taken
/// literally; every piece in normal form C. Throws when the escape character ends the
/// pattern.
QStringList likeSegments(const Node& n)
{
    QStringList segments;
    QString piece;
    const QString& pattern = n.value;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (!n.escape.isNull() && c == n.escape) {
            if (i + 1 >= pattern.size())
                failAt(n.escapePosition,
                       QStringLiteral("escape character \"%1\" ends the pattern").arg(c));
            piece += pattern.at(++i);
        } else if (c == u'%') {
            segments.append(piece.normalized(QString::NormalizationForm_C));
            piece.clear();
        } else {
            piece += c;
        }
    }
    segments.append(piece.normalized(QString::NormalizationForm_C));
    return segments;
}

/// Recursive descent over the tokens; depth counts parentheses and NOT.
class FilterParser
{
public:
    FilterParser(const QString& text, std::vector<Node>& nodes) : m_lexer(text), m_nodes(nodes)
    {
        m_tok = m_lexer.next();
    }

    int parse()
    {
        if (m_tok.kind == TokenKind::End)
            return -1;
        const int root = parseOr(0);
        if (m_tok.kind != TokenKind::End) {
            if (m_tok.kind == TokenKind::Name && !isAnyKeyword(m_tok))
                failAt(m_tok.position, QStringLiteral("unknown operator \"%1\"").arg(m_tok.text));
            if (m_tok.kind == TokenKind::Operator)
                failAt(m_tok.position, QStringLiteral("unknown operator \"%1\"").arg(m_tok.text));
            if (m_tok.kind == TokenKind::RightParen)
                failAt(m_tok.position, QStringLiteral("unexpected \")\" without \"(\""));
            failAt(m_tok.position, QStringLiteral("unexpected %1").arg(describe(m_tok)));
        }
        return root;
    }

private:
    void advance() { m_tok = m_lexer.next(); }

    int add(Node node)
    {
        m_nodes.push_back(std::move(node));
        return int(m_nodes.size()) - 1;
    }

    int parseList(NodeKind kind, const char* keyword, int depth)
    {
        const int first =
            kind == NodeKind::Or ? parseList(NodeKind::And, "AND", depth) : parseNot(depth);
        if (!isKeyword(m_tok, keyword))
            return first;
        Node list;
        list.kind = kind;
        list.children.push_back(first);
        while (isKeyword(m_tok, keyword)) {
            advance();
            list.children.push_back(kind == NodeKind::Or ? parseList(NodeKind::And, "AND", depth)
                                                         : parseNot(depth));
        }
        return add(std::move(list));
    }

    int parseOr(int depth) { return parseList(NodeKind::Or, "OR", depth); }

    void enter(int depth, int position)
    {
        if (depth > FilterExpression::kMaxDepth)
            failAt(position, QStringLiteral("filter expression nested deeper than %1 levels")
                                 .arg(FilterExpression::kMaxDepth));
    }

    int parseNot(int depth)
    {
        if (isKeyword(m_tok, "NOT")) {
            enter(depth + 1, m_tok.position);
            advance();
            Node n;
            n.kind = NodeKind::Not;
            n.children.push_back(parseNot(depth + 1));
            return add(std::move(n));
        }
        if (m_tok.kind == TokenKind::LeftParen) {
            const int open = m_tok.position;
            enter(depth + 1, open);
            advance();
            const int inner = parseOr(depth + 1);
            if (m_tok.kind != TokenKind::RightParen)
                failAt(m_tok.position,
                       QStringLiteral("missing \")\" for the \"(\" at position %1, found %2")
                           .arg(open)
                           .arg(describe(m_tok)));
            advance();
            return inner;
        }
        return parseComparison();
    }

    int parseComparison()
    {
        if (m_tok.kind != TokenKind::Name || isAnyKeyword(m_tok))
            failAt(m_tok.position,
                   QStringLiteral("field name expected, found %1").arg(describe(m_tok)));
        Node n;
        n.fieldName = m_tok.text;
        n.position = m_tok.position;
        advance();
        if (m_tok.kind == TokenKind::Operator && m_tok.text == QLatin1String("=")) {
            n.kind = NodeKind::Equal;
        } else if (isKeyword(m_tok, "LIKE")) {
            n.kind = NodeKind::Like;
        } else if (m_tok.kind == TokenKind::Operator ||
                   (m_tok.kind == TokenKind::Name && !isAnyKeyword(m_tok))) {
            failAt(m_tok.position, QStringLiteral("unknown operator \"%1\"").arg(m_tok.text));
        } else {
            failAt(m_tok.position, QStringLiteral("operator expected after \"%1\", found %2")
                                       .arg(n.fieldName, describe(m_tok)));
        }
        advance();
        if (m_tok.kind == TokenKind::String) {
            n.value = m_tok.text;
        } else if (m_tok.kind == TokenKind::Number) {
            n.value = m_tok.text;
            n.isNumber = true;
            bool ok = false;
            n.number = m_tok.text.toDouble(&ok);
            if (!ok)
                failAt(m_tok.position, QStringLiteral("malformed number"));
        } else {
            failAt(m_tok.position, QStringLiteral("value expected, found %1").arg(describe(m_tok)));
        }
        advance();
        if (n.kind == NodeKind::Like && isKeyword(m_tok, "ESCAPE")) {
            advance();
            if (m_tok.kind != TokenKind::String || m_tok.text.size() != 1)
                failAt(m_tok.position, QStringLiteral("one character in quotes expected after "
                                                      "ESCAPE, found %1")
                                           .arg(describe(m_tok)));
            n.escape = m_tok.text.front();
            n.escapePosition = m_tok.position;
            advance();
        }
        if (n.kind == NodeKind::Like)
            n.segments = likeSegments(n);
        return add(std::move(n));
    }

    FilterLexer m_lexer;
    std::vector<Node>& m_nodes;
    Token m_tok;
};

/// LIKE with '%' only: the first piece anchors the start, the last the end, the ones
/// between are found leftmost in order. Linear in the text for every pattern.
bool likeMatch(QStringView text, const QStringList& segments, Qt::CaseSensitivity cs)
{
    if (segments.size() == 1)
        return text.compare(segments.front(), cs) == 0;
    const QString& head = segments.front();
    const QString& tail = segments.back();
    if (text.size() < head.size() + tail.size())
        return false;
    if (!text.startsWith(head, cs) || !text.endsWith(tail, cs))
        return false;
    qsizetype from = head.size();
    const qsizetype limit = text.size() - tail.size();
    for (qsizetype i = 1; i + 1 < segments.size(); ++i) {
        const QString& seg = segments.at(i);
        if (seg.isEmpty())
            continue;
        const QStringView window = text.mid(from, limit - from);
        const qsizetype at = window.indexOf(seg, 0, cs);
        if (at < 0)
            return false;
        from += at + seg.size();
    }
    return true;
}

const QString& emptyText()
{
    static const QString empty;
    return empty;
}

} // namespace

FilterExpression::FilterExpression(const QString& text) : m_text(text)
{
    FilterParser parser(m_text, m_nodes);
    m_root = parser.parse();
}

void FilterExpression::bind(const QList<FieldDef>& fields, FilterOptions options)
{
    m_case = options.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (Node& n : m_nodes) {
        if (n.kind != NodeKind::Equal && n.kind != NodeKind::Like)
            continue;
        n.field = -1;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (fields.at(i).name.compare(n.fieldName, Qt::CaseInsensitive) == 0) {
                n.field = int(i);
                break;
            }
        }
        if (n.field < 0)
            failAt(n.position, QStringLiteral("unknown field \"%1\"").arg(n.fieldName));
        n.numericField = fields.at(n.field).isNumber();
        n.prefix = n.kind == NodeKind::Equal && !n.isNumber && options.partialCompare &&
                   n.value.endsWith(u'*');
    }
    m_bound = true;
}

std::vector<int> FilterExpression::boundFields() const
{
    std::vector<int> result;
    for (const Node& n : m_nodes) {
        if ((n.kind == NodeKind::Equal || n.kind == NodeKind::Like) && n.field >= 0 &&
            std::find(result.begin(), result.end(), n.field) == result.end())
            result.push_back(n.field);
    }
    return result;
}

bool FilterExpression::matches(const QStringList& values) const
{
    if (m_root < 0)
        return true;
    Q_ASSERT(m_bound);
    return eval(m_root, values);
}

bool FilterExpression::eval(int index, const QStringList& values) const
{
    const Node& n = m_nodes[size_t(index)];
    switch (n.kind) {
    case NodeKind::And:
        for (int c : n.children) {
            if (!eval(c, values))
                return false;
        }
        return true;
    case NodeKind::Or:
        for (int c : n.children) {
            if (eval(c, values))
                return true;
        }
        return false;
    case NodeKind::Not:
        return !eval(n.children.front(), values);
    case NodeKind::Equal: {
        const QString& v = n.field < values.size() ? values.at(n.field) : emptyText();
        if (n.isNumber && n.numericField) {
            bool ok = false;
            const double d = v.trimmed().toDouble(&ok);
            return ok && d == n.number;
        }
        if (n.prefix)
            return v.startsWith(QStringView(n.value).chopped(1), m_case);
        if (m_case == Qt::CaseSensitive)
            return v == n.value;
        return v.compare(n.value, Qt::CaseInsensitive) == 0;
    }
    case NodeKind::Like: {
        const QString& v = n.field < values.size() ? values.at(n.field) : emptyText();
        return likeMatch(v.normalized(QString::NormalizationForm_C), n.segments, m_case);
    }
    }
    return false;
}

} // namespace veltra
