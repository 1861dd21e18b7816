#include "core/ObjectFiles.h"

#include "core/RecordFile.h"

#include <QStringList>

namespace zelvan {

namespace {

RecordFile nameFile(const ObjectFiles& f)
{
    return RecordFile(f.namePath(), ObjectFiles::kNameRecord);
}
RecordFile colorFile(const ObjectFiles& f)
{
    return RecordFile(f.colorPath(), ObjectFiles::kColorRecord);
}
RecordFile kavelFile(const ObjectFiles& f)
{
    return RecordFile(f.kavelPath(), ObjectFiles::kKavelRecord);
}

// The bytes of a run of records, cut or padded with zero bytes to its length,
// as a file shorter than the run reads.
QByteArray paddedTo(QByteArrayView bytes, qsizetype length)
{
    QByteArray out(bytes.data(), qMin(bytes.size(), length));
    out.resize(length, '\0');
    return out;
}

// The ten records of one object in Kavel.dat, in record order.
QByteArray kavelRecords(const ObjectFiles::BoardSettings& b, bool periodAsInt16)
{
    constexpr int L = ObjectFiles::kKavelRecord;
    QByteArray bytes;
    for (const QString& caption : b.captions)
        bytes += record::encodeText(caption, L);
    bytes += record::encodeText(QString(), L); // reserved
    bytes += record::encodeText(QString(), L); // reserved
    bytes +=
        periodAsInt16 ? record::encodeInt16(qint16(b.period), L) : record::encodeInt32(b.period, L);
    bytes += record::encodeText(b.code, L);
    bytes += record::encodeInt16(b.directPair ? 1 : 0, L);
    return bytes;
}

} // namespace

ObjectFiles::ObjectFiles(QString dataDir) : m_dataDir(std::move(dataDir)) {}

QString ObjectFiles::namePath() const { return m_dataDir + QStringLiteral("/Name.dat"); }
QString ObjectFiles::colorPath() const { return m_dataDir + QStringLiteral("/Color.dat"); }
QString ObjectFiles::kavelPath() const { return m_dataDir + QStringLiteral("/Kavel.dat"); }

ObjectFiles::BoardSettings ObjectFiles::defaultBoard()
{
    BoardSettings b;
    b.captions = {QStringLiteral("220 V"), QStringLiteral("Батерия"), QStringLiteral("Зона 1"),
                  QStringLiteral("Зона 2"), QStringLiteral("Зона 3")};
    return b;
}

bool ObjectFiles::createMissing()
{
    m_error.clear();
    // Each file is tried, whatever became of the one before: a Name.dat that
    // cannot be written must not leave Color.dat and Kavel.dat uncreated, and
    // every failure is reported, one per line.
    QStringList failures;
    auto createIfMissing = [&failures](const RecordFile& file, const QByteArray& records) {
        if (file.exists() || file.create(records))
            return;
        failures << file.path() + QStringLiteral(": ") + file.errorString();
    };

    const QByteArray emptyName = record::encodeText(QString(), kNameRecord);
    createIfMissing(nameFile(*this), emptyName.repeated(kObjectCount));
    createIfMissing(colorFile(*this), record::encodeRawInt32(0).repeated(kObjectCount));
    createIfMissing(kavelFile(*this), kavelRecords(defaultBoard(), true).repeated(kObjectCount));
    m_error = failures.join(QLatin1Char('\n'));
    return failures.isEmpty();
}

QString ObjectFiles::name(int k) const
{
    if (!validObject(k))
        return {};
    return record::decodeText(nameFile(*this).read(k));
}

bool ObjectFiles::setName(int k, const QString& name)
{
    m_error.clear();
    if (!validObject(k))
        return false;
    const RecordFile file = nameFile(*this);
    if (file.write(k, record::encodeText(name, kNameRecord)))
        return true;
    m_error = file.path() + QStringLiteral(": ") + file.errorString();
    return false;
}

qint32 ObjectFiles::color(int k) const
{
    if (!validObject(k))
        return 0;
    return record::decodeRawInt32(colorFile(*this).read(k));
}

bool ObjectFiles::setColor(int k, qint32 color)
{
    m_error.clear();
    if (!validObject(k))
        return false;
    const RecordFile file = colorFile(*this);
    if (file.write(k, record::encodeRawInt32(color)))
        return true;
    m_error = file.path() + QStringLiteral(": ") + file.errorString();
    return false;
}

QString ObjectFiles::nameReadProblem() const { return nameFile(*this).readProblem(); }

QString ObjectFiles::kavelReadProblem() const { return kavelFile(*this).readProblem(); }

QString ObjectFiles::kavelCaption(int k, int j) const
{
    if (!validObject(k) || j < 1 || j > kSignalCount)
        return {};
    return record::decodeText(kavelFile(*this).read(kavelRecord(k, j)));
}

ObjectFiles::BoardSettings ObjectFiles::board(int k) const
{
    if (!validObject(k))
        return {};
    return boardFromRecords(kavelFile(*this).readRange(kavelRecord(k, 1), kKavelRecordsPerObject));
}

ObjectFiles::BoardSettings ObjectFiles::boardFromRecords(QByteArrayView own)
{
    const QByteArray records = paddedTo(own, kKavelRecordsPerObject * kKavelRecord);
    auto slot = [&](int s) {
        return QByteArrayView(records).sliced(qsizetype(s - 1) * kKavelRecord, kKavelRecord);
    };
    BoardSettings b;
    for (int j = 0; j < kSignalCount; ++j)
        b.captions[size_t(j)] = record::decodeText(slot(kSlotCaption1 + j));
    b.period = record::decodeTagged(slot(kSlotPeriod));
    b.code = record::decodeText(slot(kSlotCode));
    b.directPair = record::decodeTagged(slot(kSlotDirectPair)) != 0;
    return b;
}

bool ObjectFiles::setBoard(int k, const BoardSettings& settings)
{
    m_error.clear();
    if (!validObject(k))
        return false;
    const RecordFile file = kavelFile(*this);
    const QByteArray records = kavelRecords(settings, false);
    auto writeSlot = [&](int s) {
        return file.write(kavelRecord(k, s), QByteArrayView(records).sliced(
                                                 qsizetype(s - 1) * kKavelRecord, kKavelRecord));
    };
    bool ok = true;
    for (int s = kSlotCaption1; ok && s < kSlotCaption1 + kSignalCount; ++s)
        ok = writeSlot(s);
    ok = ok && writeSlot(kSlotPeriod) && writeSlot(kSlotCode) && writeSlot(kSlotDirectPair);
    if (!ok)
        m_error = file.path() + QStringLiteral(": ") + file.errorString();
    return ok;
}

void ObjectFiles::loadColors(StationState& state) const
{
    colorsFromRecords(colorFile(*this).readRange(1, kObjectCount), state);
}

void ObjectFiles::colorsFromRecords(QByteArrayView all, StationState& state)
{
    const QByteArray records = paddedTo(all, kObjectCount * kColorRecord);
    for (int k = 1; k <= kObjectCount; ++k)
        state.ObjColor[size_t(k)] = record::decodeRawInt32(
            QByteArrayView(records).sliced(qsizetype(k - 1) * kColorRecord, kColorRecord));
}

void ObjectFiles::loadBoards(StationState& state) const
{
    boardsFromRecords(kavelFile(*this).readRange(1, kKavelRecordsPerObject * kObjectCount), state);
}

void ObjectFiles::boardsFromRecords(QByteArrayView all, StationState& state)
{
    const QByteArray records = paddedTo(all, kKavelRecordsPerObject * kObjectCount * kKavelRecord);
    auto slot = [&](int k, int s) {
        return QByteArrayView(records).sliced(qsizetype(kavelRecord(k, s) - 1) * kKavelRecord,
                                              kKavelRecord);
    };
    for (int k = 1; k <= kObjectCount; ++k) {
        const auto i = size_t(k);
        state.KavelPeriod[i] = record::decodeTagged(slot(k, kSlotPeriod));
        state.KavelCode[i] = record::decodeText(slot(k, kSlotCode));
        state.KavelDirectPair[i] = record::decodeTagged(slot(k, kSlotDirectPair)) == 0 ? 0 : -1;
    }
}

} // namespace zelvan
