#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

namespace zelvan {

struct StationState;
class ObjectFiles;

// The subscriber board settings of one object: board code (Combo1), direct
// pair (Check14), take/release period (Slider1, shown in Label18) and the five
// signal captions (Text4). Loaded from the tables in memory and Kavel.dat,
// stored back only on confirmation.
class BoardConfiguration : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinPeriod = 10;
    static constexpr int kMaxPeriod = 120;
    static constexpr int kCaptionLength = 14;
    static constexpr int kSignalCount = 5;

    BoardConfiguration(StationState& state, ObjectFiles& files, QObject* parent = nullptr);

    // Combo1: "00".."FF".
    static const QStringList& codes();

    // Opening: "00" selected, period at its lowest, the default captions.
    void reset();
    // Object k's settings into the controls.
    void load(int k);
    // Confirmation: the controls into Kavel.dat (records 1..5, 8, 9, 10 of the
    // object) and, when that write succeeded, into the tables in memory.
    bool store(int k);
    // What store(k) would change, for the journal: each setting that differs,
    // its value as stored then as in the controls ("code 00->0A, period
    // 10->60, direct pair no->yes, signal 1 \"220 V\"->\"Мрежа\""); "unchanged"
    // when none does.
    QString changeFrom(int k) const;

    int codeIndex() const { return m_codeIndex; }
    QString code() const { return codes().at(m_codeIndex); }
    void selectCode(int index);
    bool directPair() const { return m_directPair; }
    void setDirectPair(bool on) { m_directPair = on; }
    int period() const { return m_period; }
    // A slider move: clamped to 10..120, Label18 and the hint follow at once.
    void setPeriod(int seconds);
    QString periodText() const; // Label18
    QString periodHint() const; // the slider's hint
    QString caption(int i) const { return m_captions.at(size_t(i)); }
    // Kavel.dat is there but cannot be read ("path: reason", empty when it
    // can): the captions read empty and store() refuses.
    QString fileProblem() const { return m_fileProblem; }
    // A caption box edit, cut to 14 characters.
    void setCaption(int i, const QString& text);

signals:
    void changed();
    void writeFailed(const QString& path);
    // Kavel.dat is there but cannot be read, so the settings are not stored into it.
    void readFailed(const QString& path);

private:
    StationState& m_state;
    ObjectFiles& m_files;
    int m_codeIndex = 0;
    bool m_directPair = false;
    QString m_fileProblem;
    int m_period = kMinPeriod;
    std::array<QString, kSignalCount> m_captions;
};

} // namespace zelvan
