#include "wizard/File_enc.h"

namespace {

QByteArray shift(const QByteArray& bytes, const QString& key, int direction)
{
    const QByteArray k = key.toUpper().toLocal8Bit();
    const qsizetype length = k.size();
    if (length == 0)
        return bytes;
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        // 1-based text position i+1 pairs with 1-based key position ((i+1) mod L) + 1.
        const auto keyByte = static_cast<unsigned char>(k[(i + 1) % length]);
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = static_cast<char>(static_cast<unsigned char>(b + direction * keyByte));
    }
    return out;
}

}  // namespace

QByteArray ScrambleBytes(const QByteArray& bytes, const QString& key)
{
    return shift(bytes, key, +1);
}

QByteArray UnscrambleBytes(const QByteArray& bytes, const QString& key)
{
    return shift(bytes, key, -1);
}

QString ScrambleText(const QString& text, const QString& key)
{
    if (key.isEmpty())
        return text;
    return QString::fromLatin1(ScrambleBytes(text.toLocal8Bit(), key));
}

QString UnscrambleText(const QString& text, const QString& key)
{
    if (key.isEmpty())
        return text;
    return QString::fromLocal8Bit(UnscrambleBytes(text.toLatin1(), key));
}
