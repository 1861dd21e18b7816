#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zelvan {

// Single-byte Windows Cyrillic text (serial line, zelvan.ini and data files).
QString fromCp1251(QByteArrayView bytes);
QByteArray toCp1251(QStringView text);

} // namespace zelvan
