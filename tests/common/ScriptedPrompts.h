#pragma once

// The prompt service of the tests: answers the module's dialogs and modal windows from a script
// instead of a user. Each answer acts on the dialog as a user would (sets its properties, its
// dates, clicks the window's buttons) and returns the dialog's result; with no answer
// left `otherwise` answers when set, else the dialog is cancelled (a question gets its escape
// button, a window keeps no result). What was asked is kept in `asked`: the dialogs' and windows'
// titles, the message boxes' texts.

#include "TApplication.h"
#include "TPrompts.h"

#include <QAbstractButton>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

class ScriptedPrompts : public TPrompts
{
public:
    using Answer = std::function<int(QWidget &dialog)>;

    // Installs a fresh script as the application's prompt service; the returned pointer stays valid
    // until another service is installed.
    static ScriptedPrompts *Install()
    {
        auto prompts = std::make_unique<ScriptedPrompts>();
        ScriptedPrompts *raw = prompts.get();
        Application()->SetPrompts(std::move(prompts));
        return raw;
    }

    // Chooses an item of a dialog that has an ItemIndex property and accepts it.
    static Answer Choose(int index)
    {
        return [index](QWidget &dialog) {
            dialog.setProperty("ItemIndex", index);
            return int(QDialog::Accepted);
        };
    }
    // Answers a message box with one of its buttons; `shown` gets the box's button texts as the user
    // saw them, when given.
    static Answer Press(QMessageBox::StandardButton button, QStringList *shown = nullptr)
    {
        return [button, shown](QWidget &dialog) {
            auto *box = qobject_cast<QMessageBox *>(&dialog);
            if (shown && box)
                for (QAbstractButton *b : box->buttons())
                    *shown << b->text();
            return box && box->button(button) ? int(button) : int(QDialog::Rejected);
        };
    }
    // Answers a file dialog (TPrompts::SaveFileName) with this path.
    static Answer SaveAs(const QString &path)
    {
        return [path](QWidget &dialog) {
            auto *files = qobject_cast<QFileDialog *>(&dialog);
            if (!files)
                return int(QDialog::Rejected);
            files->setOption(QFileDialog::DontUseNativeDialog);
            files->selectFile(path);
            return int(QDialog::Accepted);
        };
    }
    // Picks a date in the calendar, or a range (an invalid `from`: "Quitar filtro").
    static Answer Date(const QDate &date)
    {
        return [date](QWidget &dialog) {
            dialog.findChild<QCalendarWidget *>()->setSelectedDate(date);
            return int(QDialog::Accepted);
        };
    }
    static Answer Range(const QDate &from, const QDate &to)
    {
        return [from, to](QWidget &dialog) {
            dialog.findChild<QDateEdit *>(QStringLiteral("Desde"))->setDate(from);
            dialog.findChild<QDateEdit *>(QStringLiteral("Hasta"))->setDate(to);
            if (!from.isValid())
                dialog.findChild<QAbstractButton *>(QStringLiteral("QuitarFiltro"))->click();
            return int(QDialog::Accepted);
        };
    }
    // Acts on a modal window of the module (its result is what the action leaves on it).
    template <class Window> static Answer Act(std::function<void(Window &window)> action)
    {
        return [action](QWidget &window) {
            if (auto *w = qobject_cast<Window *>(&window))
                action(*w);
            return 0;
        };
    }

    std::deque<Answer> answers;
    Answer otherwise;
    QStringList asked;

    int ShowModal(QDialog &dialog) override { return Next(dialog); }
    void RunModal(QWidget &window, const std::function<void()> &) override { Next(window); }

private:
    int Next(QWidget &dialog)
    {
        const auto *box = qobject_cast<QMessageBox *>(&dialog);
        asked << (box ? box->text() : dialog.windowTitle());
        if (answers.empty())
            return otherwise ? otherwise(dialog) : int(QDialog::Rejected);
        Answer answer = std::move(answers.front());
        answers.pop_front();
        return answer(dialog);
    }
};
