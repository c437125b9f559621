// QMessageBox implementation of the message-box service.
#include "MessageBoxes.h"

#include <QMessageBox>
#include <QString>

namespace platform {
namespace {
QtMessageBoxes::Hook& hook() {
    static QtMessageBoxes::Hook h;
    return h;
}
}  // namespace

void QtMessageBoxes::setTestHook(Hook h) {
    hook() = std::move(h);
}

MsgAnswer QtMessageBoxes::show(QWidget* owner, const std::string& text, const std::string& caption,
                               MsgButtons buttons) {
    if (hook()) {
        return hook()(text, caption, buttons);
    }
    QMessageBox box(owner);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);  // texts come from settings files: never markup
    box.setWindowModality(Qt::ApplicationModal);
    if (buttons == MsgButtons::YesNo) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

}  // namespace platform
