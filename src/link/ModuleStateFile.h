#pragma once

#include <QDateTime>
#include <QStringList>

namespace zelvan {

// Mdl_<m>.dat in the data directory: the guard state of module m saved when its
// link was lost. Line 1 is the date and time of the loss as a day serial with
// "." as the decimal separator; every further line is the take-under-guard
// command "P" + object number of an object whose state was above 0.
class ModuleStateFile
{
public:
    ModuleStateFile(QString dataDir, int m);

    QString path() const;
    // Replaces the file as a whole, durably (temporary file, sync, rename), so
    // a failure or a power cut never leaves a half-written file.
    bool write(const QDateTime& lostAt, const QStringList& commands);

    QString errorString() const { return m_error; }

    // The numeric form of line 1.
    static QByteArray serialText(const QDateTime& t);

private:
    QString m_dataDir;
    int m_module;
    QString m_error;
};

} // namespace zelvan
