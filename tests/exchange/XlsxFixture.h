// A small .xlsx made the way Excel saves one, for the import tests.
#pragma once

#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QtTest>

#include <zip.h>

namespace {

// A workbook as Excel saves it: shared strings, a number, a date stored as
// a serial number with a date style, a blank row between the students.
inline void writeXlsx(const QString &path)
{
    const QList<QPair<QString, QByteArray>> parts = {
        {QStringLiteral("xl/workbook.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet name=\"名单\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
        {QStringLiteral("xl/styles.xml"),
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><numFmts count=\"1\"><numFmt numFmtId=\"176\" formatCode=\"yyyy&quot;年&quot;m&quot;月&quot;d&quot;日&quot;\"/></numFmts><cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/><xf numFmtId=\"176\" applyNumberFormat=\"1\"/></cellXfs></styleSheet>"},
        {QStringLiteral("xl/sharedStrings.xml"),
         QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>学号</t></si><si><t>姓名</t></si><si><t>性别</t></si><si><t>出生日期</t></si><si><t>入学日期</t></si><si><t>00123</t></si><si><r><t>张</t></r><r><t>三</t></r></si><si><t>男</t></si><si><t>女</t></si></sst>")
             .toUtf8()},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
                        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c></row>"
                        "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>5</v></c><c r=\"B2\" t=\"s\"><v>6</v></c><c r=\"C2\" t=\"s\"><v>7</v></c><c r=\"D2\" s=\"1\"><v>39818</v></c><c r=\"E2\" t=\"inlineStr\"><is><t>2009-09-01</t></is></c></row>"
                        "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>00124</t></is></c><c r=\"B4\" t=\"inlineStr\"><is><t>李,四</t></is></c><c r=\"C4\" t=\"s\"><v>8</v></c><c r=\"D4\" s=\"2\"><v>39818</v></c><c r=\"E4\"><v>20090901</v></c></row>"
                        "</sheetData></worksheet>")
             .toUtf8()},
    };
    zipFile zf = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    QVERIFY(zf);
    for (const auto &[name, data] : parts) {
        QCOMPARE(zipOpenNewFileInZip(zf, name.toUtf8().constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                     Z_DEFAULT_COMPRESSION),
                 ZIP_OK);
        zipWriteInFileInZip(zf, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(zf);
    }
    QCOMPARE(zipClose(zf, nullptr), ZIP_OK);
}

} // namespace
