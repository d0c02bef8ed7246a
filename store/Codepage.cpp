#include "store/Codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace store::cp936 {

// Qt lists no GBK codec by enum, but the ICU-backed converter accepts the name.
QByteArray encode(const QString &text)
{
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toLocal8Bit();
    return enc.encode(text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLocal8Bit(bytes);
    return dec.decode(bytes);
}

int byteLength(const QString &text) { return int(encode(text).size()); }

// The encoder puts "?" for what it cannot hold; a text that comes back
// unchanged was held whole.
bool canEncode(const QString &text) { return decode(encode(text)) == text; }

QString cut(const QString &text, int maxBytes)
{
    if (maxBytes <= 0)
        return text;
    const QByteArray all = encode(text);
    if (all.size() <= maxBytes)
        return text;
    // Walk whole characters (surrogate pairs kept together) until the next
    // one would pass the limit.
    QString out;
    int used = 0;
    for (int i = 0; i < text.size();) {
        const int len = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString ch = text.mid(i, len);
        const int n = int(encode(ch).size());
        if (used + n > maxBytes)
            break;
        out += ch;
        used += n;
        i += len;
    }
    return out;
}

} // namespace store::cp936
