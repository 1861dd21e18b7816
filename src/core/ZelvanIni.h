#pragma once

#include "core/StationState.h"

#include <QString>
#include <QStringList>
#include <array>

namespace zelvan {

struct PortConfig
{
    QString token; // port number, or a device path beginning with "/"
    QString settings = QStringLiteral("4800,n,8,1"); // passed to the port unchanged
    // The port is opened when its number is greater than 0 or it names a device path.
    bool shouldOpen() const;
};

struct PrinterFont
{
    QString name = QStringLiteral("MS Sans Serif");
    int size = 11;
    bool bold = false;
    bool italic = false;
};

// OptShowAlarms .. OptShowKeypad of a new zelvan.ini.
inline constexpr std::array<qint16, 6> kDefaultOptions{1, 1, 0, 1, 0, 0};

// What the start-up load step reads from zelvan.ini.
struct StartupConfig
{
    QString DataDir;
    QString ShowSystemZero = QStringLiteral("N");
    qint16 SystemNo = 0;
    QString HubMode = QStringLiteral("Y");
    std::array<PortConfig, 2> ports{PortConfig{QStringLiteral("1")},
                                    PortConfig{QStringLiteral("2")}};
    QString moduls = QStringLiteral("YYYYYYYY");
    std::array<qint16, 6> options = kDefaultOptions;
    // [Operators] IdleMinutes: an operator idle this long is logged out; 0 never.
    int operatorIdleMinutes = 0;
    // Values that could not be read and took their default, for the operator.
    QStringList problems;

    // ModuleEnabled, the configuration values and the six options into the state.
    void applyTo(StationState& state) const;
};

// zelvan.ini in the program directory: positional sections, CR LF lines, cp1251.
// Values are found by their place under the section header, never by a key,
// so the order of the sections does not matter. A value that cannot be read
// takes its default and the problem is listed for the operator.
class ZelvanIni
{
public:
    explicit ZelvanIni(QString programDir);

    QString path() const;
    QString tmpPath() const; // zelvan.tmp, beside it
    bool exists() const;
    // The data directory a new file names: the program directory + "/Data".
    QString defaultDataDir() const;
    // The content WriteDefaultConfig writes.
    QByteArray defaultContent() const;
    // Writes the default file, byte for byte (through zelvan.tmp).
    bool WriteDefaultConfig() const;
    StartupConfig readStartup() const;
    std::array<qint16, 6> readOptions(QStringList* problems = nullptr) const;
    PrinterFont readPrinterFont(QStringList* problems = nullptr) const;
    // Rewrites [Options] and then [FontPrinter], keeping every other line byte
    // for byte; a section that is missing is added at the end. Atomic:
    // zelvan.tmp is written, flushed to disk and renamed over zelvan.ini, so
    // zelvan.ini is always either the old or the new file.
    bool SaveMenuOptions(const std::array<qint16, 6>& options, const PrinterFont& font) const;

    // The rules of the readers and of the rewrite on the file's bytes; the
    // members above are these on what the file holds.
    StartupConfig startupFrom(const QByteArray& bytes) const;
    static std::array<qint16, 6> optionsFrom(const QByteArray& bytes,
                                             QStringList* problems = nullptr);
    static PrinterFont printerFontFrom(const QByteArray& bytes, QStringList* problems = nullptr);
    static QByteArray withMenuOptions(const QByteArray& bytes, const std::array<qint16, 6>& options,
                                      const PrinterFont& font);

    // Why the last write failed (file and system reason).
    QString errorString() const { return m_error; }

private:
    bool replaceWith(const QByteArray& content) const;

    QString m_programDir;
    mutable QString m_error;
};

} // namespace zelvan
