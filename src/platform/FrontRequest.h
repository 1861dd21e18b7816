#pragma once

#include <QObject>

class QSocketNotifier;

namespace zelvan {

// Lets a second panel started by mistake bring the running one to the front:
// the second sends SIGUSR1 to the first, whose handler only writes a byte into
// a pipe; the event loop reads it and emits requested(). One instance per
// process (the signal has one handler).
class FrontRequest : public QObject
{
    Q_OBJECT
public:
    explicit FrontRequest(QObject* parent = nullptr);
    ~FrontRequest() override;

    bool listening() const { return m_notifier != nullptr; }
    // Asks the panel running as process pid to come to the front.
    static bool ask(qint64 pid);

signals:
    void requested();

private:
    void drain();

    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace zelvan
