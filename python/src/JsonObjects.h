#pragma once
// The command line's JSON reports as Python objects, built directly: no text between them.

#include <nlohmann/json.hpp>
#include <pybind11/pybind11.h>

namespace tulo::python {

// What json.loads makes of the report's text: objects as dicts in their order, arrays as lists, whole
// numbers as int, other numbers as float, None for null and for a number that is not finite (the text
// writes it as null).
pybind11::object PythonObjectOf(const nlohmann::ordered_json& value);

} // namespace tulo::python
