#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

namespace zelvan {

struct StationState;
class ObjectFiles;

// The object names register: the 1024 entries shared by the objects list of
// the names tab (List2) and the report's objects list (List1), the current
// object with its name field (Text2) and labels, and the information text
// (Text3) of the current object.
class NamesRegister : public QObject
{
    Q_OBJECT
public:
    // The name field holds at most this many characters.
    static constexpr int kNameFieldLength = 66;

    NamesRegister(const StationState& state, ObjectFiles& files, QObject* parent = nullptr);

    // Opening: every entry read from Name.dat; the first entry becomes current.
    void load();
    // Entry i is object k = i + 1: MenuObjectLabel(k) + two spaces + name.
    const QStringList& entries() const { return m_entries; }
    QString entry(int index) const { return m_entries.value(index); }

    // List2: the selected entry (0-based), and its object k = index + 1.
    int currentIndex() const { return m_current; }
    int currentObject() const { return m_current + 1; }
    // A click on List2: the entry becomes current, its name is read from
    // Name.dat into the name field and the labels follow.
    void select(int index);

    QString nameText() const { return m_name; }
    // Edits of the name field, cut to its length.
    void setNameText(const QString& text);
    QString objectLabel() const { return m_label; }     // Label12
    QString objectCaption() const { return m_caption; } // Label7 and Label14

    // Command3: writes the name field into the object's Name.dat record and,
    // when that succeeded, replaces the object's entry in both lists; the
    // selections of both lists stay as they were.
    bool saveName();

    QString informationText() const { return m_information; }
    void setInformationText(const QString& text) { m_information = text; }
    // Leaving the names tab: the current object's information file into Text3
    // (emptied when the object has none, and when it cannot be read).
    void loadInformation();
    // Name.dat is there but cannot be read ("path: reason", empty when it can):
    // the names read empty, and saving a name does not write into it.
    QString nameProblem() const { return m_nameProblem; }
    // The current object's information file is there but could not be read:
    // its text is not shown and saving does not replace it.
    bool informationUnreadable() const { return !m_informationError.isEmpty(); }
    // Why it could not be read, with its file name.
    QString informationError() const { return m_informationError; }
    // What the information tab shows and prints: the text, or the notice that
    // the file could not be read, with the reason.
    QString informationShown() const;
    // Command4: the information text replaces the object's information file;
    // refused (readFailed) while that file could not be read.
    bool saveInformation();

signals:
    // Entry `index` of both lists got a new text.
    void entryChanged(int index);
    // The current object, the name field, the labels or the information text changed.
    void currentChanged();
    void writeFailed(const QString& path);
    // The information file at path is there but could not be read, so it is not replaced.
    void readFailed(const QString& path);

private:
    const StationState& m_state;
    ObjectFiles& m_files;
    QStringList m_entries;
    int m_current = 0;
    QString m_name;
    QString m_label;
    QString m_caption;
    QString m_information;
    QString m_informationError;
    QString m_nameProblem;
};

} // namespace zelvan
