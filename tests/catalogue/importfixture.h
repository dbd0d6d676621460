#pragma once
// What the import tests share: the workbooks and text files made for them
// (tests/fixtures/import, see make_fixtures.py) and the public sample files.
#include "importsource.h"

#include <QString>
#include <QStringList>

namespace importfixture {
inline QString file(const QString& name) {
    return QStringLiteral(MORVANE_IMPORT_FIXTURES "/") + name;
}
// Workbooks and Access files are read by the reader program, which the
// build leaves beside the program, not beside the tests.
inline void useReaderProgram() { TImportSource::SetReaderProgram(QStringLiteral(MORVANE_IMPORT_READER)); }
inline QString shared(const QString& name) {
    return QStringLiteral(MORVANE_FIXTURES_DIR "/") + name;
}

// Every file made from the same rows reads as this table.
inline QStringList header() { return {"商品编码", "商品名称", "型号", "规格", "单位", "商品目录", "销售价"}; }
inline QList<QStringList> rows() {
    return {
        {"6901234567890", "白衬衫", "M1", "S1", "件", "衬衫", "99.5"},
        {"C100", "牛仔裤", "J1", "L", "条", "裤装", "128"},
        {"C101", "运动鞋", "", "42码", "双", "", "abc"},
        {"C102", "", "X", "Y", "个", "裤装", "5"},
        {"C103", "围巾", "W1", "", "条", "配饰/冬季", " 15.0 "},
        {"C104", "手套", "G1", "M", "", "配饰/冬季", ""},
    };
}
} // namespace importfixture
