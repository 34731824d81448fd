#pragma once

#include <QDate>
#include <QToolButton>

class TDataSource;

// A date button: a click lets the user pick a date from a calendar and stores it in the field
// DatField of the data source's dataset, putting the dataset into edit mode first. The calendar is
// the application's prompt service's.
class TQsFecha : public QToolButton
{
    Q_OBJECT
public:
    explicit TQsFecha(QWidget *parent = nullptr, const QString &name = QString());

    QString DatField;
    TDataSource *DataSource = nullptr;
    // Runs the click action as a user's click does.
    void Click();
};
