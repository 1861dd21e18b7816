#include "menu/NamesRegister.h"

#include "core/InformationFile.h"
#include "core/Labels.h"
#include "core/ObjectFiles.h"
#include "core/StationState.h"
#include "menu/MenuTexts.h"
#include "report/ReportRequest.h"

namespace zelvan {

NamesRegister::NamesRegister(const StationState& state, ObjectFiles& files, QObject* parent)
    : QObject(parent), m_state(state), m_files(files)
{
}

void NamesRegister::load()
{
    m_nameProblem = m_files.nameReadProblem();
    m_entries.clear();
    m_entries.reserve(kObjectCount);
    for (int k = 1; k <= kObjectCount; ++k)
        m_entries.append(menuListEntry(m_state, k, m_files.name(k)));
    select(0);
}

void NamesRegister::select(int index)
{
    if (index < 0 || index >= m_entries.size())
        return;
    m_current = index;
    const int k = currentObject();
    m_name = m_files.name(k).left(kNameFieldLength);
    m_label = MenuObjectLabel(m_state, k);
    m_caption = menuListEntry(m_state, k, m_name);
    emit currentChanged();
}

void NamesRegister::setNameText(const QString& text) { m_name = text.left(kNameFieldLength); }

bool NamesRegister::saveName()
{
    const int k = currentObject();
    if (!m_nameProblem.isEmpty()) {
        // A record written into a file nobody could read would be the only
        // name kept of the 1024.
        emit readFailed(m_files.namePath());
        return false;
    }
    if (!m_files.setName(k, m_name)) {
        emit writeFailed(m_files.namePath());
        return false;
    }
    m_entries[m_current] = menuListEntry(m_state, k, m_name);
    m_caption = m_entries.at(m_current);
    emit entryChanged(m_current);
    emit currentChanged();
    return true;
}

void NamesRegister::loadInformation()
{
    InformationFile file(m_files.dataDir(), currentObject());
    const std::optional<QString> text = file.load();
    m_information = text.value_or(QString());
    m_informationError = text ? QString()
                              : InformationFile::fileName(currentObject()) + QStringLiteral(": ")
                                    + file.errorString();
    emit currentChanged();
}

QString NamesRegister::informationShown() const
{
    // The notice the history view gives too, then the file name and the reason
    // on a line of their own.
    return informationUnreadable()
               ? InformationFile::unreadableNotice() + QStringLiteral("\n  ") + m_informationError
               : m_information;
}

bool NamesRegister::saveInformation()
{
    const InformationFile file(m_files.dataDir(), currentObject());
    if (informationUnreadable()) {
        // What the operator typed would replace a text nobody has seen.
        emit readFailed(file.path());
        return false;
    }
    if (file.save(m_information))
        return true;
    emit writeFailed(file.path());
    return false;
}

} // namespace zelvan
