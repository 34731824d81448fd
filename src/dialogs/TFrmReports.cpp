#include "TFrmReports.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QPixmap bannerPixmap(int width, int height)
{
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(31, 73, 125));
    gradient.setColorAt(1, QColor(79, 129, 189));
    painter.fillRect(pixmap.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(16, 0, width - 32, height), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Reportes SG-SST"));
    font.setPointSize(8);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(16, 0, width - 32, height - 6), Qt::AlignBottom | Qt::AlignRight,
                     QStringLiteral("Autoevaluación de Estándares Mínimos"));
    return pixmap;
}

} // namespace

TFrmReports::TFrmReports(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FrmReports"));
    setWindowTitle(QStringLiteral("Reportes"));
    // A fixed single border with only the system menu.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    ImgBanner = new QLabel(this);
    ImgBanner->setObjectName(QStringLiteral("ImgBanner"));
    ImgBanner->setPixmap(bannerPixmap(340, 56));
    layout->addWidget(ImgBanner);

    RGrpOpcRepo = new QGroupBox(QStringLiteral("Reportes"), this);
    RGrpOpcRepo->setObjectName(QStringLiteral("RGrpOpcRepo"));
    RGrpOpcRepoItems = new QButtonGroup(this);
    auto *items = new QVBoxLayout(RGrpOpcRepo);
    const QStringList names = {QStringLiteral("Tabla Valores"), QStringLiteral("Gráfico por Ciclo"),
                               QStringLiteral("Gráfico por Estándar"), QStringLiteral("Plan Anual SGSST"),
                               QStringLiteral("Plan Anual SGSST Unificado")};
    for (int i = 0; i < names.size(); ++i) {
        auto *radio = new QRadioButton(names[i], RGrpOpcRepo);
        RGrpOpcRepoItems->addButton(radio, i);
        items->addWidget(radio);
    }
    auto *margins = new QHBoxLayout;
    margins->setContentsMargins(10, 4, 10, 4);
    margins->addWidget(RGrpOpcRepo);
    layout->addLayout(margins);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(10, 0, 10, 0);
    buttons->addStretch();
    BtnAceptar = new QPushButton(QStringLiteral("Aceptar"), this);
    BtnAceptar->setDefault(true);
    BtnCancelar = new QPushButton(QStringLiteral("Cancelar"), this);
    buttons->addWidget(BtnAceptar);
    buttons->addWidget(BtnCancelar);
    layout->addLayout(buttons);
    connect(BtnAceptar, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancelar, &QPushButton::clicked, this, &QDialog::reject);

    SetItemIndex(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    if (owner && owner->window()) {
        adjustSize();
        const QRect area = owner->window()->geometry();
        move(area.center() - rect().center());
    }
}

int TFrmReports::ItemIndex() const
{
    return RGrpOpcRepoItems->checkedId();
}

void TFrmReports::SetItemIndex(int index)
{
    if (QAbstractButton *button = RGrpOpcRepoItems->button(index)) {
        button->setChecked(true);
        return;
    }
    // No item: the group is made non-exclusive for a moment so every button can be cleared.
    RGrpOpcRepoItems->setExclusive(false);
    for (QAbstractButton *button : RGrpOpcRepoItems->buttons())
        button->setChecked(false);
    RGrpOpcRepoItems->setExclusive(true);
}
