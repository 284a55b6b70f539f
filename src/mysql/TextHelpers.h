#pragma once
// Small text helpers of the client layer.

#include <QString>
#include <QStringView>

// The text without leading and trailing space characters; tabs and line breaks stay.
inline QStringView trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}
