#pragma once
// Shared by the writer implementations only.
#include "exportwriters.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <memory>

namespace ExportFiles {
// The file is written under a temporary name beside the target and only
// replaces it on commit, so a failed export never leaves half a file.
std::unique_ptr<QSaveFile> open(const QString& path);
void write(QSaveFile& file, const QByteArray& bytes);
void commit(QSaveFile& file);
[[noreturn]] void fail(const QString& path, const QString& reason);
} // namespace ExportFiles

std::unique_ptr<ExportWriter> makeHtmlExportWriter();
std::unique_ptr<ExportWriter> makeXmlExportWriter();
std::unique_ptr<ExportWriter> makeExcelExportWriter();
bool excelWriterAvailable();
std::unique_ptr<ExportWriter> makeWordExportWriter();
