#include "controls/TQbeDialog.h"

#include "controls/TQSDBQbe.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr TQbeOperator kOperators[] = {TQbeOperator::Equal,          TQbeOperator::NotEqual,  TQbeOperator::Greater,
                                       TQbeOperator::GreaterOrEqual, TQbeOperator::Less,      TQbeOperator::LessOrEqual,
                                       TQbeOperator::Contains,       TQbeOperator::StartsWith};
} // namespace

TQbeDialog::TQbeDialog(const QList<QPair<QString, QString>> &fields, const QList<TQbeCriterion> &criteria,
                       QWidget *parent)
    : QDialog(parent), m_fields(fields), m_table(new QTableWidget(0, 3, this)), m_error(new QLabel(this))
{
    setObjectName(QStringLiteral("TQbeDialog"));
    setWindowTitle(QStringLiteral("Consulta por ejemplo"));
    resize(600, 300);
    m_table->setHorizontalHeaderLabels({QStringLiteral("Campo"), QStringLiteral("Operador"), QStringLiteral("Valor")});
    m_table->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_table->setColumnWidth(0, 220);
    m_table->setColumnWidth(1, 130);
    m_table->verticalHeader()->hide();
    SetCriteria(criteria);

    m_error->setObjectName(QStringLiteral("LblError"));
    m_error->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_error->setWordWrap(true);
    m_error->hide();

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *add = buttons->addButton(QStringLiteral("Agregar condición"), QDialogButtonBox::ActionRole);
    QPushButton *clear = buttons->addButton(QStringLiteral("Limpiar"), QDialogButtonBox::ResetRole);
    buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    connect(add, &QPushButton::clicked, this, [this] { AddRow(); });
    connect(clear, &QPushButton::clicked, this, [this] { SetCriteria({}); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(m_error);
    layout->addWidget(buttons);
}

void TQbeDialog::SetCriteria(const QList<TQbeCriterion> &criteria)
{
    m_table->setRowCount(0);
    for (const TQbeCriterion &c : criteria)
        AddRow(c);
    if (criteria.isEmpty())
        AddRow();
}

void TQbeDialog::AddRow(const TQbeCriterion &criterion)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto *field = new QComboBox(m_table);
    for (const auto &[name, label] : m_fields)
        field->addItem(label, name);
    field->setCurrentIndex(qMax(0, field->findData(criterion.Field)));
    auto *op = new QComboBox(m_table);
    for (const TQbeOperator o : kOperators)
        op->addItem(TQSDBQbe::OperatorText(o), int(o));
    op->setCurrentIndex(qMax(0, op->findData(int(criterion.Operator))));
    auto *value = new QLineEdit(criterion.Value, m_table);
    m_table->setCellWidget(row, 0, field);
    m_table->setCellWidget(row, 1, op);
    m_table->setCellWidget(row, 2, value);
}

QList<TQbeCriterion> TQbeDialog::Criteria() const
{
    QList<TQbeCriterion> list;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const auto *field = qobject_cast<QComboBox *>(m_table->cellWidget(row, 0));
        const auto *op = qobject_cast<QComboBox *>(m_table->cellWidget(row, 1));
        const auto *value = qobject_cast<QLineEdit *>(m_table->cellWidget(row, 2));
        // A row left without a value is not a condition.
        if (!field || field->currentIndex() < 0 || value->text().trimmed().isEmpty())
            continue;
        list.append({field->currentData().toString(), TQbeOperator(op->currentData().toInt()), value->text()});
    }
    return list;
}

void TQbeDialog::SetError(const QString &message)
{
    m_error->setText(message);
    m_error->setVisible(!message.isEmpty());
}

QString TQbeDialog::Error() const
{
    return m_error->text();
}
