#pragma once

#include <QDate>
#include <QToolButton>
#include <functional>

class TDataSource;

// A date button: a click lets the user pick a date from a calendar and stores it in the field
// DatField of the data source's dataset, putting the dataset into edit mode first.
class TQsFecha : public QToolButton
{
    Q_OBJECT
public:
    explicit TQsFecha(QWidget *parent = nullptr, const QString &name = QString());

    QString DatField;
    TDataSource *DataSource = nullptr;
    // Replaces the calendar dialog (tests): returns the chosen date, or an invalid date to cancel.
    std::function<QDate(const QDate &initial)> PickDate;

    // Runs the click action as a user's click does.
    void Click();

private:
    QDate AskDate(const QDate &initial);
};
