#pragma once

#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

// The progress of work the user waits for (preparing a report, writing a workbook): once it has
// lasted a second a window-modal progress dialog shows how far it is and offers "Cancelar". Nothing
// is shown without a QApplication or while the host writes a report headless.
class TWorkProgress
{
public:
    TWorkProgress(const QString &title, const QString &label, QWidget *parent);
    ~TWorkProgress();

    // done of total steps (total 0: unknown, done counts pages); `label` replaces the dialog's text
    // when given. False once the user cancelled.
    bool Step(int done, int total, const QString &label = QString());

private:
    QString m_title, m_label;
    QWidget *m_parent;
    QElapsedTimer m_clock;
    bool m_interactive;
    std::unique_ptr<QProgressDialog> m_dialog;
};
