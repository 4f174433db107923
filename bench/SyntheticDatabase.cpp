// Writes the synthetic database as data-packet text directly, so that loading it
// measures the reader alone and does not depend on the engine's own writer.
#include "SyntheticDatabase.h"

#include "util/VeltraError.h"

#include <QFile>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace veltra {

namespace {

/// splitmix64: a tiny generator whose sequence is the same on every platform.
class Rng
{
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    double uniform(double lo, double hi)
    {
        return lo + (hi - lo) * static_cast<double>(next() >> 11) / 9007199254740992.0;
    }

private:
    std::uint64_t m_state;
};

struct Field
{
    const char* name;
    const char* type;
    int width; // 0: no WIDTH attribute
    bool memo; // bin.hex text
};

const QString kCrLf = QStringLiteral("\r\n");

/// Attribute text in the plain form: markup characters, line breaks, tab and backslash
/// as entities, every character outside ASCII as a numeric character reference.
QByteArray escaped(const QString& text)
{
    QByteArray out;
    out.reserve(text.size() + text.size() / 8);
    for (QChar ch : text) {
        const char16_t c = ch.unicode();
        switch (c) {
        case u'<':
            out += "&lt;";
            break;
        case u'>':
            out += "&gt;";
            break;
        case u'"':
            out += "&quot;";
            break;
        case u'&':
            out += "&amp;";
            break;
        case u'\'':
            out += "&apos;";
            break;
        case u'\r':
            out += "&#013;";
            break;
        case u'\n':
            out += "&#010;";
            break;
        case u'\t':
            out += "&#009;";
            break;
        case u'\\':
            out += "&#092;";
            break;
        default:
            if (c < 32 || c > 126) {
                out += "&#" + QByteArray::number(static_cast<int>(c)).rightJustified(3, '0') + ';';
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

QByteArray packetHead(const std::vector<Field>& fields)
{
    QByteArray out = "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
                     "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>";
    for (const Field& f : fields) {
        out += "<FIELD attrname=\"";
        out += f.name;
        out += "\" fieldtype=\"";
        out += f.memo ? "bin.hex" : f.type;
        out += '"';
        if (f.width > 0) {
            out += " WIDTH=\"" + QByteArray::number(f.width) + '"';
        }
        if (f.memo) {
            out += " SUBTYPE=\"Text\"";
        }
        out += "/>";
    }
    out += "</FIELDS></METADATA><ROWDATA>\n";
    return out;
}

void appendRow(QByteArray& out, const std::vector<Field>& fields, const QStringList& values)
{
    out += "<ROW";
    for (size_t i = 0; i < fields.size(); ++i) {
        const QString& v = values.at(static_cast<qsizetype>(i));
        if (!v.isEmpty()) {
            out += ' ';
            out += fields[i].name;
            out += "=\"" + escaped(v) + '"';
        }
    }
    out += "/>\n";
}

const QByteArray kPacketTail = "</ROWDATA></DATAPACKET>\n";

QString num(double x)
{
    return QString::number(x, 'g', 6);
}

QString labelLine(const QString& label, const QString& value)
{
    return label.leftJustified(24, u' ') + value + kCrLf;
}

const std::array<const char*, 12> kSurveys = {
    "National Nutrition Survey", "Health Examination Survey", "Time Budget Study",
    "Kinder-Umwelt-Survey",      "Soil Tracer Study",         "Regional Respiration Study",
    "Drinking Water Panel",      "Bevölkerungsstichprobe",    "Anthropometric Study",
    "Indoor Exposure Study",     "Dermal Contact Study",      "Großstadt-Panel"};

const std::array<const char*, 16> kKeywords = {
    "Körpergewicht", "body weight",    "Atemrate",       "inhalation rate",
    "Trinkwasser",   "drinking water", "Gemüse",         "vegetables",
    "Bodenaufnahme", "soil ingestion", "Hautoberfläche", "skin surface",
    "Aufenthalt",    "time indoors",   "Kinder",         "Erwachsene"};

const std::array<const char*, 8> kSentences = {
    "Survey:                 nationwide cross-sectional survey with two-stage sampling",
    "Method:                 standardised measurements by trained staff, σ from ln(x)",
    "Sampling:               random sample of households, response rate about 60 %",
    "Note:                   Stichprobe nicht bundesweit repräsentativ, Süddeutschland",
    "Statistics:             fits by maximum likelihood, ranked by the KS statistic",
    "Weighting:              design weights for age, sex and region of residence",
    "Quality:                plausibility checks on every record before the analysis",
    "Remark:                 values of the youngest group rest on few observations"};

QString infoText(Rng& rng, int row, int variable, const QString& survey, int length)
{
    QString flags;
    for (int i = 0; i < 7; ++i) {
        flags += rng.below(4) == 0 ? u'1' : u'0';
    }
    QStringList keywords;
    const int count = 3 + rng.below(4);
    for (int i = 0; i < count; ++i) {
        keywords << QString::fromUtf8(kKeywords[static_cast<size_t>(rng.below(16))]);
    }
    QString text = QStringLiteral("Synthetic variable %1 of parameter row %2, %3")
                       .arg(variable)
                       .arg(row)
                       .arg(survey) +
                   kCrLf;
    text += labelLine(QStringLiteral("Variable"), QStringLiteral("VAR_%1, Age_y").arg(variable));
    text += labelLine(QStringLiteral("Restrictions"), flags);
    text += labelLine(QStringLiteral("Additional"), keywords.join(QStringLiteral(", ")));
    for (int i = rng.below(8); text.size() < length; i = (i + 1) % 8) {
        text += QString::fromUtf8(kSentences[static_cast<size_t>(i)]) + kCrLf;
    }
    return text;
}

QString restrictionCode(const QString& info)
{
    const qsizetype at = info.indexOf(QStringLiteral("Restrictions"));
    const QString flags = info.mid(at + 24, 7);
    return QString::number(flags.count(u'1')) + flags;
}

/// One data file: ageGroups rows of lognormal statistics and their text sections.
QByteArray dataFile(Rng& rng, int ageGroups)
{
    static const std::vector<Field> fields = {
        {"AGEGRP", "string", 24, false}, {"AGEMin", "r8", 0, false}, {"AGEMax", "r8", 0, false},
        {"NOBS", "i4", 0, false},        {"MEAN", "r8", 0, false},   {"SD", "r8", 0, false},
        {"GM", "r8", 0, false},          {"GSD", "r8", 0, false},    {"P05", "r8", 0, false},
        {"P50", "r8", 0, false},         {"P95", "r8", 0, false},    {"GENERALF", "", 0, true},
        {"MOMENTS", "", 0, true},        {"QUANTILES", "", 0, true}};
    QByteArray out = packetHead(fields);
    const double base = rng.uniform(0.5, 5.0);
    for (int g = 0; g < ageGroups; ++g) {
        const int lo = g * 8;
        const int hi = lo + 8;
        const double mu = base + 0.05 * g + rng.uniform(-0.1, 0.1);
        const double sigma = rng.uniform(0.1, 0.9);
        const int n = 30 + rng.below(500);
        const double mean = std::exp(mu + sigma * sigma / 2);
        const double sd = mean * std::sqrt(std::expm1(sigma * sigma));
        const double ks = rng.uniform(0.01, 0.05);
        const QString generalF =
            QStringLiteral("TYPE=GeneralF;") + kCrLf +
            QStringLiteral("PT= 0 200 200 %1 %2;").arg(num(std::exp(mu)), num(0.14 / sigma)) +
            kCrLf + QStringLiteral("KS=%1;").arg(ks, 0, 'f', 4) + kCrLf +
            QStringLiteral("TYPE=Lognormal;") + kCrLf +
            QStringLiteral("PT=0 %1 %2;").arg(num(std::exp(-mu)), num(1 / sigma)) + kCrLf +
            QStringLiteral("KS=%1;").arg(ks * 1.1, 0, 'f', 4) + kCrLf +
            QStringLiteral("TYPE=Gamma;") + kCrLf +
            QStringLiteral("PT=0 %1 %2;").arg(num(1 / (sigma * sigma)), num(1 / mean)) + kCrLf +
            QStringLiteral("KS=%1;").arg(ks * 1.6, 0, 'f', 4) + kCrLf;
        const QString moments = QStringLiteral("Moments, N = %1").arg(n) + kCrLf +
                                QStringLiteral("Arithmetic mean       %1").arg(num(mean)) + kCrLf +
                                QStringLiteral("Standard deviation    %1").arg(num(sd)) + kCrLf +
                                QStringLiteral("σ of ln(x)            %1").arg(num(sigma)) + kCrLf;
        QString quantiles = QStringLiteral("Quantiles, N = %1").arg(n) + kCrLf;
        for (double z : {-2.326, -1.645, -0.674, 0.0, 0.674, 1.645, 2.326}) {
            quantiles +=
                QStringLiteral("z = %1   %2").arg(z).arg(num(std::exp(mu + sigma * z))) + kCrLf;
        }
        appendRow(out, fields,
                  {QStringLiteral("%1 - <%2 years").arg(lo).arg(hi), QString::number(lo),
                   QString::number(hi), QString::number(n), num(mean), num(sd), num(std::exp(mu)),
                   num(std::exp(sigma)), num(std::exp(mu - 1.645 * sigma)), num(std::exp(mu)),
                   num(std::exp(mu + 1.645 * sigma)), generalF, moments, quantiles});
    }
    out += kPacketTail;
    return out;
}

QString varLabels(int variable)
{
    QString text;
    for (const char* name :
         {"AGEGRP", "AGEMin", "AGEMax", "NOBS", "MEAN", "SD", "GM", "GSD", "P05", "P50", "P95"}) {
        text +=
            QStringLiteral("%1 %2 of VAR_%3").arg(QLatin1String(name), -10).arg(variable) + kCrLf;
    }
    return text;
}

} // namespace

SyntheticDatabase::SyntheticDatabase() : SyntheticDatabase(Shape{}) {}

SyntheticDatabase::SyntheticDatabase(Shape shape)
{
    if (!m_dir.isValid()) {
        throw VeltraError(
            QStringLiteral("Cannot create a temporary directory: %1").arg(m_dir.errorString()));
    }
    Rng rng(20070228);

    const std::vector<Field> headFields = {
        {"Top", "string", 6, false}, {"TOPIC", "string", 60, false}, {"STRC", "string", 4, false}};
    const std::vector<Field> topicFields = {{"TOP", "string", 6, false},
                                            {"PS", "string", 6, false},
                                            {"PARAMETER", "string", 60, false}};
    const std::vector<Field> paramFields = {{"PS", "string", 6, false},
                                            {"Variable", "string", 30, false},
                                            {"Agemin", "i2", 0, false},
                                            {"Agemax", "i2", 0, false},
                                            {"SEX", "string", 1, false},
                                            {"DataSource", "string", 60, false},
                                            {"DataFile", "string", 20, false},
                                            {"RSTRC", "string", 10, false},
                                            {"ID", "i4", 0, false},
                                            {"Info", "", 0, true},
                                            {"VARLABELS", "", 0, true},
                                            {"FileType", "string", 1, false},
                                            {"Change", "string", 10, false}};

    QByteArray heads = packetHead(headFields);
    QByteArray topics = packetHead(topicFields);
    QByteArray params = packetHead(paramFields);
    const QString sexes = QStringLiteral("AMF");
    int row = 0;
    for (int h = 0; h < shape.headlines; ++h) {
        const QString top = QStringLiteral("H%1").arg(h, 2, 10, QLatin1Char('0'));
        appendRow(heads, headFields,
                  {top, QStringLiteral("Headline %1").arg(h + 1),
                   QString::number((shape.headlines - h) * 10)});
        for (int t = 0; t < shape.topicsPerHeadline; ++t) {
            const QString ps =
                QStringLiteral("P%1").arg(h * shape.topicsPerHeadline + t, 4, 10, QLatin1Char('0'));
            m_topicKeys << ps;
            appendRow(topics, topicFields,
                      {top, ps, QStringLiteral("Topic %1 of headline %2").arg(t + 1).arg(h + 1)});
            for (int r = 0; r < shape.rowsPerTopic; ++r, ++row) {
                const int variable = rng.below(5000);
                const QString survey =
                    QStringLiteral("%1 %2")
                        .arg(QString::fromUtf8(kSurveys[static_cast<size_t>(rng.below(12))]))
                        .arg(1985 + rng.below(20));
                const QString info = infoText(rng, row, variable, survey, shape.infoLength);
                const int fileNo = row % shape.dataFiles;
                const QString file =
                    QStringLiteral("ef%1.xml").arg(fileNo, 5, 10, QLatin1Char('0'));
                if (row < shape.dataFiles) {
                    m_dataFiles << file;
                }
                const int ageMin = rng.below(3) * 6;
                appendRow(params, paramFields,
                          {ps, QStringLiteral("VAR_%1").arg(variable), QString::number(ageMin),
                           QString::number(ageMin + 8 * shape.ageGroups), sexes.mid(r % 3, 1),
                           survey, file, restrictionCode(info), QString::number(row + 1), info,
                           varLabels(variable),
                           rng.below(10) == 0 ? QStringLiteral("A") : QString(),
                           rng.below(5) == 0 ? QStringLiteral("28.02.2007") : QString()});
            }
        }
    }
    writeFile(QStringLiteral("topics.xml"), heads + kPacketTail);
    writeFile(QStringLiteral("para1.xml"), topics + kPacketTail);
    writeFile(QStringLiteral("daten1a.xml"), params + kPacketTail);
    m_parameterRows = row;
    for (const QString& f : std::as_const(m_dataFiles)) {
        writeFile(f, dataFile(rng, shape.ageGroups));
    }
}

void SyntheticDatabase::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        throw VeltraError(
            QStringLiteral("Cannot write %1: %2").arg(file.fileName(), file.errorString()));
    }
}

} // namespace veltra
