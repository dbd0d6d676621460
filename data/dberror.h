#pragma once
#include <QString>
#include <stdexcept>

// A database failure. Carries the engine's own text, which is what the user
// is shown ("连接数据库失败. " + text, or the standard error box).
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};

// A failure of the program's own logic (an unknown date range kind, a bad
// argument); shown the same way as a database error.
class AppError : public std::runtime_error {
public:
    explicit AppError(const QString& text)
        : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};
