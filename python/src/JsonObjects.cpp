#include "JsonObjects.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace py = pybind11;

namespace tulo::python {

py::object PythonObjectOf(const nlohmann::ordered_json& value) {
    using Type = nlohmann::ordered_json::value_t;
    switch (value.type()) {
    case Type::null:
        return py::none();
    case Type::boolean:
        return py::bool_(value.get<bool>());
    case Type::number_integer:
        return py::int_(value.get<std::int64_t>());
    case Type::number_unsigned:
        return py::int_(value.get<std::uint64_t>());
    case Type::number_float: {
        const double number = value.get<double>();
        return std::isfinite(number) ? py::object(py::float_(number)) : py::none();
    }
    case Type::string:
        return py::str(value.get_ref<const std::string&>());
    case Type::array: {
        py::list items;
        for (const auto& item : value) items.append(PythonObjectOf(item));
        return items;
    }
    case Type::object: {
        py::dict members;
        for (const auto& [key, member] : value.items()) members[py::str(key)] = PythonObjectOf(member);
        return members;
    }
    case Type::binary:
    case Type::discarded:
        break;
    }
    throw std::logic_error("a report holds a value JSON has no text for");
}

} // namespace tulo::python
