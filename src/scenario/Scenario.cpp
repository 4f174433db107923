#include "scenario/Scenario.h"

#include "util/SafeFile.h"
#include "util/VeltraError.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

namespace veltra {

namespace {

// A scenario file is a few kilobytes; anything far larger is not one.
constexpr qint64 MaxScenarioBytes = 16 * 1024 * 1024;

const QStringList DistributionNames{
    QStringLiteral("uniform"), QStringLiteral("triangular"), QStringLiteral("pert"),
    QStringLiteral("normal"),  QStringLiteral("lognormal"),  QStringLiteral("gamma"),
    QStringLiteral("weibull"), QStringLiteral("beta"),       QStringLiteral("generalf")};

const QStringList FitNames{QStringLiteral("best"),     QStringLiteral("empirical"),
                           QStringLiteral("GeneralF"), QStringLiteral("LogLogistic"),
                           QStringLiteral("Gamma"),    QStringLiteral("Lognormal"),
                           QStringLiteral("Weibull"),  QStringLiteral("Exponential")};

// Reads one JSON object, naming every fault by the key's path.
class Reader
{
public:
    explicit Reader(QString source) : m_source(std::move(source)) {}

    [[noreturn]] void fail(const QString& path, const QString& what) const
    {
        throw VeltraError(m_source + QStringLiteral(": ") + path + QStringLiteral(": ") + what);
    }

    static QString join(const QString& path, const QString& key)
    {
        return path.isEmpty() ? key : path + u'.' + key;
    }

    void onlyKeys(const QJsonObject& object, const QString& path, const QStringList& keys) const
    {
        for (auto it = object.begin(); it != object.end(); ++it)
            if (!keys.contains(it.key()))
                fail(join(path, it.key()), QStringLiteral("unknown key"));
    }

    double number(const QJsonObject& object, const QString& path, const QString& key) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            fail(join(path, key), QStringLiteral("missing"));
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            fail(join(path, key), QStringLiteral("must be a number"));
        return value.toDouble();
    }

    qint64 whole(const QJsonObject& object, const QString& path, const QString& key, qint64 low,
                 qint64 high) const
    {
        const double value = number(object, path, key);
        if (value != std::floor(value) || value < double(low) || value > double(high))
            fail(join(path, key),
                 QStringLiteral("must be a whole number from %1 to %2").arg(low).arg(high));
        return qint64(value);
    }

    QString text(const QJsonObject& object, const QString& path, const QString& key) const
    {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            fail(join(path, key), QStringLiteral("missing"));
        if (!value.isString())
            fail(join(path, key), QStringLiteral("must be a text"));
        return value.toString();
    }

private:
    QString m_source;
};

void CheckDistribution(const Reader& reader, const ScenarioInput& input, const QString& path)
{
    const auto& v = input.parameters;
    auto need = [&](bool ok, const QString& key, const QString& rule) {
        if (!ok)
            reader.fail(Reader::join(path, key), rule);
    };
    const QString& d = input.distribution;
    if (d == u"uniform") {
        need(v[QStringLiteral("min")] < v[QStringLiteral("max")], QStringLiteral("max"),
             QStringLiteral("must be greater than min"));
    } else if (d == u"triangular" || d == u"pert") {
        const double low = v[QStringLiteral("min")], mode = v[QStringLiteral("mode")],
                     high = v[QStringLiteral("max")];
        need(low < high, QStringLiteral("max"), QStringLiteral("must be greater than min"));
        need(low <= mode && mode <= high, QStringLiteral("mode"),
             QStringLiteral("must lie from min to max"));
    } else if (d == u"normal") {
        need(v[QStringLiteral("sd")] > 0, QStringLiteral("sd"), QStringLiteral("must be > 0"));
    } else if (d == u"lognormal") {
        if (v.contains(QStringLiteral("gm"))) {
            need(v[QStringLiteral("gm")] > 0, QStringLiteral("gm"), QStringLiteral("must be > 0"));
            need(v[QStringLiteral("gsd")] > 1, QStringLiteral("gsd"),
                 QStringLiteral("must be > 1"));
        } else if (v.contains(QStringLiteral("sdlog"))) {
            need(v[QStringLiteral("sdlog")] > 0, QStringLiteral("sdlog"),
                 QStringLiteral("must be > 0"));
        } else {
            need(v[QStringLiteral("mean")] > 0, QStringLiteral("mean"),
                 QStringLiteral("must be > 0"));
            need(v[QStringLiteral("sd")] > 0, QStringLiteral("sd"), QStringLiteral("must be > 0"));
        }
    } else if (d == u"gamma" || d == u"weibull") {
        need(v[QStringLiteral("shape")] > 0, QStringLiteral("shape"),
             QStringLiteral("must be > 0"));
        need(v[QStringLiteral("scale")] > 0, QStringLiteral("scale"),
             QStringLiteral("must be > 0"));
    } else if (d == u"beta") {
        need(v[QStringLiteral("a")] > 0, QStringLiteral("a"), QStringLiteral("must be > 0"));
        need(v[QStringLiteral("b")] > 0, QStringLiteral("b"), QStringLiteral("must be > 0"));
    } else if (d == u"generalf") {
        for (const char* key : {"m1", "m2", "lambda", "p"})
            need(v[QLatin1String(key)] > 0, QLatin1String(key), QStringLiteral("must be > 0"));
    }
}

ScenarioInput ReadInput(const Reader& reader, const QJsonObject& object, const QString& path)
{
    ScenarioInput input;
    input.name = reader.text(object, path, QStringLiteral("name"));
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,63}$"));
    if (!identifier.match(input.name).hasMatch())
        reader.fail(Reader::join(path, QStringLiteral("name")),
                    QStringLiteral("must be a letter or _ followed by letters, digits or _"));

    if (object.contains(QStringLiteral("parameter"))) {
        reader.onlyKeys(object, path,
                        {QStringLiteral("name"), QStringLiteral("parameter"),
                         QStringLiteral("group"), QStringLiteral("fit")});
        input.kind = ScenarioInput::Kind::Database;
        input.parameterId = reader.whole(object, path, QStringLiteral("parameter"), 0,
                                         std::numeric_limits<qint32>::max());
        if (object.contains(QStringLiteral("group")))
            input.group = int(reader.whole(object, path, QStringLiteral("group"), 1, 1'000'000));
        if (object.contains(QStringLiteral("fit"))) {
            input.fit = reader.text(object, path, QStringLiteral("fit"));
            if (!FitNames.contains(input.fit))
                reader.fail(Reader::join(path, QStringLiteral("fit")),
                            QStringLiteral("must be one of ") +
                                FitNames.join(QStringLiteral(", ")));
        }
        return input;
    }
    if (object.contains(QStringLiteral("constant"))) {
        reader.onlyKeys(object, path, {QStringLiteral("name"), QStringLiteral("constant")});
        input.kind = ScenarioInput::Kind::Constant;
        input.constant = reader.number(object, path, QStringLiteral("constant"));
        return input;
    }
    if (!object.contains(QStringLiteral("distribution")))
        reader.fail(path, QStringLiteral("needs \"parameter\", \"constant\" or \"distribution\""));
    input.kind = ScenarioInput::Kind::Distribution;
    input.distribution = reader.text(object, path, QStringLiteral("distribution"));
    const QList<QStringList> sets = DistributionParameterSets(input.distribution);
    if (sets.isEmpty())
        reader.fail(Reader::join(path, QStringLiteral("distribution")),
                    QStringLiteral("must be one of ") +
                        DistributionNames.join(QStringLiteral(", ")));
    // The first set whose first key is present; the first set when none is.
    QStringList keys = sets.first();
    for (const QStringList& set : sets)
        if (object.contains(set.first())) {
            keys = set;
            break;
        }
    QStringList allowed{QStringLiteral("name"), QStringLiteral("distribution"),
                        QStringLiteral("truncate")};
    allowed += keys;
    reader.onlyKeys(object, path, allowed);
    for (const QString& key : keys)
        input.parameters.insert(key, reader.number(object, path, key));
    CheckDistribution(reader, input, path);
    if (object.contains(QStringLiteral("truncate"))) {
        const QString where = Reader::join(path, QStringLiteral("truncate"));
        const QJsonValue value = object.value(QStringLiteral("truncate"));
        const QJsonArray bounds = value.toArray();
        if (!value.isArray() || bounds.size() != 2 || !bounds.at(0).isDouble() ||
            !bounds.at(1).isDouble())
            reader.fail(where, QStringLiteral("must be [lo, hi]"));
        const double low = bounds.at(0).toDouble(), high = bounds.at(1).toDouble();
        if (!(low < high))
            reader.fail(where, QStringLiteral("lo must be less than hi"));
        input.truncate = std::make_pair(low, high);
    }
    return input;
}

} // namespace

QList<QStringList> DistributionParameterSets(const QString& d)
{
    if (d == u"uniform")
        return {{QStringLiteral("min"), QStringLiteral("max")}};
    if (d == u"triangular" || d == u"pert")
        return {{QStringLiteral("min"), QStringLiteral("mode"), QStringLiteral("max")}};
    if (d == u"normal")
        return {{QStringLiteral("mean"), QStringLiteral("sd")}};
    if (d == u"lognormal")
        return {{QStringLiteral("gm"), QStringLiteral("gsd")},
                {QStringLiteral("meanlog"), QStringLiteral("sdlog")},
                {QStringLiteral("mean"), QStringLiteral("sd")}};
    if (d == u"gamma" || d == u"weibull")
        return {{QStringLiteral("shape"), QStringLiteral("scale")}};
    if (d == u"beta")
        return {{QStringLiteral("a"), QStringLiteral("b")}};
    if (d == u"generalf")
        return {{QStringLiteral("q"), QStringLiteral("m1"), QStringLiteral("m2"),
                 QStringLiteral("lambda"), QStringLiteral("p")}};
    return {};
}

const ScenarioInput* FindInput(const Scenario& scenario, const QString& name)
{
    for (const ScenarioInput& input : scenario.inputs)
        if (input.name == name)
            return &input;
    return nullptr;
}

Scenario ReadScenario(const QByteArray& json, const QString& source)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw VeltraError(source +
                          QStringLiteral(": not JSON at position %1: ").arg(error.offset + 1) +
                          error.errorString());
    const Reader reader(source);
    if (!document.isObject())
        reader.fail(QStringLiteral("(top)"), QStringLiteral("must be an object"));
    const QJsonObject top = document.object();
    reader.onlyKeys(top, QString(),
                    {QStringLiteral("schema"), QStringLiteral("name"), QStringLiteral("formula"),
                     QStringLiteral("output"), QStringLiteral("iterations"), QStringLiteral("seed"),
                     QStringLiteral("sampling"), QStringLiteral("ages"), QStringLiteral("inputs"),
                     QStringLiteral("correlations")});
    Scenario scenario;
    if (reader.whole(top, QString(), QStringLiteral("schema"), 1, 1000) != Scenario::SchemaVersion)
        reader.fail(QStringLiteral("schema"),
                    QStringLiteral("must be %1").arg(Scenario::SchemaVersion));
    if (top.contains(QStringLiteral("name")))
        scenario.name = reader.text(top, QString(), QStringLiteral("name"));
    scenario.formula = reader.text(top, QString(), QStringLiteral("formula"));
    if (top.contains(QStringLiteral("output"))) {
        const QJsonValue value = top.value(QStringLiteral("output"));
        if (!value.isObject())
            reader.fail(QStringLiteral("output"), QStringLiteral("must be an object"));
        const QJsonObject output = value.toObject();
        reader.onlyKeys(output, QStringLiteral("output"),
                        {QStringLiteral("name"), QStringLiteral("unit")});
        if (output.contains(QStringLiteral("name")))
            scenario.outputName =
                reader.text(output, QStringLiteral("output"), QStringLiteral("name"));
        if (output.contains(QStringLiteral("unit")))
            scenario.outputUnit =
                reader.text(output, QStringLiteral("output"), QStringLiteral("unit"));
    }
    if (top.contains(QStringLiteral("iterations")))
        scenario.iterations =
            reader.whole(top, QString(), QStringLiteral("iterations"), 1, Scenario::MaxIterations);
    if (top.contains(QStringLiteral("seed")))
        scenario.seed =
            quint64(reader.whole(top, QString(), QStringLiteral("seed"), 0, qint64(1) << 53));
    if (top.contains(QStringLiteral("sampling"))) {
        const QString sampling = reader.text(top, QString(), QStringLiteral("sampling"));
        if (sampling == u"lhs")
            scenario.sampling = Sampling::LatinHypercube;
        else if (sampling == u"random")
            scenario.sampling = Sampling::Random;
        else
            reader.fail(QStringLiteral("sampling"),
                        QStringLiteral("must be \"lhs\" or \"random\""));
    }
    if (top.contains(QStringLiteral("ages"))) {
        const QJsonValue ages = top.value(QStringLiteral("ages"));
        if (ages.isArray()) {
            const QJsonArray list = ages.toArray();
            if (list.isEmpty() || list.size() > 10000)
                reader.fail(QStringLiteral("ages"), QStringLiteral("must list 1 to 10000 groups"));
            for (qsizetype i = 0; i < list.size(); ++i) {
                const double group = list.at(i).toDouble(-1);
                if (!list.at(i).isDouble() || group != std::floor(group) || group < 1 ||
                    group > 1'000'000)
                    reader.fail(QStringLiteral("ages[%1]").arg(i),
                                QStringLiteral("must be a group number from 1"));
                scenario.ages << int(group);
            }
        } else if (ages.toString() != u"all") {
            reader.fail(QStringLiteral("ages"),
                        QStringLiteral("must be \"all\" or a list of group numbers"));
        }
    }
    const QJsonValue inputs = top.value(QStringLiteral("inputs"));
    if (!inputs.isArray() || inputs.toArray().isEmpty())
        reader.fail(QStringLiteral("inputs"), QStringLiteral("must be a list of inputs"));
    const QJsonArray inputList = inputs.toArray();
    if (inputList.size() > Scenario::MaxInputs)
        reader.fail(QStringLiteral("inputs"),
                    QStringLiteral("at most %1 inputs").arg(Scenario::MaxInputs));
    for (qsizetype i = 0; i < inputList.size(); ++i) {
        const QString path = QStringLiteral("inputs[%1]").arg(i);
        if (!inputList.at(i).isObject())
            reader.fail(path, QStringLiteral("must be an object"));
        ScenarioInput input = ReadInput(reader, inputList.at(i).toObject(), path);
        if (FindInput(scenario, input.name))
            reader.fail(path + QStringLiteral(".name"),
                        QStringLiteral("\"%1\" is used twice").arg(input.name));
        scenario.inputs << input;
    }
    if (top.contains(QStringLiteral("correlations"))) {
        const QJsonValue value = top.value(QStringLiteral("correlations"));
        if (!value.isArray())
            reader.fail(QStringLiteral("correlations"), QStringLiteral("must be a list"));
        const QJsonArray list = value.toArray();
        if (list.size() > Scenario::MaxInputs * Scenario::MaxInputs)
            reader.fail(QStringLiteral("correlations"), QStringLiteral("too many pairs"));
        QSet<QString> pairs;
        for (qsizetype i = 0; i < list.size(); ++i) {
            const QString path = QStringLiteral("correlations[%1]").arg(i);
            if (!list.at(i).isObject())
                reader.fail(path, QStringLiteral("must be an object"));
            const QJsonObject object = list.at(i).toObject();
            reader.onlyKeys(object, path,
                            {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("rank")});
            ScenarioCorrelation correlation{reader.text(object, path, QStringLiteral("a")),
                                            reader.text(object, path, QStringLiteral("b")),
                                            reader.number(object, path, QStringLiteral("rank"))};
            for (const QString& key : {QStringLiteral("a"), QStringLiteral("b")}) {
                const ScenarioInput* input =
                    FindInput(scenario, key == u"a" ? correlation.a : correlation.b);
                if (!input)
                    reader.fail(Reader::join(path, key), QStringLiteral("names no input"));
                if (input->kind == ScenarioInput::Kind::Constant)
                    reader.fail(Reader::join(path, key), QStringLiteral("names a constant"));
            }
            if (correlation.a == correlation.b)
                reader.fail(Reader::join(path, QStringLiteral("b")),
                            QStringLiteral("names the same input as a"));
            if (!(correlation.rank > -1 && correlation.rank < 1))
                reader.fail(Reader::join(path, QStringLiteral("rank")),
                            QStringLiteral("must lie between -1 and 1"));
            const QString key = correlation.a < correlation.b
                                    ? correlation.a + u'\n' + correlation.b
                                    : correlation.b + u'\n' + correlation.a;
            if (pairs.contains(key))
                reader.fail(path, QStringLiteral("the pair is given twice"));
            pairs.insert(key);
            scenario.correlations << correlation;
        }
    }
    return scenario;
}

Scenario ReadScenarioFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw VeltraError(path + QStringLiteral(": cannot be read: ") + file.errorString());
    if (file.size() > MaxScenarioBytes)
        throw VeltraError(path + QStringLiteral(": larger than a scenario can be"));
    return ReadScenario(file.readAll(), path);
}

QByteArray ScenarioJson(const Scenario& scenario)
{
    QJsonObject top;
    top.insert(QStringLiteral("schema"), Scenario::SchemaVersion);
    if (!scenario.name.isEmpty())
        top.insert(QStringLiteral("name"), scenario.name);
    top.insert(QStringLiteral("formula"), scenario.formula);
    QJsonObject output{{QStringLiteral("name"), scenario.outputName}};
    if (!scenario.outputUnit.isEmpty())
        output.insert(QStringLiteral("unit"), scenario.outputUnit);
    top.insert(QStringLiteral("output"), output);
    top.insert(QStringLiteral("iterations"), double(scenario.iterations));
    top.insert(QStringLiteral("seed"), double(scenario.seed));
    top.insert(QStringLiteral("sampling"), scenario.sampling == Sampling::LatinHypercube
                                               ? QStringLiteral("lhs")
                                               : QStringLiteral("random"));
    if (scenario.ages.isEmpty()) {
        top.insert(QStringLiteral("ages"), QStringLiteral("all"));
    } else {
        QJsonArray ages;
        for (int group : scenario.ages)
            ages << group;
        top.insert(QStringLiteral("ages"), ages);
    }
    QJsonArray inputs;
    for (const ScenarioInput& input : scenario.inputs) {
        QJsonObject object{{QStringLiteral("name"), input.name}};
        switch (input.kind) {
        case ScenarioInput::Kind::Database:
            object.insert(QStringLiteral("parameter"), double(input.parameterId));
            if (input.group)
                object.insert(QStringLiteral("group"), *input.group);
            object.insert(QStringLiteral("fit"), input.fit);
            break;
        case ScenarioInput::Kind::Constant:
            object.insert(QStringLiteral("constant"), input.constant);
            break;
        case ScenarioInput::Kind::Distribution:
            object.insert(QStringLiteral("distribution"), input.distribution);
            for (auto it = input.parameters.begin(); it != input.parameters.end(); ++it)
                object.insert(it.key(), it.value());
            if (input.truncate)
                object.insert(QStringLiteral("truncate"),
                              QJsonArray{input.truncate->first, input.truncate->second});
            break;
        }
        inputs << object;
    }
    top.insert(QStringLiteral("inputs"), inputs);
    if (!scenario.correlations.isEmpty()) {
        QJsonArray correlations;
        for (const ScenarioCorrelation& correlation : scenario.correlations)
            correlations << QJsonObject{{QStringLiteral("a"), correlation.a},
                                        {QStringLiteral("b"), correlation.b},
                                        {QStringLiteral("rank"), correlation.rank}};
        top.insert(QStringLiteral("correlations"), correlations);
    }
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

Scenario CheckedScenario(const Scenario& scenario)
{
    return ReadScenario(ScenarioJson(scenario), QStringLiteral("scenario"));
}

Scenario AddDatabaseInput(const Scenario& scenario, qint64 id, std::optional<int> group)
{
    ScenarioInput input;
    input.kind = ScenarioInput::Kind::Database;
    input.parameterId = id;
    input.group = group;
    const QString base = QStringLiteral("P%1").arg(id);
    input.name = base;
    for (int k = 2; FindInput(scenario, input.name) && k <= Scenario::MaxInputs + 1; ++k)
        input.name = base + QStringLiteral("_%1").arg(k);
    Scenario added = scenario;
    added.inputs << input;
    return CheckedScenario(added);
}

Scenario AddUserInput(const Scenario& scenario, const QString& name, const QString& distribution,
                      const QString& parameters, const QString& truncate)
{
    // The input as its JSON object, so the file's checks name the same keys.
    QJsonObject object{{QStringLiteral("name"), name.trimmed()}};
    const QString where = QStringLiteral("inputs[%1]").arg(scenario.inputs.size());
    QMap<QString, double> values;
    static const QRegularExpression separator(QStringLiteral("[,;]"));
    const QStringList pairs = parameters.split(separator, Qt::SkipEmptyParts);
    if (pairs.size() > 16)
        throw VeltraError(where + QStringLiteral(": too many parameters"));
    for (const QString& pair : pairs) {
        const QString key = pair.section(u'=', 0, 0).trimmed();
        bool ok = false;
        const double value = pair.section(u'=', 1).trimmed().toDouble(&ok);
        if (!pair.contains(u'=') || key.isEmpty())
            throw VeltraError(where +
                              QStringLiteral(": \"%1\" is not key = value").arg(pair.trimmed()));
        if (!ok)
            throw VeltraError(where + u'.' + key + QStringLiteral(": must be a number"));
        values.insert(key, value);
    }
    if (distribution == u"constant") {
        if (values.size() != 1 || !values.contains(QStringLiteral("value")))
            throw VeltraError(where + QStringLiteral(": a constant takes \"value = number\""));
        object.insert(QStringLiteral("constant"), values.value(QStringLiteral("value")));
    } else {
        object.insert(QStringLiteral("distribution"), distribution);
        for (auto it = values.begin(); it != values.end(); ++it)
            object.insert(it.key(), it.value());
        const QStringList bounds = truncate.split(separator, Qt::SkipEmptyParts);
        if (!truncate.trimmed().isEmpty()) {
            bool lowOk = false, highOk = false;
            const double low = bounds.value(0).trimmed().toDouble(&lowOk);
            const double high = bounds.value(1).trimmed().toDouble(&highOk);
            if (bounds.size() != 2 || !lowOk || !highOk)
                throw VeltraError(where + QStringLiteral(".truncate: must be \"lo, hi\""));
            object.insert(QStringLiteral("truncate"), QJsonArray{low, high});
        }
    }
    QJsonObject top = QJsonDocument::fromJson(ScenarioJson(scenario)).object();
    QJsonArray inputs = top.value(QStringLiteral("inputs")).toArray();
    inputs << object;
    top.insert(QStringLiteral("inputs"), inputs);
    return ReadScenario(QJsonDocument(top).toJson(), QStringLiteral("scenario"));
}

Scenario RemoveInput(const Scenario& scenario, const QString& name)
{
    Scenario removed = scenario;
    removed.inputs.removeIf([&name](const ScenarioInput& input) { return input.name == name; });
    removed.correlations.removeIf(
        [&name](const ScenarioCorrelation& c) { return c.a == name || c.b == name; });
    return removed;
}

void WriteScenarioFile(const QString& path, const Scenario& scenario)
{
    const QString error = WriteFileSafely(path, ScenarioJson(scenario));
    if (!error.isEmpty())
        throw VeltraError(path + QStringLiteral(": cannot be written: ") + error);
}

} // namespace veltra
