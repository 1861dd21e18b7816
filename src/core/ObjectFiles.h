#pragma once

#include "core/StationState.h"

#include <QByteArrayView>
#include <QString>
#include <array>

namespace zelvan {

// Name.dat (70-byte records), Color.dat (4-byte records) and Kavel.dat
// (16-byte records, ten per object) in the data directory. Every access opens
// the file, reads or writes one record and closes it again. Object indices
// outside 1..1024 read as empty or 0 and are never written.
class ObjectFiles
{
public:
    static constexpr int kNameRecord = 70;
    static constexpr int kColorRecord = 4;
    static constexpr int kKavelRecord = 16;
    static constexpr int kKavelRecordsPerObject = 10;
    static constexpr int kNameLength = kNameRecord - 2;     // 68
    static constexpr int kCaptionLength = kKavelRecord - 2; // 14
    static constexpr int kSignalCount = 5;

    // Positions of an object's ten Kavel.dat records.
    enum KavelSlot
    {
        kSlotCaption1 = 1,
        kSlotPeriod = 8,
        kSlotCode = 9,
        kSlotDirectPair = 10
    };
    static int kavelRecord(int k, int slot) { return kKavelRecordsPerObject * (k - 1) + slot; }

    explicit ObjectFiles(QString dataDir);

    QString dataDir() const { return m_dataDir; }
    QString namePath() const;
    QString colorPath() const;
    QString kavelPath() const;
    // The folder of printed and exported reports in a data directory.
    static QString reportsDirOf(const QString& dataDir)
    {
        return dataDir + QStringLiteral("/Reports");
    }

    // CreateObjectFiles: writes each missing file with its defaults, in record
    // order (Name.dat, Color.dat, Kavel.dat). False when a file cannot be written.
    bool createMissing();

    // Record k of Name.dat; a record beyond the end of the file reads empty.
    QString name(int k) const;
    // Writes record k; a name longer than 68 characters is cut to 68.
    bool setName(int k, const QString& name);

    qint32 color(int k) const;
    bool setColor(int k, qint32 color);

    // Caption of board signal j (1..5) of object k: record 10(k-1)+j of Kavel.dat.
    QString kavelCaption(int k, int j) const;

    struct BoardSettings
    {
        std::array<QString, 5> captions;
        qint32 period = 10;
        QString code = QStringLiteral("00");
        bool directPair = false;
    };
    // The defaults a new Kavel.dat gives every object.
    static BoardSettings defaultBoard();
    BoardSettings board(int k) const;
    // Writes records 1..5, 8 (code 3), 9 and 10 (code 2) of object k.
    // Captions longer than 14 characters are cut to 14.
    bool setBoard(int k, const BoardSettings& settings);

    // Loading at start: ObjColor from Color.dat; KavelPeriod, KavelCode and
    // KavelDirectPair from records 8, 9, 10 of every object. Each file is read
    // in one access; missing records load as 0 or empty.
    void loadColors(StationState& state) const;
    void loadBoards(StationState& state) const;

    // The same rules on the bytes of the files, as the readers above get them
    // (a short buffer reads as if padded with zero bytes, as a short file does).
    // Every record of Color.dat into ObjColor.
    static void colorsFromRecords(QByteArrayView all, StationState& state);
    // Records 8, 9, 10 of every object of Kavel.dat into KavelPeriod, KavelCode
    // and KavelDirectPair.
    static void boardsFromRecords(QByteArrayView all, StationState& state);
    // One object's ten Kavel.dat records.
    static BoardSettings boardFromRecords(QByteArrayView own);

    // Why Name.dat or Kavel.dat, there, cannot be read ("path: reason"); empty
    // when it can. Its records then read empty, and must not be written over.
    QString nameReadProblem() const;
    QString kavelReadProblem() const;

    // Why the last write or creation failed (file and system reason).
    QString errorString() const { return m_error; }

private:
    static bool validObject(int k) { return k >= 1 && k <= kObjectCount; }

    QString m_dataDir;
    QString m_error;
};

} // namespace zelvan
