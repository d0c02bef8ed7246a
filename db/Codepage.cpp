#include "db/Codepage.h"

#include "core/Error.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace store::cp936 {

namespace {

// Qt lists no GBK codec by enum, but the ICU-backed converter accepts the name.
QByteArray &converterName()
{
    static QByteArray name("GBK");
    return name;
}

} // namespace

void setConverterNameForTesting(const QByteArray &name)
{
    converterName() = name.isEmpty() ? QByteArray("GBK") : name;
}

bool available()
{
    return QStringEncoder(converterName().constData()).isValid()
           && QStringDecoder(converterName().constData()).isValid();
}

QString unavailableText()
{
    return QStringLiteral("这个 Qt/ICU 安装中没有 GBK 代码页(936)的转换器,程序无法启动。"
                          "记录中文字的长度和口令都按 GBK 的字节计算,不能换用别的代码页。"
                          "请安装带 ICU 支持的 Qt 6(Debian 软件包 libqt6core6 与 libicu)后再启动");
}

QByteArray encode(const QString &text)
{
    QStringEncoder enc(converterName().constData());
    if (!enc.isValid())
        throw Error(unavailableText());
    return enc.encode(text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder dec(converterName().constData());
    if (!dec.isValid())
        throw Error(unavailableText());
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
