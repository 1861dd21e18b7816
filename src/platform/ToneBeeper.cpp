#include "platform/ToneBeeper.h"

#include <QApplication>
#include <QAudioDevice>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>
#include <cmath>
#include <numbers>

namespace zelvan {

namespace {

void putLe32(QByteArray& b, quint32 v)
{
    char d[4];
    qToLittleEndian(v, d);
    b.append(d, 4);
}
void putLe16(QByteArray& b, quint16 v)
{
    char d[2];
    qToLittleEndian(v, d);
    b.append(d, 2);
}

} // namespace

QByteArray ToneBeeper::toneWav(std::initializer_list<Tone> tones, double amplitude, int sampleRate)
{
    qint64 samples = 0;
    for (const Tone& t : tones)
        samples += qint64(sampleRate) * t.durationMs / 1000;
    const quint32 dataBytes = quint32(samples) * 2;
    QByteArray wav;
    wav.reserve(int(44 + dataBytes));
    wav.append("RIFF");
    putLe32(wav, 36 + dataBytes);
    wav.append("WAVEfmt ");
    putLe32(wav, 16);
    putLe16(wav, 1); // PCM
    putLe16(wav, 1); // mono
    putLe32(wav, quint32(sampleRate));
    putLe32(wav, quint32(sampleRate) * 2);
    putLe16(wav, 2);
    putLe16(wav, 16);
    wav.append("data");
    putLe32(wav, dataBytes);
    const int fade = sampleRate / 200; // 5 ms ramps avoid clicks
    for (const Tone& t : tones) {
        const int n = int(qint64(sampleRate) * t.durationMs / 1000);
        for (int i = 0; i < n; ++i) {
            double amp = amplitude;
            if (i < fade)
                amp *= double(i) / fade;
            else if (n - i < fade)
                amp *= double(n - i) / fade;
            const double v =
                amp * std::sin(2.0 * std::numbers::pi * t.frequencyHz * i / sampleRate);
            putLe16(wav, quint16(qint16(std::lround(v * 32767.0))));
        }
    }
    return wav;
}

QByteArray ToneBeeper::alarmWav() { return toneWav({{1400, 160}, {950, 160}}, 0.9); }

ToneBeeper::ToneBeeper(QObject* parent) : QObject(parent)
{
    // No audio output (a server, a container): the plain beep, without
    // touching the sound system at all.
    if (QMediaDevices::audioOutputs().isEmpty() || !m_dir.isValid())
        return;
    const QString path = m_dir.filePath(QStringLiteral("beep.wav"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(alarmWav()) < 0)
        return;
    f.close();
    m_effect = new QSoundEffect(this);
    m_effect->setSource(QUrl::fromLocalFile(path));
    m_effect->setVolume(1.0f);
}

ToneBeeper::~ToneBeeper() = default;

void ToneBeeper::beep()
{
    ++m_beeps;
    if (m_effect && m_effect->status() != QSoundEffect::Error) {
        m_effect->play();
        return;
    }
    QApplication::beep();
}

} // namespace zelvan
