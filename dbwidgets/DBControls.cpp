#include "dbwidgets/DBControls.h"

#include "ui/FocusLeave.h"
#include "ui/Guard.h"
#include "data/Table.h"
#include "data/DataSource.h"

#include <QKeyEvent>

namespace store {

bool acceptsChanges(const DataSet *ds) { return qobject_cast<const TTable *>(ds) != nullptr; }

FieldLink::FieldLink(QObject *owner) : QObject(owner) {}

FieldLink::~FieldLink()
{
    if (m_src)
        m_src->removeEditor(this);
}

void FieldLink::setDataSource(TDataSource *src)
{
    QObject::disconnect(m_c1);
    QObject::disconnect(m_c2);
    if (m_src)
        m_src->removeEditor(this);
    m_src = src;
    if (src) {
        m_c1 = connect(src, &TDataSource::recordChanged, this, &FieldLink::changed);
        m_c2 = connect(src, &TDataSource::dataSetChanged, this, &FieldLink::changed);
        if (m_writer)
            src->addEditor(this);
    }
    emit changed();
}

void FieldLink::setWriter(std::function<void()> writer)
{
    m_writer = std::move(writer);
    if (m_src && m_writer)
        m_src->addEditor(this);
    else if (m_src)
        m_src->removeEditor(this);
}

void FieldLink::writePending()
{
    if (m_writer)
        m_writer();
}

TField *FieldLink::field() const
{
    DataSet *ds = dataSet();
    if (!ds || !ds->active())
        return nullptr;
    return ds->findField(m_field);
}

QString FieldLink::text() const
{
    TField *f = field();
    return f ? f->asString() : QString();
}

bool FieldLink::startEdit()
{
    DataSet *ds = dataSet();
    if (!ds || !ds->active() || !field())
        return false;
    if (ds->state() == DataSetState::Browse) {
        if (!m_src->autoEdit())
            return false;
        ds->edit();
    }
    return true;
}

// ----------------------------------------------------------------- TDBEdit

TDBEdit *TDBEdit::bound(QWidget *parent, TDataSource *src, const QString &field, const QRect &r, bool readOnly)
{
    auto *e = new TDBEdit(parent);
    e->setDataSource(src);
    e->setDataField(field);
    e->setReadOnly(readOnly);
    e->setGeometry(r);
    return e;
}

TDBEdit::TDBEdit(QWidget *parent) : QLineEdit(parent), m_link(this)
{
    connect(&m_link, &FieldLink::changed, this, [this] { ui::quietly([this] { showField(); }); });
    m_link.setWriter([this] { updateData(); });
    ui::connectGuarded(this, &QLineEdit::textEdited, this, &TDBEdit::edited);
}

void TDBEdit::showField()
{
    if (m_pending)
        return;
    const QString t = m_link.text();
    if (t != text())
        setText(t);
    setCursorPosition(0);
}

void TDBEdit::keyPressEvent(QKeyEvent *e)
{
    // Escape drops what was typed, as in a data grid.
    if (e->key() == Qt::Key_Escape && m_pending) {
        m_pending = false;
        showField();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TDBEdit::edited()
{
    if (isReadOnly())
        return;
    if (!m_link.startEdit()) {
        showField();
        return;
    }
    m_pending = true;
    if (DataSet *ds = m_link.dataSet())
        ds->markModified();
}

void TDBEdit::updateData()
{
    if (!m_pending)
        return;
    m_pending = false;
    TField *f = m_link.field();
    if (!f)
        return;
    try {
        f->setAsString(text());
    } catch (...) {
        showField();
        throw;
    }
}

void TDBEdit::focusInEvent(QFocusEvent *e)
{
    QLineEdit::focusInEvent(e);
    m_autoSelect.focusIn(this, e);
}

// The text is written when the focus moves to another control of the window;
// a message box or another window taking the focus is no leaving, or the box
// reporting a refused text would be followed by a second report of it.
void TDBEdit::focusOutEvent(QFocusEvent *e)
{
    QLineEdit::focusOutEvent(e);
    m_autoSelect.focusOut(e);
    if (!ui::focusMovedOn(*e))
        return;
    // The toolkit called this: a refused text is reported here, not thrown
    // through it.
    ui::guarded([this] { updateData(); });
}

// ------------------------------------------------------------- TDBComboBox

TDBComboBox::TDBComboBox(QWidget *parent) : QComboBox(parent), m_link(this)
{
    setEditable(false);
    connect(&m_link, &FieldLink::changed, this, [this] { ui::quietly([this] { showField(); }); });
    ui::connectGuarded(this, &QComboBox::activated, this, &TDBComboBox::chosen);
}

void TDBComboBox::showField()
{
    const int i = findText(m_link.text(), Qt::MatchExactly);
    if (i != currentIndex())
        setCurrentIndex(m_link.text().isEmpty() ? -1 : i);
}

void TDBComboBox::chosen(int index)
{
    if (m_readOnly || index < 0)
        return;
    if (!m_link.startEdit()) {
        showField();
        return;
    }
    if (TField *f = m_link.field())
        f->setAsString(itemText(index));
}

void TDBComboBox::mousePressEvent(QMouseEvent *e)
{
    if (m_readOnly) {
        setFocus(Qt::MouseFocusReason);
        return;
    }
    QComboBox::mousePressEvent(e);
}

void TDBComboBox::keyPressEvent(QKeyEvent *e)
{
    if (m_readOnly && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab)
        return;
    QComboBox::keyPressEvent(e);
}

void TDBComboBox::wheelEvent(QWheelEvent *e)
{
    if (m_readOnly)
        return;
    QComboBox::wheelEvent(e);
}

// ----------------------------------------------------------------- TDBText

TDBText::TDBText(QWidget *parent) : QLabel(parent), m_link(this)
{
    connect(&m_link, &FieldLink::changed, this, [this] { ui::quietly([this] { setText(m_link.text()); }); });
}

} // namespace store
