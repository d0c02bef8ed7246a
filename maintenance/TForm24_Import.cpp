#include "maintenance/TForm24_Import.h"

#include "core/Error.h"
#include "core/Globals.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"
#include "ui/BusyCursor.h"
#include "ui/Guard.h"
#include "ui/Ui.h"

#include <QFileInfo>
#include <QHeaderView>

namespace {

QString separatorName(QChar c)
{
    return c == u',' ? QStringLiteral("逗号") : c == u';' ? QStringLiteral("分号") : c == u'\t' ? QStringLiteral("制表符") : QString();
}

} // namespace

TForm24_Import::TForm24_Import(QWidget *parent) : TForm(parent)
{
    const QString caption = QStringLiteral("导入数据");
    const QFont font = design(QStringLiteral("Form24_Import"), caption, QSize(536, 456));
    centreOnScreen();
    Form_Import = new TSkinForm(this, caption, {TitleButtonType::ControlBox, TitleButtonType::Close});

    addLabel(QStringLiteral("导入到:"), 8, 40);
    ComboBox_Table = new QComboBox(this);
    ComboBox_Table->setObjectName(QStringLiteral("ComboBox_Table"));
    ComboBox_Table->setGeometry(64, 36, 140, 21);
    for (const exchange::TableDef &t : exchange::tableDefs())
        ComboBox_Table->addItem(t.name);
    CheckBox_Update = new QCheckBox(QStringLiteral("更新已有记录 (按学号等编号)"), this);
    CheckBox_Update->setObjectName(QStringLiteral("CheckBox_Update"));
    CheckBox_Update->setGeometry(220, 36, 300, 21);

    addLabel(QStringLiteral("文件:"), 8, 68);
    Edit_File = new QLineEdit(this);
    Edit_File->setObjectName(QStringLiteral("Edit_File"));
    Edit_File->setGeometry(64, 64, 376, 21);
    Button_Browse = new TSkinButton(QStringLiteral("浏览..."), this);
    Button_Browse->setObjectName(QStringLiteral("Button_Browse"));
    Button_Browse->setGeometry(448, 63, 80, 23);

    addLabel(QStringLiteral("编码:"), 8, 96);
    ComboBox_Encoding = new QComboBox(this);
    ComboBox_Encoding->setObjectName(QStringLiteral("ComboBox_Encoding"));
    ComboBox_Encoding->setGeometry(64, 92, 100, 21);
    ComboBox_Encoding->addItems({QStringLiteral("自动"), exchange::encoding::Utf8, exchange::encoding::Gb18030,
                                 exchange::encoding::Utf16Le, exchange::encoding::Utf16Be});
    addLabel(QStringLiteral("分隔符:"), 172, 96);
    ComboBox_Separator = new QComboBox(this);
    ComboBox_Separator->setObjectName(QStringLiteral("ComboBox_Separator"));
    ComboBox_Separator->setGeometry(228, 92, 80, 21);
    ComboBox_Separator->addItems({QStringLiteral("自动"), QStringLiteral("逗号"), QStringLiteral("分号"), QStringLiteral("制表符")});
    addLabel(QStringLiteral("工作表:"), 318, 96);
    ComboBox_Sheet = new QComboBox(this);
    ComboBox_Sheet->setObjectName(QStringLiteral("ComboBox_Sheet"));
    ComboBox_Sheet->setGeometry(376, 92, 152, 21);

    Grid_Preview = new QTableWidget(this);
    Grid_Preview->setObjectName(QStringLiteral("Grid_Preview"));
    Grid_Preview->setGeometry(8, 120, 520, 140);
    Grid_Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid_Preview->verticalHeader()->setDefaultSectionSize(18);

    Label_Mapping = new QLabel(this);
    Label_Mapping->setObjectName(QStringLiteral("Label_Mapping"));
    Label_Mapping->setGeometry(8, 264, 520, 36);
    Label_Mapping->setWordWrap(true);
    Label_Mapping->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label_Result = new QLabel(this);
    Label_Result->setObjectName(QStringLiteral("Label_Result"));
    Label_Result->setGeometry(8, 304, 520, 18);
    List_Refused = new QListWidget(this);
    List_Refused->setObjectName(QStringLiteral("List_Refused"));
    List_Refused->setGeometry(8, 324, 520, 92);

    Button_Check = new TSkinButton(QStringLiteral("检查 &C"), this);
    Button_Check->setObjectName(QStringLiteral("Button_Check"));
    Button_Check->setGeometry(200, 424, 80, 23);
    Button_Import = new TSkinButton(QStringLiteral("导入 &I"), this);
    Button_Import->setObjectName(QStringLiteral("Button_Import"));
    Button_Import->setGeometry(290, 424, 80, 23);
    Button_Import->setEnabled(false);
    Button_Close = new TSkinButton(QStringLiteral("关闭"), this);
    Button_Close->setObjectName(QStringLiteral("Button_Close"));
    Button_Close->setGeometry(380, 424, 80, 23);
    for (TSkinButton *b : {Button_Browse, Button_Check, Button_Import, Button_Close})
        b->setFont(font);

    ui::connectGuarded(Button_Browse, &TSkinButton::clicked, this, &TForm24_Import::Button_BrowseClick);
    ui::connectGuarded(Button_Check, &TSkinButton::clicked, this, &TForm24_Import::Button_CheckClick);
    ui::connectGuarded(Button_Import, &TSkinButton::clicked, this, &TForm24_Import::Button_ImportClick);
    ui::connectGuarded(Button_Close, &TSkinButton::clicked, this, &TForm24_Import::Button_CloseClick);
    ui::connectGuarded(Edit_File, &QLineEdit::editingFinished, this, &TForm24_Import::ShowPreview);
    for (QComboBox *c : {ComboBox_Encoding, ComboBox_Separator, ComboBox_Sheet}) {
        ui::connectGuarded(c, &QComboBox::currentIndexChanged, this, [this] {
            if (!m_filling)
                ShowPreview();
        });
    }
    ui::connectGuarded(ComboBox_Table, &QComboBox::currentIndexChanged, this, [this] { invalidateCheck(); });
    ui::connectGuarded(CheckBox_Update, &QCheckBox::toggled, this, [this] { invalidateCheck(); });
}

void TForm24_Import::FormShow() { invalidateCheck(); }

const exchange::TableDef &TForm24_Import::table() const
{
    return exchange::tableDefs().at(size_t(std::max(0, ComboBox_Table->currentIndex())));
}

exchange::ImportOptions TForm24_Import::options() const
{
    exchange::ImportOptions o;
    if (ComboBox_Encoding->currentIndex() > 0)
        o.read.encoding = ComboBox_Encoding->currentText();
    static const QChar separators[] = {QChar(), u',', u';', u'\t'};
    o.read.separator = separators[std::clamp(ComboBox_Separator->currentIndex(), 0, 3)];
    if (ComboBox_Sheet->currentIndex() > 0)
        o.read.sheet = ComboBox_Sheet->currentText();
    o.update = CheckBox_Update->isChecked();
    return o;
}

void TForm24_Import::invalidateCheck()
{
    Button_Import->setEnabled(false);
    Label_Result->clear();
    List_Refused->clear();
}

void TForm24_Import::Button_BrowseClick()
{
    ui::FileChoice choice;
    choice.title = QStringLiteral("选择要导入的文件");
    choice.filter = QStringLiteral("Excel 或文本文件 (*.xlsx *.csv *.txt);;所有文件 (*)");
    choice.owner = this;
    const QString file = ui::chooseFile(choice);
    if (file.isEmpty())
        return;
    Edit_File->setText(file);
    m_filling = true;
    ComboBox_Sheet->clear();
    ComboBox_Encoding->setCurrentIndex(0);
    ComboBox_Separator->setCurrentIndex(0);
    m_filling = false;
    ShowPreview();
}

void TForm24_Import::ShowPreview()
{
    invalidateCheck();
    Grid_Preview->clear();
    Grid_Preview->setRowCount(0);
    Grid_Preview->setColumnCount(0);
    Label_Mapping->clear();
    if (Edit_File->text().isEmpty())
        return;
    const exchange::ImportOptions o = options();
    auto reader = exchange::openRows(Edit_File->text(), o.read);
    const bool xlsx = !reader->sheets.isEmpty();
    m_filling = true;
    if (ComboBox_Sheet->count() == 0 && xlsx) {
        ComboBox_Sheet->addItem(QStringLiteral("第一个"));
        ComboBox_Sheet->addItems(reader->sheets);
    }
    ComboBox_Sheet->setEnabled(xlsx);
    ComboBox_Encoding->setEnabled(!xlsx);
    ComboBox_Separator->setEnabled(!xlsx);
    m_filling = false;
    exchange::Row row;
    QStringList header;
    while (reader->next(row) && row.blank()) {
    }
    for (const exchange::Cell &c : row.cells)
        header << c.toString();
    Grid_Preview->setColumnCount(int(header.size()));
    Grid_Preview->setHorizontalHeaderLabels(header);
    for (int shown = 0; shown < 10 && reader->next(row);) {
        if (row.blank())
            continue;
        Grid_Preview->insertRow(shown);
        Grid_Preview->setVerticalHeaderItem(shown, new QTableWidgetItem(QString::number(row.number)));
        for (size_t c = 0; c < row.cells.size() && int(c) < header.size(); ++c) {
            const exchange::Cell &cell = row.cells[c];
            const QString text = cell.typeId() == QMetaType::QDate ? cell.toDate().toString(QStringLiteral("yyyy-MM-dd"))
                                                                    : cell.toString();
            Grid_Preview->setItem(shown, int(c), new QTableWidgetItem(text));
        }
        ++shown;
    }
    if (!xlsx)
        Label_Result->setText(QStringLiteral("编码: %1, 分隔符: %2").arg(reader->encoding, separatorName(reader->separator)));
}

void TForm24_Import::showOutcome(const exchange::ImportOutcome &outcome)
{
    QString mapping = QStringLiteral("对应的字段: ") + outcome.mapping.join(QStringLiteral(", "));
    if (!outcome.ignored.isEmpty())
        mapping += QStringLiteral("; 不导入的列: ") + outcome.ignored.join(QStringLiteral(", "));
    Label_Mapping->setText(mapping);
    Label_Result->setText(outcome.cancelled ? QStringLiteral("检查已取消") : outcome.summary());
    List_Refused->clear();
    List_Refused->addItems(outcome.refusalLines());
    Button_Import->setEnabled(!outcome.cancelled && outcome.refused.empty() && outcome.added + outcome.updated > 0);
}

void TForm24_Import::Button_CheckClick()
{
    invalidateCheck();
    if (Edit_File->text().isEmpty()) {
        ui::messageBox(QStringLiteral("请先选择要导入的文件!"), QStringLiteral("系统提示"), ui::Icon::Information);
        return;
    }
    exchange::ImportOptions o = options();
    o.dryRun = true;
    // Nothing is written while checking, so the window may show its
    // progress and take a cancel.
    ui::Progress progress(this, QStringLiteral("检查"), QStringLiteral("正在检查..."), 0);
    o.progress = [&progress](int rows) { return progress.step(QStringLiteral("已检查 %1 行").arg(rows), rows); };
    showOutcome(exchange::importTable(DataPath, table(), Edit_File->text(), o));
}

void TForm24_Import::Button_ImportClick()
{
    if (UserRight != 1) {
        ui::permissionRefused();
        return;
    }
    exchange::ImportOutcome outcome;
    {
        ui::BusyCursor busy;
        outcome = exchange::importTable(DataPath, table(), Edit_File->text(), options());
    }
    showOutcome(outcome);
    Button_Import->setEnabled(false);
    if (!outcome.refused.empty()) {
        // Another clerk changed the table since the check.
        ui::messageBox(QStringLiteral("有 %1 行被拒绝, 没有导入任何记录!").arg(outcome.refused.size()),
                       QStringLiteral("系统提示"), ui::Icon::Warning);
        return;
    }
    ui::messageBox(QStringLiteral("导入完成: ") + outcome.summary(), QStringLiteral("导入数据"), ui::Icon::Information);
}

void TForm24_Import::Button_CloseClick() { close(); }
