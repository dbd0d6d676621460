#pragma once
#include <QString>

// The start-up sequence: data module, placement, context, connection, login,
// main window. Returns the program's exit code. appDir replaces the
// program's folder (tests).
int RunProgram(const QString& appDir = QString());

// The text shown when the data file cannot be used.
QString ConnectionFailureText(const QString& driverText);
