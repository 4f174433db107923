// A small crafted reference-value database for tests, written as data packets into a
// folder: the hierarchy files and the data files with every case the browser handles.
#pragma once

#include <QFile>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTest>

namespace fixture {

using Fields = QList<QPair<QString, QString>>; // name, fieldtype ("bin.hex" is a text memo)

inline QString Escaped(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        // A surrogate pair is one character reference of its code point.
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate()) {
            out += QStringLiteral("&#%1;").arg(QChar::surrogateToUcs4(c, value.at(i + 1)));
            ++i;
            continue;
        }
        switch (c.unicode()) {
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '\'':
            out += QLatin1String("&apos;");
            break;
        case '\r':
            out += QLatin1String("&#013;");
            break;
        case '\n':
            out += QLatin1String("&#010;");
            break;
        case '\t':
            out += QLatin1String("&#009;");
            break;
        case '\\':
            out += QLatin1String("&#092;");
            break;
        default:
            if (c.unicode() > 126)
                out += QStringLiteral("&#%1;").arg(c.unicode());
            else
                out += c;
        }
    }
    return out;
}

/// A data packet in the plain form; empty values are left out of the row.
inline QByteArray Packet(const Fields& fields, const QList<QStringList>& rows)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" standalone=\"yes\"?>\n"
                                 "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (const auto& [name, type] : fields) {
        if (type == QLatin1String("string"))
            xml += QStringLiteral("<FIELD attrname=\"%1\" fieldtype=\"string\" WIDTH=\"80\"/>")
                       .arg(name);
        else if (type == QLatin1String("bin.hex"))
            xml += QStringLiteral("<FIELD attrname=\"%1\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>")
                       .arg(name);
        else
            xml += QStringLiteral("<FIELD attrname=\"%1\" fieldtype=\"%2\"/>").arg(name, type);
    }
    xml += QStringLiteral("</FIELDS><PARAMS/></METADATA><ROWDATA>");
    for (const QStringList& row : rows) {
        xml += QStringLiteral("<ROW");
        for (int i = 0; i < fields.size() && i < row.size(); ++i) {
            if (!row.at(i).isEmpty())
                xml += QStringLiteral(" %1=\"%2\"").arg(fields.at(i).first, Escaped(row.at(i)));
        }
        xml += QStringLiteral("/>");
    }
    xml += QStringLiteral("</ROWDATA></DATAPACKET>\n");
    return xml.toLatin1();
}

inline void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(bytes);
}

inline const QString GfLines = QStringLiteral("TYPE=GeneralF;\r\nPT=0.5 1 2 3 4;\r\nKS=0.0123;\r\n"
                                              "TYPE=Gamma;\r\nPT=0.93 2.5 0.4;\r\nKS=0.0456;\r\n");

/// Converted lines of GfLines (header, rank 0 and rank 1 rows).
inline QStringList GfConverted()
{
    return {QStringLiteral("  Rank   Distribution   KS/AP    Parameter"),
            QStringLiteral("     0       GeneralF  0.0123    q=0.5,m1=1,m2=2,Lambda=3,p=4"),
            QStringLiteral("     1          Gamma  0.0456    q=0.93,Shape a=2.500, Scale b=1.000")};
}

inline QString Restrictions(const QString& flags)
{
    return QStringLiteral("Restrictions").leftJustified(24, QLatin1Char(' ')) + flags;
}

/// Writes the database into dir:
///   headlines H1 "Anthropometry", H2 "Intake", H3 "Empty headline" (no topics);
///   topics of H1: B1 "Body weight", B2 "Height" (all rows M); of H2: I'1 "Water".
///   Parameter rows of B1 in the order "A + B" (RSTRC then Variable):
///     BW  M  restrictions 0100001, bw1.xml      (ID 1)
///     AW  F  no restriction line,  bw1.xml      (ID 2)
///     CW  A  missing.xml (no such file)         (ID 3)
///     DW  A  no data file                       (ID 4)
///     EW  M  broken.xml (not a data packet)     (ID 5)
///     FW  M  noage.xml (no AGEGRP)              (ID 6)
///     GW  M  nomin.xml (AGEGRP 3, AGEMax 10)    (ID 7)
///     HW  M  gf0.xml (a GF line dividing by 0)  (ID 8)
inline void WriteDatabase(const QString& dir)
{
    const QString d = dir + QLatin1Char('/');
    WriteFile(
        d + QStringLiteral("topics.xml"),
        Packet(
            {{"Top", "string"}, {"TOPIC", "string"}, {"STRC", "string"}},
            {{"H2", "Intake", "2"}, {"H1", "Anthropometry", "1"}, {"H3", "Empty headline", "3"}}));
    WriteFile(
        d + QStringLiteral("para1.xml"),
        Packet({{"TOP", "string"}, {"PS", "string"}, {"PARAMETER", "string"}},
               {{"H1", "B1", "Body weight"}, {"H1", "B2", "Height"}, {"H2", "I'1", "Water"}}));
    const Fields paraFields = {
        {"PS", "string"},       {"Variable", "string"},   {"Agemin", "string"},
        {"Agemax", "string"},   {"SEX", "string"},        {"DataSource", "string"},
        {"DataFile", "string"}, {"RSTRC", "string"},      {"ID", "i4"},
        {"Info", "bin.hex"},    {"VARLABELS", "bin.hex"}, {"FileType", "string"},
        {"Change", "string"}};
    auto info = [](const QString& first, const QString& flags = QString()) {
        QString text = first + QStringLiteral("\r\nVariable                BW_kg\r\n");
        if (!flags.isEmpty())
            text += Restrictions(flags) + QStringLiteral("\r\n");
        return text;
    };
    WriteFile(
        d + QStringLiteral("daten1a.xml"),
        Packet(paraFields,
               {
                   {"B1", "AW", "0", "80", "F", "Alpha Survey", "bw1.xml", "B", "2",
                    info("Body weight of women"), "AW  body weight", "A", ""},
                   {"B1", "BW", "0", "80", "M", "Zeta Survey", "bw1.xml", "A", "1",
                    info("Body weight of men", "0100001"), "BW  body weight", "", "28.02.2007"},
                   {"B1", "CW", "1", "5", "A", "Beta Survey", "missing.xml", "C", "3",
                    info("Missing file row", "1000000"), "", "", ""},
                   {"B1", "DW", "1", "5", "A", "Gamma Survey", "", "D", "4",
                    info("No data row", "0000000"), "", "", ""},
                   {"B1", "EW", "1", "5", "M", "Delta Survey", "broken.xml", "E", "5",
                    info("Broken file row"), "", "", ""},
                   {"B1", "FW", "1", "5", "M", "Eta Survey", "noage.xml", "F", "6",
                    info("No age group row"), "", "", ""},
                   {"B1", "GW", "1", "5", "M", "Theta Survey", "nomin.xml", "G", "7",
                    info("No minimum age row"), "", "", ""},
                   {"B1", "HW", "1", "5", "M", "Iota Survey", "gf0.xml", "H", "8",
                    info("Zero divisor row"), "", "", ""},
                   {"B2", "BH", "1", "5", "M", "Kappa Survey", "bw2.xml", "A", "9",
                    info("Body height of men"), "", "", ""},
                   {"I'1", "WI", "1", "5", "A", "Water Survey", "bw2.xml", "A", "10",
                    info("Water intake", "0010000"), "", "", ""},
               }));
    const Fields fileFields = {{"AGEGRP", "string"},   {"AGEMin", "string"},
                               {"AGEMax", "string"},   {"NOBS", "i4"},
                               {"MEAN", "r8"},         {"GENERALF", "bin.hex"},
                               {"MOMENTS", "bin.hex"}, {"QUANTILES", "bin.hex"}};
    WriteFile(d + QStringLiteral("bw1.xml"),
              Packet(fileFields, {{"1", "0", "5", "120", "14.5", GfLines, "Mean 14.5", "P50 14"},
                                  {"2", "5", "10", "98", "25.1", "", "Mean 25.1", "P50 25"},
                                  {"3", "10", "18", "77", "52.0",
                                   QStringLiteral("TYPE=Weibull;\r\nPT=0.1 0.5 2;\r\nAP=0.2;\r\n"),
                                   "Mean 52.0", "P50 51"}}));
    WriteFile(d + QStringLiteral("bw2.xml"),
              Packet(fileFields, {{"1", "0", "99", "500", "170.2", GfLines, "", ""}}));
    WriteFile(d + QStringLiteral("broken.xml"), "this is no data packet\n");
    WriteFile(d + QStringLiteral("noage.xml"),
              Packet({{"NOBS", "i4"}, {"MEAN", "r8"}}, {{"40", "1.5"}}));
    WriteFile(
        d + QStringLiteral("nomin.xml"),
        Packet({{"AGEGRP", "string"}, {"AGEMax", "string"}, {"NOBS", "i4"}}, {{"3", "10", "12"}}));
    WriteFile(
        d + QStringLiteral("gf0.xml"),
        Packet({{"AGEGRP", "string"}, {"GENERALF", "bin.hex"}},
               {{"1", QStringLiteral("TYPE=Gamma;\r\nPT=0.9 2 0.5;\r\nKS=0.01;\r\n"
                                     "TYPE=Loglogistisch;\r\nPT=0.9 0 2;\r\nKS=0.02;\r\n")}}));
}

} // namespace fixture
