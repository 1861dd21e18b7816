#pragma once

#include <QLoggingCategory>

// Diagnostics of the program itself (locks, window placement), on standard
// error in English: QT_LOGGING_RULES="zelvan.app=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
