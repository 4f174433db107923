#include "search/SearchTexts.h"

#include "data/DataTable.h"
#include "data/FilterExpression.h"

#include <cstring>

namespace veltra {

const QString SearchTexts::FieldName = QStringLiteral("Info");

namespace {

/// Appends the UTF-8 of a code point (a lone surrogate as the three bytes its value
/// would take, so that it matches nothing but itself).
char* PutUtf8(char32_t c, char* out)
{
    if (c < 0x80) {
        *out++ = char(c);
    } else if (c < 0x800) {
        *out++ = char(0xC0 | (c >> 6));
        *out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = char(0xE0 | (c >> 12));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    } else {
        *out++ = char(0xF0 | (c >> 18));
        *out++ = char(0x80 | ((c >> 12) & 0x3F));
        *out++ = char(0x80 | ((c >> 6) & 0x3F));
        *out++ = char(0x80 | (c & 0x3F));
    }
    return out;
}

/// Appends text (in normal form C already) case-folded code point by code point, as the
/// comparisons ignoring case fold each character; returns false when the text holds a
/// lone surrogate.
bool AppendFolded(QStringView text, QByteArray& out)
{
    const qsizetype from = out.size();
    // A UTF-16 unit takes at most three bytes; a surrogate pair four for two units.
    out.resize(from + 3 * text.size());
    char* p = out.data() + from;
    const char16_t* s = text.utf16();
    const char16_t* const e = s + text.size();
    bool paired = true;
    while (s < e) {
        char32_t c = *s++;
        if (c < 0x80) {
            *p++ = char(c >= u'A' && c <= u'Z' ? c + 32 : c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && s < e && QChar::isLowSurrogate(*s)) {
            c = QChar::surrogateToUcs4(char16_t(c), *s++);
        } else if (QChar::isSurrogate(c)) {
            paired = false;
            p = PutUtf8(c, p);
            continue;
        }
        p = PutUtf8(QChar::toCaseFolded(c), p);
    }
    out.resize(p - out.constData());
    return paired;
}

using Node = FilterExpression::Node;
using NodeKind = FilterExpression::NodeKind;

/// The one text a LIKE pattern looks for when it is '%text%' (any further '%' next to
/// another one); nothing for any other pattern.
std::optional<QString> ContainedText(const Node& node)
{
    const QStringList& segments = node.segments;
    if (segments.size() < 2 || !segments.front().isEmpty() || !segments.back().isEmpty())
        return std::nullopt;
    QString text;
    for (qsizetype i = 1; i + 1 < segments.size(); ++i) {
        if (segments.at(i).isEmpty())
            continue;
        if (!text.isEmpty())
            return std::nullopt; // two pieces in order: the table's own matching
        text = segments.at(i);
    }
    return text;
}

std::vector<bool> Minus(const std::vector<bool>& a, const std::vector<bool>& b)
{
    std::vector<bool> result(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        result[i] = a[i] && !b[i];
    return result;
}

} // namespace

SearchTexts SearchTexts::Build(const DataTable& table)
{
    SearchTexts texts;
    texts.m_field = table.fieldIndex(FieldName);
    texts.m_stamp = table.contentStamp();
    if (texts.m_field < 0)
        return texts;
    texts.m_digest = table.fieldDigest(FieldName);
    const int rows = table.storedRowCount();
    texts.m_starts.reserve(size_t(rows) + 1);
    texts.m_starts.push_back(0);
    for (int r = 0; r < rows; ++r) {
        const QString text =
            table.storedValue(r, texts.m_field).normalized(QString::NormalizationForm_C);
        AppendFolded(text, texts.m_bytes);
        texts.m_starts.push_back(texts.m_bytes.size());
    }
    texts.m_bytes.squeeze();
    return texts;
}

bool SearchTexts::Fits(const DataTable& table) const
{
    return m_field >= 0 && m_stamp == table.contentStamp() &&
           table.fieldIndex(FieldName) == m_field;
}

bool SearchTexts::Adopt(const DataTable& table)
{
    if (m_field < 0 || table.fieldIndex(FieldName) != m_field ||
        table.storedRowCount() != rowCount() || table.fieldDigest(FieldName) != m_digest)
        return false;
    m_stamp = table.contentStamp();
    return true;
}

void SearchTexts::Prepare(const DataTable& table)
{
    if (!Fits(table) && !Adopt(table))
        *this = Build(table);
}

std::optional<QByteArray> SearchTexts::FoldedTerm(const QString& text)
{
    QByteArray folded;
    if (!AppendFolded(text, folded))
        return std::nullopt;
    return folded;
}

std::vector<bool> SearchTexts::Scan(const QByteArray& needle,
                                    const std::vector<bool>& candidates) const
{
    const size_t rows = size_t(rowCount());
    if (needle.isEmpty())
        return candidates;
    std::vector<bool> found(rows, false);
    const char* const data = m_bytes.constData();
    const size_t n = size_t(needle.size());
    size_t wanted = 0;
    for (size_t r = 0; r < rows; ++r)
        wanted += candidates[r] ? 1 : 0;
    if (wanted * 8 < rows) {
        // Few rows left to look at: each on its own.
        for (size_t r = 0; r < rows; ++r) {
            if (!candidates[r])
                continue;
            const qsizetype start = m_starts[r];
            const size_t length = size_t(m_starts[r + 1] - start);
            found[r] = ::memmem(data + start, length, needle.constData(), n) != nullptr;
        }
        return found;
    }
    // One pass over all texts; after a hit the rest of its row is skipped, and a hit
    // that runs into the next row is no hit.
    const size_t end = size_t(m_bytes.size());
    size_t pos = 0;
    size_t r = 0;
    while (pos < end) {
        const void* hit = ::memmem(data + pos, end - pos, needle.constData(), n);
        if (hit == nullptr)
            break;
        const size_t at = size_t(static_cast<const char*>(hit) - data);
        while (size_t(m_starts[r + 1]) <= at)
            ++r;
        const size_t rowEnd = size_t(m_starts[r + 1]);
        if (at + n <= rowEnd) {
            found[r] = candidates[r];
            pos = rowEnd;
        } else {
            pos = at + 1;
        }
    }
    return found;
}

std::optional<std::vector<bool>> SearchTexts::Passes(const FilterExpression& bound) const
{
    if (m_field < 0 || bound.rootNode() < 0 || !bound.ignoresCase())
        return std::nullopt;
    const std::vector<Node>& nodes = bound.nodes();
    // First the check that every condition is a term of the kept field, with its folded
    // text; then the evaluation, each node over the rows still undecided.
    std::vector<QByteArray> needles(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Node& node = nodes[i];
        if (node.kind == NodeKind::Equal)
            return std::nullopt;
        if (node.kind != NodeKind::Like)
            continue;
        if (node.field != m_field)
            return std::nullopt;
        const std::optional<QString> text = ContainedText(node);
        if (!text)
            return std::nullopt;
        const std::optional<QByteArray> folded = FoldedTerm(*text);
        if (!folded)
            return std::nullopt;
        needles[i] = *folded;
    }
    const auto eval = [&](const auto& self, int index,
                          const std::vector<bool>& candidates) -> std::vector<bool> {
        const Node& node = nodes[size_t(index)];
        switch (node.kind) {
        case NodeKind::And: {
            std::vector<bool> rows = candidates;
            for (const int child : node.children)
                rows = self(self, child, rows);
            return rows;
        }
        case NodeKind::Or: {
            std::vector<bool> rows(candidates.size(), false);
            std::vector<bool> open = candidates;
            for (const int child : node.children) {
                const std::vector<bool> hits = self(self, child, open);
                for (size_t r = 0; r < rows.size(); ++r)
                    rows[r] = rows[r] || hits[r];
                open = Minus(open, hits);
            }
            return rows;
        }
        case NodeKind::Not:
            return Minus(candidates, self(self, node.children.front(), candidates));
        case NodeKind::Like:
            return Scan(needles[size_t(index)], candidates);
        case NodeKind::Equal:
            break;
        }
        return std::vector<bool>(candidates.size(), false);
    };
    return eval(eval, bound.rootNode(), std::vector<bool>(size_t(rowCount()), true));
}

void ApplySearchFilter(DataTable& parameters, SearchTexts& texts, const QString& expression)
{
    parameters.setFiltered(false);
    if (parameters.isOpen()) {
        FilterExpression bound(expression);
        bound.bind(parameters.fields(), parameters.filterOptions());
        if (!bound.isEmpty()) {
            texts.Prepare(parameters);
            if (const std::optional<std::vector<bool>> passes = texts.Passes(bound)) {
                parameters.setFilterPasses(expression, *passes, parameters.contentStamp());
                return;
            }
        }
    }
    parameters.setFilter(expression);
    parameters.setFiltered(true);
}

} // namespace veltra
