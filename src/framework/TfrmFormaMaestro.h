#pragma once

#include "TForm.h"

class SDCOMConnection;
class QLabel;
class QVBoxLayout;

// The suite's master form: the frame every module window derives from. Derived forms call
// FormCreate at the end of their own construction, and their handlers call the master's handler of
// the same name at a fixed point of their own sequence.
class TfrmFormaMaestro : public TForm
{
    Q_OBJECT
public:
    explicit TfrmFormaMaestro(QObject *owner, const QString &name, QWidget *parent = nullptr);
    ~TfrmFormaMaestro() override;

    SDCOMConnection *DCOMCnction = nullptr;

    virtual void FormCreate(QObject *sender);
    virtual void cmbEmpresaChange(QObject *sender);
    virtual void SpFiltroFechaClick(QObject *sender);
    // Resizes the window's client area; the host calls it when its workspace changes size.
    virtual void CambiarTamano(int width, int height);
    virtual void CambiarAltura(int height);
    // Registers the report container the form previews and prints through.
    virtual void QvAsignarRptPreview(QObject *&report, int index);

    QObject *RptPreview() const { return m_rptPreview; }
    QVBoxLayout *FrameLayout() const { return m_frameLayout; }

private:
    QVBoxLayout *m_frameLayout;
    QObject *m_rptPreview = nullptr;
};
