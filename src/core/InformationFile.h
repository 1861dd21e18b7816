#pragma once

#include <QString>
#include <optional>

namespace zelvan {

// The additional-information text of one object: "DI_<m>-<n>.dat" in the data
// directory, single-byte text with CR LF line ends. The menu's objects
// register edits it and the history view shows it; both read it here.
class InformationFile
{
public:
    InformationFile(const QString& dataDir, int k);

    QString path() const { return m_path; }
    bool exists() const;
    // The whole content as it is in the file, line ends and all. Empty when
    // the file is missing; nothing when it is there but cannot be read
    // (errorString() says why).
    std::optional<QString> read();
    // The text as the editor shows it ("\n" line ends). The CR LF that saving
    // adds after the text is taken off again, so a text read and saved
    // unchanged leaves the file as it was. Missing and unreadable as read().
    std::optional<QString> load();
    QString errorString() const { return m_error; }
    // The text followed by CR LF, written to a temporary file that then replaces
    // the old one: a failed write leaves the old text in place.
    bool save(const QString& text) const;

    static QString fileName(int k);
    // What the operator reads where the text of a file that is there but
    // cannot be read would be (each view adds the reason its own way).
    static QString unreadableNotice();

private:
    std::optional<QByteArray> readBytes();

    QString m_path;
    QString m_error;
};

} // namespace zelvan
