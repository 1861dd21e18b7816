#pragma once

#include "core/StationState.h"

#include <QString>
#include <array>

namespace zelvan {

// Name.dat (70-byte records), Color.dat (4-byte records) and Kavel.dat
// (16-byte records, ten per object) in the data directory. Every access opens
// the file, reads or writes one record and closes it again.
class ObjectFiles
{
public:
    static constexpr int kNameLength = 68;
    static constexpr int kCaptionLength = 14;

    explicit ObjectFiles(QString dataDir);

    QString dataDir() const { return m_dataDir; }
    QString namePath() const;
    QString colorPath() const;
    QString kavelPath() const;

    // CreateObjectFiles: writes each missing file with its defaults, in record
    // order (Name.dat, Color.dat, Kavel.dat). False when a file cannot be written.
    bool createMissing();

    // Record k of Name.dat; a record beyond the end of the file reads empty.
    QString name(int k) const;
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
    BoardSettings board(int k) const;
    // Writes records 1..5, 8 (code 3), 9 and 10 (code 2) of object k.
    bool setBoard(int k, const BoardSettings& settings);

    // Loading at start: ObjColor from Color.dat; KavelPeriod, KavelCode and
    // KavelDirectPair from records 8, 9, 10 of every object.
    void loadColors(StationState& state) const;
    void loadBoards(StationState& state) const;

private:
    QString m_dataDir;
};

} // namespace zelvan
