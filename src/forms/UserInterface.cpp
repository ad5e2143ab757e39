#include "forms/UserInterface.h"

namespace tulo {

void UserInterface::problem(const InputProblem& problem) {
    message(problem.text);
}

} // namespace tulo
