#pragma once

#include "core/Beeper.h"

#include <QObject>
#include <QTemporaryDir>
#include <memory>

class QSoundEffect;

namespace zelvan {

// The system beep as a short tone through the sound output. A machine without
// an audio output gets QApplication::beep() instead; the tone never blocks.
class ToneBeeper : public QObject, public Beeper
{
    Q_OBJECT
public:
    explicit ToneBeeper(QObject* parent = nullptr);
    ~ToneBeeper() override;

    void beep() override;

    bool usesTone() const { return m_effect != nullptr; }
    int beeps() const { return m_beeps; }

    // A mono 16-bit PCM WAV of a sine tone.
    static QByteArray toneWav(int frequencyHz, int durationMs, int sampleRate = 22050);

private:
    QTemporaryDir m_dir;
    QSoundEffect* m_effect = nullptr;
    int m_beeps = 0;
};

} // namespace zelvan
