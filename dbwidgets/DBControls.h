// Data-aware edit box, drop-down list and text label: each shows one field of
// the current record of its data source and follows its cursor.
#pragma once

#include "skin/SkinAutoSelect.h"
#include "data/DataSet.h"
#include "data/DataSource.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include <functional>

namespace store {

// Whether a dataset takes changes at all: a query's result never does, so the
// controls on it offer no editing rather than failing on every attempt.
bool acceptsChanges(const DataSet *ds);

// Keeps a control tied to a data source and a field name. What listens to
// changed() only shows the field: a failure to read it is reported later,
// never thrown back into the dataset that announced the change.
class FieldLink : public QObject, private PendingEdit {
    Q_OBJECT
public:
    explicit FieldLink(QObject *owner);
    ~FieldLink() override;
    void setDataSource(TDataSource *src);
    // A control that keeps typed text: writer writes it to the field, and
    // the dataset calls it before it posts or moves.
    void setWriter(std::function<void()> writer);
    TDataSource *dataSource() const { return m_src; }
    void setDataField(const QString &name) { m_field = name; emit changed(); }
    QString dataField() const { return m_field; }
    DataSet *dataSet() const { return m_src ? m_src->dataSet() : nullptr; }
    // The field, or null while the dataset is closed or has no such field.
    TField *field() const;
    QString text() const;
    // Puts the record into edit state for typing, if the source allows it.
    bool startEdit();

signals:
    void changed();

private:
    void writePending() override;
    QPointer<TDataSource> m_src;
    QString m_field;
    std::function<void()> m_writer;
    QMetaObject::Connection m_c1, m_c2;
};

class TDBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TDBEdit(QWidget *parent = nullptr);
    // A box at r showing field of src; read-only until a window's modify
    // button opens it for typing.
    static TDBEdit *bound(QWidget *parent, TDataSource *src, const QString &field, const QRect &r,
                          bool readOnly = true);
    void setDataSource(TDataSource *src) { m_link.setDataSource(src); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    TDataSource *dataSource() const { return m_link.dataSource(); }
    QString dataField() const { return m_link.dataField(); }
    // Writes typed text to the field now. A text the field refuses raises
    // its error once and is dropped: the box shows the field again, so that
    // the next post or move does not fail on it over and over.
    void updateData();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    void showField();
    void edited();
    FieldLink m_link;
    SkinAutoSelect m_autoSelect;
    bool m_pending = false;
};

class TDBComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDBComboBox(QWidget *parent = nullptr);
    void setDataSource(TDataSource *src) { m_link.setDataSource(src); }
    void setDataField(const QString &name) { m_link.setDataField(name); }
    void setReadOnly(bool ro) { m_readOnly = ro; }
    bool isReadOnly() const { return m_readOnly; }
    // Re-reads the field after the item list changed.
    void showField();

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void wheelEvent(QWheelEvent *e) override;

private:
    void chosen(int index);
    FieldLink m_link;
    bool m_readOnly = false;
};

class TDBText : public QLabel {
    Q_OBJECT
public:
    explicit TDBText(QWidget *parent = nullptr);
    void setDataSource(TDataSource *src) { m_link.setDataSource(src); }
    void setDataField(const QString &name) { m_link.setDataField(name); }

private:
    FieldLink m_link;
};

} // namespace store
