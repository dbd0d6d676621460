#pragma once
#include "dberror.h"

#include <QString>

// The start-up sequence: data module, placement, context, connection, login,
// main window. Returns the program's exit code: 1 after a failure, which has
// been shown. appDir replaces the program's folder (tests).
int RunProgram(const QString& appDir = QString());

// The text shown when the data file cannot be used.
QString ConnectionFailureText(const QString& driverText);

// A start-up failure whose text is ready to be shown as it is.
class StartupError : public AppError {
public:
    using AppError::AppError;
};
