// The import window: a spreadsheet's rows into one table. The clerk picks
// the table and the file, sees its first rows as decoded (encoding,
// separator and sheet can be changed) and how its headers map to the
// fields, has every row checked (new, updated, unchanged, refused with the
// reason), and imports once nothing is refused: all of it as one action.
#pragma once

#include "exchange/Import.h"
#include "ui/Form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>

class TSkinForm;
class TSkinButton;

class TForm24_Import : public TForm {
    Q_OBJECT
public:
    explicit TForm24_Import(QWidget *parent = nullptr);

    void Button_BrowseClick();
    // The first rows again, with the encoding, separator and sheet chosen.
    void ShowPreview();
    // Every row checked; nothing written.
    void Button_CheckClick();
    // Checked again under the write lock and written, or refused as a whole.
    void Button_ImportClick();
    void Button_CloseClick();

    TSkinForm *Form_Import;
    QComboBox *ComboBox_Table, *ComboBox_Encoding, *ComboBox_Separator, *ComboBox_Sheet;
    QLineEdit *Edit_File;
    QCheckBox *CheckBox_Update;
    QTableWidget *Grid_Preview;
    QLabel *Label_Mapping, *Label_Result;
    QListWidget *List_Refused;
    TSkinButton *Button_Browse, *Button_Check, *Button_Import, *Button_Close;

protected:
    void FormShow() override;

private:
    exchange::ImportOptions options() const;
    const exchange::TableDef &table() const;
    void showOutcome(const exchange::ImportOutcome &outcome);
    // Anything changed since the check: it must be checked again.
    void invalidateCheck();
    bool m_filling = false;
};
