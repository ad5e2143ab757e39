#include "forms/CompileShim.h"

#include "forms/ConfigurationForm.h"
#include "forms/FormModel.h"
#include "forms/SeasonForm.h"

namespace tulo {

Compilation CompileConfiguration(const SeasonConfiguration& configuration) {
    FormModel form;
    ApplyConfiguration(configuration, form);
    return CompileInputs(form);
}

} // namespace tulo
