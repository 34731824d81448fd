#pragma once

#include <QStringList>
#include <QToolButton>
#include <functional>

class SDCOMConnection;
class TDataSet;

// A lookup button: it carries what a capture dialog needs to list the rows of a query and copy the
// chosen row's columns into fields of a dataset. Variables[i] names the query column whose value
// goes into the field Destino[i] of DataSet; Titulos are the column headings, Titulo the caption.
// The owner's AssignSQL handler fills SQL before each lookup; OnClick runs the lookup.
class TQPField : public QToolButton
{
    Q_OBJECT
public:
    explicit TQPField(QWidget *parent = nullptr, const QString &name = QString());

    QStringList Variables;
    QStringList Destino;
    QString Titulo;
    QStringList Titulos;
    TDataSet *DataSet = nullptr;
    SDCOMConnection *Servidor = nullptr;
    QStringList SQL;
    // Values taken by the last accepted lookup, in the order of Variables.
    QStringList Valores;
    // A column of the query whose text the button keeps as its lookup text.
    QString LookUpField;
    QString LookupText;
    int Tag = 0;

    std::function<void(QObject *Sender)> OnClick;
    std::function<void(QObject *Sender)> AssignSQL;

    // Runs the click action as a user's click does.
    void Click();
};
