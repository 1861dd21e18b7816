#pragma once

#include "core/Beeper.h"
#include "core/Clock.h"
#include "core/OperatorActions.h"
#include "core/PanelControl.h"
#include "core/SerialLine.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace zelvan::test {

// A clock the test sets and moves.
class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(12, 0))) : m_now(start)
    {
    }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& t) { m_now = t; }
    void advanceMs(qint64 ms) { m_now = m_now.addMSecs(ms); }

private:
    QDateTime m_now;
};

// An in-memory serial line: the test feeds received bytes and reads what was written.
class FakeSerialLine : public SerialLine
{
    Q_OBJECT
public:
    using SerialLine::SerialLine;

    bool open(const QString& portToken, const QString& settings) override;
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    void write(const QByteArray& bytes) override;
    qint64 bytesToWrite() const override { return m_queued; }
    qint64 bytesAvailable() const override { return m_input.size(); }
    QByteArray readAll() override;
    void clearInput() override { m_input.clear(); }
    QString deviceName() const override { return m_token; }

    // Received bytes: queued and announced with readyRead().
    void feed(const QByteArray& bytes);
    // Everything written since the last take.
    QByteArray takeWritten();
    const QByteArray& written() const { return m_written; }
    // Writes stay queued (bytesToWrite) until drain() while holdOutput is on.
    void setHoldOutput(bool hold) { m_hold = hold; }
    void drain();
    void setRefuseOpen(bool refuse) { m_refuse = refuse; }
    // SettingsFault bits the next opens report.
    void setSettingsFaults(int faults) { m_faults = faults; }
    int settingsFaults() const override { return m_faults; }
    QString openedSettings() const { return m_settings; }
    void fail(const QString& reason);

private:
    bool m_open = false;
    bool m_refuse = false;
    bool m_hold = false;
    int m_faults = 0;
    qint64 m_queued = 0;
    QString m_token;
    QString m_settings;
    QByteArray m_input;
    QByteArray m_written;
};

class CountingBeeper : public Beeper
{
public:
    void beep() override { ++count; }
    int count = 0;
};

// The operator's actions as a list of lines "action object module detail";
// with `holding` set, every action waits until release() runs it.
class RecordingOperatorActions : public OperatorActions
{
public:
    void whenAllowed(const ActionRequest& request, std::function<void()> action) override
    {
        asked.append(request.text);
        if (holding)
            held = std::move(action);
        else
            action();
    }
    void journal(JournalAction action, int object, int module, const QString& detail) override
    {
        lines.append(QStringLiteral("%1 %2 %3 %4")
                         .arg(journalActionName(action))
                         .arg(object)
                         .arg(module)
                         .arg(detail));
    }
    void release()
    {
        if (held)
            std::exchange(held, nullptr)();
    }
    bool holding = false;
    std::function<void()> held;
    QStringList lines;
    QStringList asked; // the texts of the requests, in order
};

class RecordingPanelControl : public PanelControl
{
public:
    void SelectPage(int p) override { selectedPages.append(p); }
    void measuredValueChanged() override { ++measurements; }
    void PressObjectButton(int i, int button, int shift) override
    {
        presses.append({i, button, shift});
    }
    void ReleaseObjectButton() override {}
    QList<int> selectedPages;
    int measurements = 0;
    QList<QList<int>> presses;
};

} // namespace zelvan::test
