#pragma once

#include "core/SerialLine.h"

namespace zelvan {

class LineShare;

// The one gate every write to the modules passes: a serial line in front of
// the real one that hands a write on only while the panel may write to the
// line (LineShare::writes()). A panel on standby hears everything and says
// nothing; what it would have said is counted, never queued, so that nothing
// stale reaches the modules when it takes over. Everything else passes as it is.
class GatedLine : public SerialLine
{
    Q_OBJECT
public:
    explicit GatedLine(SerialLine& inner, QObject* parent = nullptr);

    // Without a share the line is this panel's alone: every write passes.
    void setShare(const LineShare* share) { m_share = share; }
    bool mayWrite() const;

    bool open(const QString& portToken, const QString& settings) override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() const override;
    qint64 bytesAvailable() const override;
    QByteArray readAll() override;
    void clearInput() override;
    QString deviceName() const override;
    int settingsFaults() const override;

    // Characters held back because the panel did not write.
    quint64 heldBack() const { return m_heldBack; }

private:
    SerialLine& m_inner;
    const LineShare* m_share = nullptr;
    quint64 m_heldBack = 0;
};

} // namespace zelvan
