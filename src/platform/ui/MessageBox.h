#pragma once
// Modal message boxes reached without a window toolkit: the controls, the
// feed parsers and the graph window call ShowMessage; the program binds the
// Qt dialog at start-up and tests bind a recorder.
#include <functional>
#include <string>
#include <utility>

namespace nimbrel {

enum class MsgIcon { None, Information, Warning, Critical, Question };

struct MessageRequest {
    std::string text;
    std::string caption;
    MsgIcon icon = MsgIcon::None;
};

using MessageHandler = std::function<void(const MessageRequest&)>;

inline MessageHandler& MessageHandlerSlot() {
    static MessageHandler handler;
    return handler;
}

// Binds the handler; returns the one it replaced.
inline MessageHandler SetMessageHandler(MessageHandler handler) {
    return std::exchange(MessageHandlerSlot(), std::move(handler));
}

// Shows the box and returns when the user has closed it. Without a handler
// (no display) the message is dropped.
inline void ShowMessage(const std::string& text, const std::string& caption, MsgIcon icon) {
    if (auto& h = MessageHandlerSlot()) h(MessageRequest{text, caption, icon});
}

// A question with two answers: the first button is the default one.
struct QuestionRequest {
    std::string text;
    std::string caption;
    std::string firstButton;
    std::string secondButton;
    MsgIcon icon = MsgIcon::Question;
};

// True when the first button was chosen.
using QuestionHandler = std::function<bool(const QuestionRequest&)>;

inline QuestionHandler& QuestionHandlerSlot() {
    static QuestionHandler handler;
    return handler;
}

inline QuestionHandler SetQuestionHandler(QuestionHandler handler) {
    return std::exchange(QuestionHandlerSlot(), std::move(handler));
}

// Asks and returns true when the first button was chosen. Without a handler
// (no display) nobody can answer: the second button, the one that goes on
// without asking again, is taken.
inline bool AskQuestion(const QuestionRequest& question) {
    if (auto& h = QuestionHandlerSlot()) return h(question);
    return false;
}

}  // namespace nimbrel
