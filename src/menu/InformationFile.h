#pragma once

#include <QString>
#include <optional>

namespace zelvan {

// The additional-information text of one object: "DI_<m>-<n>.dat" in the data
// directory, single-byte text with CR LF line ends.
class InformationFile
{
public:
    InformationFile(const QString& dataDir, int k);

    QString path() const { return m_path; }
    bool exists() const;
    // The text as the editor shows it ("\n" line ends). The CR LF that saving
    // adds after the text is taken off again, so a text read and saved
    // unchanged leaves the file as it was. Empty when the file is missing;
    // nothing when it is there but cannot be read (errorString() says why).
    std::optional<QString> load();
    QString errorString() const { return m_error; }
    // The text followed by CR LF, written to a temporary file that then replaces
    // the old one: a failed write leaves the old text in place.
    bool save(const QString& text) const;

    static QString fileName(int k);

private:
    QString m_path;
    QString m_error;
};

} // namespace zelvan
