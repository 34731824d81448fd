#pragma once

// The prompt service of the tests: answers the module's dialogs from a script instead of a user.
// Each answer sets the dialog's properties as a user would and returns the dialog's result; with no
// answer left the dialog is cancelled (a question gets its escape button). What was asked is kept in
// `asked`: the dialogs' titles, the questions' texts.

#include "TApplication.h"
#include "TPrompts.h"

#include <QAbstractButton>
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
    using Answer = std::function<int(QDialog &dialog)>;

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
        return [index](QDialog &dialog) {
            dialog.setProperty("ItemIndex", index);
            return int(QDialog::Accepted);
        };
    }
    // Answers a question (TPrompts::Question) with one of its buttons; `shown` gets the box's button
    // texts as the user saw them, when given.
    static Answer Press(QMessageBox::StandardButton button, QStringList *shown = nullptr)
    {
        return [button, shown](QDialog &dialog) {
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
        return [path](QDialog &dialog) {
            auto *files = qobject_cast<QFileDialog *>(&dialog);
            if (!files)
                return int(QDialog::Rejected);
            files->setOption(QFileDialog::DontUseNativeDialog);
            files->selectFile(path);
            return int(QDialog::Accepted);
        };
    }
    static Answer Cancel()
    {
        return [](QDialog &) { return int(QDialog::Rejected); };
    }

    std::deque<Answer> answers;
    QStringList asked;

    int ShowModal(QDialog &dialog) override
    {
        const auto *box = qobject_cast<QMessageBox *>(&dialog);
        asked << (box ? box->text() : dialog.windowTitle());
        if (answers.empty())
            return QDialog::Rejected;
        Answer answer = std::move(answers.front());
        answers.pop_front();
        return answer(dialog);
    }
};
