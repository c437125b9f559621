// Modal message boxes behind an interface, so that tests answer them instead of a person.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace platform {

enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // `owner` null: application-modal without an owner window (the task-modal box).
    virtual MsgAnswer show(QWidget* owner, const std::string& text, const std::string& caption,
                           MsgButtons buttons) = 0;
};

// Real QMessageBox dialogs. A hook installed by tests answers instead of the dialog.
class QtMessageBoxes final : public MessageBoxes {
  public:
    using Hook =
        std::function<MsgAnswer(const std::string& text, const std::string& caption, MsgButtons)>;
    MsgAnswer show(QWidget* owner, const std::string& text, const std::string& caption,
                   MsgButtons buttons) override;
    static void setTestHook(Hook hook);
};

}  // namespace platform
