#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

namespace zelvan {

// Reads the keys of one key=value settings file in Qt's INI form (mqtt.ini,
// dc09.ini) and collects what is wrong with them, one line for the problem
// list each, naming the file and the key.
class SettingsReader
{
public:
    // problemText: %1 the file, %2 the key ("[section] key"), %3 what is wrong.
    SettingsReader(const QString& path, QString programDir, QString problemText);

    QSettings::Status status() const { return m_ini.status(); }
    QStringList allKeys() const { return m_ini.allKeys(); }

    void problem(const QString& key, const QString& what);
    // Whether the file is a readable file in the key=value form; the problem
    // is recorded when it is not.
    bool readable();
    // From here on the problems are said with this text.
    void sayProblemsAs(const QString& text) { m_template = text; }
    // "section/key" as the operator reads it: "[section] key".
    static QString keyName(const QString& key);

    bool has(const QString& key) const { return m_ini.contains(key); }
    QString text(const QString& key) const { return raw(key).trimmed(); }
    // The value as read, blanks kept (an empty string when the key is not there).
    QString raw(const QString& key) const { return m_ini.value(key).toString(); }
    bool boolean(const QString& key, bool fallback);
    int number(const QString& key, int fallback, int low, int high);
    // A file named by the key, relative to the program directory; it must be
    // a readable file.
    QString file(const QString& key);
    QString path() const { return m_path; }

    QStringList problems;

private:
    QSettings m_ini;
    QString m_template;
    QString m_path;
    QString m_dir;
};

} // namespace zelvan
