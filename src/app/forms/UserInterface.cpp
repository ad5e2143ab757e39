#include "forms/UserInterface.h"

namespace tulo {

void UserInterface::problem(const InputProblem& problem) {
    message(problem.text);
}

void ShowMessages(UserInterface& ui, const Messages& messages) {
    for (const Message& shown : messages) ui.message(shown.text, shown.title, shown.icon);
}

} // namespace tulo
