#pragma once

#include "core/Beeper.h"

#include <QObject>
#include <QTemporaryDir>
#include <initializer_list>
#include <memory>

class QSoundEffect;

namespace zelvan {

// The alarm beep as a short two-tone sound through the sound output, made when
// the program starts (no sound file is shipped). A machine without
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

    struct Tone
    {
        int frequencyHz;
        int durationMs;
    };
    // A mono 16-bit PCM WAV of sine tones one after the other, each faded in
    // and out so that it does not click; amplitude 0..1 of full scale.
    static QByteArray toneWav(std::initializer_list<Tone> tones, double amplitude,
                              int sampleRate = 22050);
    // The alarm sound: a high and a lower tone, loud, together well under the
    // half second between two beeps of the violations window.
    static QByteArray alarmWav();

private:
    QTemporaryDir m_dir;
    QSoundEffect* m_effect = nullptr;
    int m_beeps = 0;
};

} // namespace zelvan
