// The sheets of an .xlsx file: a zip container of XML parts, read through
// minizip and QXmlStreamReader. The shared strings and the cell styles are
// read first (a style tells a date from a number); a sheet is then read row
// by row as it is inflated.
#include "exchange/Read.h"

#include "core/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>

#include <unzip.h>

#include <cmath>

namespace exchange {

namespace {

QString unreadable(const QString &path)
{
    return QStringLiteral("文件 '%1' 不是有效的 Excel (.xlsx) 文件").arg(QFileInfo(path).fileName());
}

// One part of the container, inflated a chunk at a time into a stream reader.
class Part {
public:
    Part(unzFile zip, const QString &name, const QString &path) : m_zip(zip), m_path(path)
    {
        if (unzLocateFile(zip, name.toUtf8().constData(), 0) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
            throw store::Error(unreadable(path));
        m_open = true;
    }
    ~Part()
    {
        if (m_open)
            unzCloseCurrentFile(m_zip);
    }
    Part(const Part &) = delete;
    Part &operator=(const Part &) = delete;

    // The next token, inflating more of the part when the reader runs dry.
    QXmlStreamReader::TokenType readNext()
    {
        for (;;) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
                if (xml.hasError())
                    throw store::Error(unreadable(m_path));
                return t;
            }
            char buffer[1 << 16];
            const int n = unzReadCurrentFile(m_zip, buffer, sizeof buffer);
            if (n < 0)
                throw store::Error(unreadable(m_path));
            if (n == 0)
                return QXmlStreamReader::EndDocument;
            xml.addData(QByteArray(buffer, n));
        }
    }
    // The text up to the end of the element the reader is in.
    QString elementText()
    {
        QString text;
        int depth = 1;
        while (depth > 0) {
            const auto t = readNext();
            if (t == QXmlStreamReader::EndDocument)
                break;
            if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement)
                --depth;
            else if (t == QXmlStreamReader::Characters)
                text += xml.text();
        }
        return text;
    }

    QXmlStreamReader xml;

private:
    unzFile m_zip;
    QString m_path;
    bool m_open = false;
};

bool hasPart(unzFile zip, const QString &name) { return unzLocateFile(zip, name.toUtf8().constData(), 0) == UNZ_OK; }

// Whether a number format shows a date: the built-in date formats, or a
// format of its own with a day, month or year outside quotes and brackets.
bool dateFormat(int id, const QString &code)
{
    if ((id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58))
        return true;
    bool quoted = false;
    int bracket = 0;
    for (QChar c : code) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'[')
            ++bracket;
        else if (!quoted && c == u']')
            --bracket;
        else if (!quoted && bracket == 0 && QStringLiteral("dDyY").contains(c))
            return true;
    }
    return false;
}

// "BC12" -> 54 (0-based column).
int columnOf(QStringView ref)
{
    int col = 0;
    for (QChar c : ref) {
        if (c < u'A' || c > u'Z')
            break;
        col = col * 26 + (c.unicode() - u'A' + 1);
    }
    return col - 1;
}

class XlsxReader : public RowReader {
public:
    XlsxReader(const QString &path, const ReadOptions &options) : m_path(path)
    {
        m_zip = unzOpen64(QFile::encodeName(path).constData());
        if (!m_zip)
            throw store::Error(unreadable(path));
        const QString target = findSheet(options.sheet);
        if (hasPart(m_zip, QStringLiteral("xl/sharedStrings.xml")))
            readStrings();
        if (hasPart(m_zip, QStringLiteral("xl/styles.xml")))
            readStyles();
        m_sheet = std::make_unique<Part>(m_zip, target, path);
    }
    ~XlsxReader() override
    {
        m_sheet.reset();
        unzClose(m_zip);
    }

    bool next(Row &row) override
    {
        row.cells.clear();
        // Rows the sheet leaves out are blank.
        if (m_pending.number > 0 && m_pending.number > m_last + 1) {
            row.number = ++m_last;
            return true;
        }
        if (m_pending.number > 0) {
            row = std::move(m_pending);
            m_pending = Row();
            m_last = row.number;
            return true;
        }
        if (!readRow(m_pending))
            return false;
        return next(row);
    }

private:
    QString findSheet(const QString &wanted)
    {
        QString id;
        {
            Part workbook(m_zip, QStringLiteral("xl/workbook.xml"), m_path);
            while (workbook.readNext() != QXmlStreamReader::EndDocument) {
                if (!workbook.xml.isStartElement())
                    continue;
                const auto a = workbook.xml.attributes();
                if (workbook.xml.name() == QLatin1String("workbookPr"))
                    m_1904 = a.value(QLatin1String("date1904")) == QLatin1String("1") ||
                             a.value(QLatin1String("date1904")) == QLatin1String("true");
                if (workbook.xml.name() != QLatin1String("sheet"))
                    continue;
                const QString name = a.value(QLatin1String("name")).toString();
                sheets << name;
                QString rid;
                for (const QXmlStreamAttribute &attr : a) {
                    if (attr.name() == QLatin1String("id"))
                        rid = attr.value().toString();
                }
                if (id.isEmpty() && (wanted.isEmpty() || wanted == name)) {
                    id = rid;
                    sheet = name;
                }
            }
        }
        if (id.isEmpty())
            throw store::Error(wanted.isEmpty() ? unreadable(m_path)
                                                : QStringLiteral("文件中没有名为 '%1' 的工作表").arg(wanted));
        Part rels(m_zip, QStringLiteral("xl/_rels/workbook.xml.rels"), m_path);
        while (rels.readNext() != QXmlStreamReader::EndDocument) {
            if (rels.xml.isStartElement() && rels.xml.attributes().value(QLatin1String("Id")) == id) {
                QString target = rels.xml.attributes().value(QLatin1String("Target")).toString();
                return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
            }
        }
        throw store::Error(unreadable(m_path));
    }

    void readStrings()
    {
        Part part(m_zip, QStringLiteral("xl/sharedStrings.xml"), m_path);
        QString current;
        bool inItem = false;
        while (part.readNext() != QXmlStreamReader::EndDocument) {
            if (part.xml.isStartElement()) {
                if (part.xml.name() == QLatin1String("si")) {
                    inItem = true;
                    current.clear();
                } else if (part.xml.name() == QLatin1String("rPh")) {
                    part.elementText(); // the reading aid above the text is not the text
                } else if (inItem && part.xml.name() == QLatin1String("t")) {
                    current += part.elementText();
                }
            } else if (part.xml.isEndElement() && part.xml.name() == QLatin1String("si")) {
                m_strings << current;
                inItem = false;
            }
        }
    }

    void readStyles()
    {
        Part part(m_zip, QStringLiteral("xl/styles.xml"), m_path);
        QHash<int, QString> codes;
        bool inXfs = false;
        while (part.readNext() != QXmlStreamReader::EndDocument) {
            const auto a = part.xml.attributes();
            if (part.xml.isStartElement() && part.xml.name() == QLatin1String("numFmt"))
                codes.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
            else if (part.xml.name() == QLatin1String("cellXfs"))
                inXfs = part.xml.isStartElement();
            else if (inXfs && part.xml.isStartElement() && part.xml.name() == QLatin1String("xf")) {
                const int id = a.value(QLatin1String("numFmtId")).toInt();
                m_dateStyles.push_back(dateFormat(id, codes.value(id)));
            }
        }
    }

    QDate serialDate(double serial) const
    {
        // Day 1 is 1900-01-01, and the day counted for 1900-02-29 (which
        // was no day) shifts the later ones by one; 1904 workbooks count
        // from 1904-01-01.
        const qint64 day = qint64(std::floor(serial));
        if (m_1904)
            return QDate(1904, 1, 1).addDays(day);
        return QDate(1899, 12, 30).addDays(day < 61 ? day + 1 : day);
    }

    bool readRow(Row &row)
    {
        row = Row();
        while (m_sheet->readNext() != QXmlStreamReader::EndDocument) {
            QXmlStreamReader &xml = m_sheet->xml;
            if (xml.isStartElement() && xml.name() == QLatin1String("row")) {
                const int r = xml.attributes().value(QLatin1String("r")).toInt();
                row.number = r > 0 ? r : m_last + 1;
            } else if (xml.isStartElement() && xml.name() == QLatin1String("c")) {
                readCell(row);
            } else if (xml.isEndElement() && xml.name() == QLatin1String("row")) {
                return true;
            }
        }
        return false;
    }

    void readCell(Row &row)
    {
        QXmlStreamReader &xml = m_sheet->xml;
        const auto a = xml.attributes();
        const QString type = a.value(QLatin1String("t")).toString();
        const int style = a.value(QLatin1String("s")).toInt();
        const QString ref = a.value(QLatin1String("r")).toString();
        const int col = ref.isEmpty() ? int(row.cells.size()) : columnOf(ref);
        QString value, inlineText;
        int depth = 1;
        while (depth > 0) {
            const auto t = m_sheet->readNext();
            if (t == QXmlStreamReader::EndDocument)
                break;
            if (t == QXmlStreamReader::StartElement) {
                if (xml.name() == QLatin1String("v"))
                    value = m_sheet->elementText();
                else if (xml.name() == QLatin1String("t"))
                    inlineText += m_sheet->elementText();
                else if (xml.name() == QLatin1String("rPh"))
                    m_sheet->elementText();
                else
                    ++depth;
            } else if (t == QXmlStreamReader::EndElement) {
                --depth;
            }
        }
        Cell cell;
        if (type == QLatin1String("s")) {
            const int i = value.toInt();
            if (i >= 0 && i < m_strings.size())
                cell = m_strings.at(i);
        } else if (type == QLatin1String("inlineStr")) {
            cell = inlineText;
        } else if (type == QLatin1String("str") || type == QLatin1String("e")) {
            cell = value;
        } else if (type == QLatin1String("b")) {
            cell = value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        } else if (!value.isEmpty()) {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok)
                cell = value;
            else if (style >= 0 && size_t(style) < m_dateStyles.size() && m_dateStyles[size_t(style)])
                cell = serialDate(d);
            else
                cell = d;
        }
        if (col < 0 || col > 16383)
            return;
        if (row.cells.size() <= size_t(col))
            row.cells.resize(size_t(col) + 1);
        row.cells[size_t(col)] = cell;
    }

    QString m_path;
    unzFile m_zip = nullptr;
    QStringList m_strings;
    std::vector<bool> m_dateStyles;
    bool m_1904 = false;
    std::unique_ptr<Part> m_sheet;
    Row m_pending;
    int m_last = 0;
};

} // namespace

std::unique_ptr<RowReader> openXlsx(const QString &path, const ReadOptions &options)
{
    return std::make_unique<XlsxReader>(path, options);
}

} // namespace exchange
