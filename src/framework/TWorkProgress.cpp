#include "TWorkProgress.h"

#include "TApplication.h"

#include <QApplication>
#include <QProgressDialog>

TWorkProgress::TWorkProgress(const QString &title, const QString &label, QWidget *parent)
    : m_title(title), m_label(label), m_parent(parent),
      m_interactive(qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr &&
                    Application()->PrintToPdfFile.isEmpty() && Application()->PrintToXlsxFile.isEmpty())
{
    m_clock.start();
}

TWorkProgress::~TWorkProgress() = default;

bool TWorkProgress::Step(int done, int total, const QString &label)
{
    if (!m_interactive || m_clock.elapsed() < 1000)
        return true;
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("Cancelar"), 0, total, m_parent);
        m_dialog->setWindowTitle(m_title);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
    }
    if (!label.isEmpty())
        m_dialog->setLabelText(label);
    m_dialog->setMaximum(total);
    m_dialog->setValue(total > 0 ? done : 0);
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}
