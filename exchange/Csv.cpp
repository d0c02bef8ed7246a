// Text files: the encoding (a byte order mark decides; otherwise UTF-8 when
// every byte sequence is valid UTF-8, else GB18030, which covers what a
// Chinese Windows calls "ANSI"), the separator, and RFC 4180 fields, quoted
// ones spanning lines included. Read in chunks, decoded as they come.
#include "exchange/Read.h"

#include "core/Error.h"
#include "exchange/Write.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace exchange {

bool Row::blank() const
{
    for (const Cell &c : cells) {
        if (c.isValid() && !c.toString().trimmed().isEmpty())
            return false;
    }
    return true;
}

namespace {

constexpr qint64 Chunk = 1 << 16;

QString cannotRead(const QString &path)
{
    return QStringLiteral("无法读取文件 '%1'").arg(QFileInfo(path).fileName());
}

// The byte order mark's encoding and length, or none.
QString bomOf(const QByteArray &head, int *length)
{
    if (head.startsWith("\xEF\xBB\xBF")) {
        *length = 3;
        return encoding::Utf8;
    }
    if (head.startsWith("\xFF\xFE")) {
        *length = 2;
        return encoding::Utf16Le;
    }
    if (head.startsWith("\xFE\xFF")) {
        *length = 2;
        return encoding::Utf16Be;
    }
    *length = 0;
    return QString();
}

QStringDecoder decoderFor(const QString &name)
{
    if (name == encoding::Utf16Le)
        return QStringDecoder(QStringDecoder::Utf16LE);
    if (name == encoding::Utf16Be)
        return QStringDecoder(QStringDecoder::Utf16BE);
    if (name == encoding::Utf8)
        return QStringDecoder(QStringDecoder::Utf8);
    // GB18030 (and GBK, its subset) come through ICU.
    return QStringDecoder(name.toLatin1().constData());
}

class CsvReader : public RowReader {
public:
    CsvReader(const QString &path, const ReadOptions &options) : m_file(path)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw store::Error(cannotRead(path));
        int bomLength = 0;
        const QString bom = bomOf(m_file.peek(4), &bomLength);
        encoding = options.encoding.isEmpty() ? (bom.isEmpty() ? detectEncoding(path) : bom) : options.encoding;
        // A mark of the encoding read is not part of the text.
        if (!bom.isEmpty() && bom == encoding)
            m_file.seek(bomLength);
        m_decoder = decoderFor(encoding);
        if (!m_decoder.isValid())
            throw store::Error(QStringLiteral("不支持的编码 '%1'").arg(encoding));
        separator = options.separator.isNull() ? guessSeparator() : options.separator;
    }

    bool next(Row &row) override
    {
        row.cells.clear();
        row.number = ++m_rowNumber;
        if (!more())
            return false;
        QString field;
        bool quoted = false, wasQuoted = false;
        for (;;) {
            if (!more()) {
                if (quoted)
                    throw store::Error(QStringLiteral("第%1行: 引号没有结束").arg(row.number));
                break;
            }
            const QChar c = m_text.at(m_pos++);
            if (quoted) {
                if (c == u'"') {
                    if (more() && m_text.at(m_pos) == u'"') {
                        field += u'"';
                        ++m_pos;
                    } else {
                        quoted = false;
                    }
                } else {
                    field += c;
                }
            } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
                quoted = wasQuoted = true;
            } else if (c == separator) {
                row.cells.push_back(csvUnprotect(field));
                field.clear();
                wasQuoted = false;
            } else if (c == u'\r' || c == u'\n') {
                if (c == u'\r' && more() && m_text.at(m_pos) == u'\n')
                    ++m_pos;
                break;
            } else {
                field += c;
            }
        }
        row.cells.push_back(csvUnprotect(field));
        return true;
    }

private:
    // Whether text is left, reading the next chunk when the buffer is used up.
    bool more()
    {
        while (m_pos >= m_text.size()) {
            if (m_file.atEnd())
                return false;
            const QByteArray bytes = m_file.read(Chunk);
            if (bytes.isEmpty())
                return false;
            m_text = m_decoder.decode(bytes);
            m_pos = 0;
            if (m_decoder.hasError())
                throw store::Error(QStringLiteral("文件不是 %1 编码的文本").arg(encoding));
        }
        return true;
    }

    // The header line's most frequent separator outside quotes; a comma
    // when it has none.
    QChar guessSeparator()
    {
        const qint64 start = m_file.pos();
        const QString head = decoderFor(encoding).decode(m_file.peek(Chunk));
        int counts[3] = {0, 0, 0};
        bool quoted = false;
        for (QChar c : head) {
            if (c == u'"')
                quoted = !quoted;
            else if (!quoted && (c == u'\n' || c == u'\r'))
                break;
            else if (!quoted && c == u',')
                ++counts[0];
            else if (!quoted && c == u';')
                ++counts[1];
            else if (!quoted && c == u'\t')
                ++counts[2];
        }
        m_file.seek(start);
        const QChar seps[3] = {u',', u';', u'\t'};
        int best = 0;
        for (int i = 1; i < 3; ++i) {
            if (counts[i] > counts[best])
                best = i;
        }
        return seps[best];
    }

    QFile m_file;
    QStringDecoder m_decoder;
    QString m_text;
    qsizetype m_pos = 0;
    int m_rowNumber = 0;
};

} // namespace

QString detectEncoding(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw store::Error(cannotRead(path));
    int bomLength = 0;
    const QString bom = bomOf(f.peek(4), &bomLength);
    if (!bom.isEmpty())
        return bom;
    // Stateful, so that a character across two chunks decodes whole.
    QStringDecoder utf8(QStringDecoder::Utf8);
    while (!f.atEnd()) {
        const QString text = utf8.decode(f.read(Chunk)); // decoding happens on the conversion
        if (utf8.hasError())
            return encoding::Gb18030;
    }
    return encoding::Utf8;
}

std::unique_ptr<RowReader> openXlsx(const QString &path, const ReadOptions &options);

std::unique_ptr<RowReader> openRows(const QString &path, const ReadOptions &options)
{
    if (!QFileInfo::exists(path))
        throw store::Error(QStringLiteral("文件 '%1' 不存在").arg(path));
    if (QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0)
        return openXlsx(path, options);
    return std::make_unique<CsvReader>(path, options);
}

} // namespace exchange
