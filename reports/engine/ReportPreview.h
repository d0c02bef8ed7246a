// The preview window: pages through a prepared report, zooms, prints with
// the print dialog and saves to PDF.
#pragma once

#include "reports/engine/ReportDocument.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QScrollArea;

namespace report {

class PreviewPage;

class ReportPreview : public QMainWindow {
    Q_OBJECT
public:
    explicit ReportPreview(ReportDocument doc, QWidget *parent = nullptr);
    // Pages laid out as they are shown or printed.
    explicit ReportPreview(std::unique_ptr<PageSource> pages, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const PageSource &pages() const { return *m_pages; }
    int pageCount() const { return m_pages->pageCount(); }
    int currentPage() const { return m_current; }   // from 1; 0 without pages

    enum class ZoomMode { Percent, PageWidth, WholePage };
    ZoomMode zoomMode() const { return m_mode; }
    // Effective scale of the page on screen, 1.0 = the paper's real size.
    double zoom() const { return m_zoom; }
    void setZoom(double factor);            // switches to ZoomMode::Percent
    void setZoomMode(ZoomMode mode);

    // "第 n 页 / 共 m 页" as the status bar shows it.
    QString statusText() const;
    QWidget *pageWidget() const;
    QAction *firstAction() const { return m_first; }
    QAction *priorAction() const { return m_prior; }
    QAction *nextAction() const { return m_next; }
    QAction *lastAction() const { return m_last; }

    // Prints on a printer already set up (range, copies), without a dialog,
    // under the busy cursor; the current page is the one shown.
    bool print(QPrinter &printer);
    bool savePdf(const QString &path, QString *error = nullptr);

public slots:
    void showPage(int number);
    void firstPage();
    void priorPage();
    void nextPage();
    void lastPage();
    void zoomIn();
    void zoomOut();
    // These two open modal dialogs (through the seam in ui/Ui); they
    // are reached only from the toolbar.
    void printWithDialog();
    void saveWithDialog();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void applyZoom();
    void updateControls();

    std::unique_ptr<PageSource> m_pages;
    int m_current = 0;
    ZoomMode m_mode = ZoomMode::Percent;
    double m_percentZoom = 1.0;
    double m_zoom = 1.0;

    PreviewPage *m_page = nullptr;
    QScrollArea *m_scroll = nullptr;
    QComboBox *m_zoomBox = nullptr;
    QLabel *m_status = nullptr;
    QAction *m_first = nullptr;
    QAction *m_prior = nullptr;
    QAction *m_next = nullptr;
    QAction *m_last = nullptr;
    QAction *m_zoomIn = nullptr;
    QAction *m_zoomOut = nullptr;
};

} // namespace report
