#pragma once
// The last error of a MYSQL_CONNECTION: the client library's (or the server's) number and text,
// 0 and an empty text when the last operation succeeded.

#include <QString>

class MYSQL_ERR {
public:
    MYSQL_ERR() = default;
    MYSQL_ERR(const MYSQL_ERR&) = delete;
    MYSQL_ERR& operator=(const MYSQL_ERR&) = delete;

    int Number() const { return m_number; }
    const QString& Description() const { return m_description; }
    void Clear();

private:
    // Only the client layer reports errors.
    friend class MYSQL_CONNECTION;
    friend class MYSQL_RS;
    void SetError(int number, const QString& description);

    int m_number = 0;
    QString m_description;
};
